// Solvent-accessible area per atom by the double cubic lattice method, and the choice of the
// surface-accessible atoms that the steric simulation runs on.
#pragma once

#include "core/alloc.h"

namespace korva {

constexpr double kProbeRadius = 1.4;    // solvent probe added to every van der Waals radius, A
constexpr int kSurfaceDensity = 700;    // dot density of the surface computation
constexpr int kNscFlagDots = 1;         // nsc_dclm: return the free surface dots
constexpr int kNscFlagVolume = 2;       // nsc_dclm: return the enclosed volume
constexpr int kNscFlagAreas = 4;        // nsc_dclm: return the area of every atom
constexpr double kExposedAbove = 0.5;   // relative exposure that makes a surface atom (strictly)
constexpr double kFreeFormatVdw = 1.7;  // van der Waals radius of every free-format atom, A

// van der Waals radius from the first character of an atom name: C, F 1.9; N, P, S 1.8;
// anything else 1.4 A.
float getRadius(const char* atomName);

// Accessible area of nat spheres (centres as x, y, z triples, radii in A) with density dots per
// sphere. area receives the total; with kNscFlagAreas atomAreas receives one area per atom (A^2);
// with kNscFlagVolume volume receives the enclosed volume; with kNscFlagDots dots receives the
// free surface points (x, y, z triples) and ndots their number. Any of the outputs that is not
// asked for may be null. The dot distribution of the unit-sphere generator is replaced.
// Returns 0, or 1 after a warning (no atoms) or an error block.
int nsc_dclm(const double* centres, const double* radii, int nat, int density, int flags,
             double* area, tvector<double>* atomAreas, double* volume, tvector<double>* dots,
             int* ndots);

// Relative exposure of every atom: its accessible area at kSurfaceDensity divided by the area of
// its bare sphere 12.5663706*vdw^2. radii include the probe, vdwRadii do not. relative is resized
// to nat. Returns 0, or 1 after the surface routine's message.
int relativeExposure(const double* centres, const double* radii, const double* vdwRadii, int nat,
                     tvector<double>* relative);

// True when an atom with this relative exposure counts as surface-accessible.
inline bool isSurfaceAtom(double relative) {
  return relative > kExposedAbove;
}

// Keeps, in place and in order, the surface-accessible atoms of the free-format arrays x, y, z
// (indexed 1..n, every atom of radius 1.7 A); nsel receives their number. Returns 0, or 1 after
// "NSC: error.".
int surfSel(int n, double* x, double* y, double* z, int* nsel);

}  // namespace korva
