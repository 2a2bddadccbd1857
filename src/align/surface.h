// Solvent-accessible area per atom by the double cubic lattice method, and the choice of the
// surface-accessible atoms that the steric simulation runs on.
#pragma once

#include "core/alloc.h"
#include "core/status.h"

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

// What nsc_dclm computes; the parts that the flags do not ask for stay empty or zero.
struct nscResult {
  double area = 0.0;          // total accessible area, A^2 (always)
  double volume = 0.0;        // enclosed volume, A^3 (kNscFlagVolume)
  tvector<double> atomAreas;  // accessible area of each atom, A^2 (kNscFlagAreas)
  tvector<double> dots;       // free surface points as x, y, z triples (kNscFlagDots)
  int ndots = 0;              // number of free surface points (kNscFlagDots)
};

// Accessible area of nat spheres (centres as x, y, z triples, radii in A, both read only) with
// density dots per sphere. Fails with the warning block "nsc_dclm: no surface atoms selected"
// when nat <= 0, or with an error block for a bad centre, radius or density.
Outcome<nscResult> nsc_dclm(const double* centres, const double* radii, int nat, int density,
                            int flags);

// Relative exposure of every atom: its accessible area at kSurfaceDensity divided by the area of
// its bare sphere 12.5663706*vdw^2. radii include the probe, vdwRadii do not. Fails as nsc_dclm
// does, or with an error block for a van der Waals radius that is not positive.
Outcome<tvector<double>> relativeExposure(const double* centres, const double* radii,
                                          const double* vdwRadii, int nat);

// True when an atom with this relative exposure counts as surface-accessible.
inline bool isSurfaceAtom(double relative) {
  return relative > kExposedAbove;
}

// For every atom, 1 when isSurfaceAtom(relativeExposure) holds, else 0; the same decisions as
// the exposures, found with fewer dot tests. Fails as relativeExposure does.
Outcome<tvector<char>> surfaceAtoms(const double* centres, const double* radii,
                                    const double* vdwRadii, int nat);

// Keeps, in place and in order, the surface-accessible atoms of the free-format arrays x, y, z
// (indexed 1..n, every atom of radius 1.7 A); nsel receives their number. On failure the message
// is the surface routine's block followed by "NSC: error.".
Status surfSel(int n, double* x, double* y, double* z, int* nsel);

}  // namespace korva
