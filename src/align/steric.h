// Steric alignment simulation: the Saupe order matrix that a wall (bicelle) or rod (phage) medium
// induces in a rigid molecule by excluded volume alone.
#pragma once

#include <cmath>

#include "align/electrostatic.h"
#include "align/steric_kernels.h"
#include "core/alloc.h"
#include "core/log.h"
#include "structure/transform.h"
#include "tables/run_info.h"

namespace korva {

constexpr int kMaxGridIndex = 4999;  // last index of the position table

// Derives the wall geometry from concentration, q ratio and rM, and replaces the q ratio, bicelle
// radius, rim fraction and wall half-spacing of info. Not idempotent. Returns 0.
void refine_bicelle(korvaInfo* info);

// Order-tensor elements of a director whose direction cosines are the third components of the
// 3-vectors passed (0-based here): (3 v3^2 - 1)/2 and 1.5 a3 b3.
double Szz(const double v[3]);
double Sxx(const double v[3]);
double Syy(const double v[3]);
double Sxy(const double a[3], const double b[3]);
double Sxz(const double a[3], const double b[3]);
double Syz(const double a[3], const double b[3]);

// The charges of a charge-aware simulation, as its caller has them: one or more surface
// potentials of the medium, each simulated on the same orientations and positions.
struct chargeInput {
  const double* y0 = nullptr;  // count potentials, kT/e
  int count = 0;
  double debye = 10.0;          // Debye length, A
  const double* xyz = nullptr;  // three coordinates per charge, in the frame of the atoms passed
  const double* q = nullptr;    // charges, e
  int ncharges = 0;
};

// Centres x, y, z (indexed 1..natoms, changed in place), finds their radial extent, runs
// stericAlignment with the parameters of info and multiplies S by the liquid-crystal order.
// points holds ndots unit vectors (x, y, z triples). Returns 0 with S filled, or 1 after an error
// line on log (S untouched). With charges, the charge positions are centred as the atoms, the
// medium's cell edge is the wall half-spacing or the rod's cell width, and S receives five values
// per potential and fraction (count values) the electrostatic fraction of each.
[[nodiscard]] int simulateAlignment(const korvaInfo* info, int natoms, double* x, double* y,
                                    double* z, int ndots, const double* points, double S[5],
                                    Log& log, const chargeInput* charges = nullptr,
                                    double* fraction = nullptr);

// The charged medium of stericAlignment: models set up for one or more potentials of the same
// charges, the charge positions centred as the atoms, and the edge of the medium's cell.
struct chargedMedium {
  const electrostaticModel* models = nullptr;
  int count = 0;
  const double* xyz = nullptr;  // three coordinates per charge of the models
  double pEnd = 0.0;            // A, distance from the wall's mid-plane or the rod's axis
};

// The simulation proper on centred coordinates (indexed 1..natoms): model kModelWall or
// kModelRod, wall half-spacing h, obstacle size rM, atom radius rA, grid step g, concentration c,
// extents rOuter and rInner (already increased by rA), npsi rotations about the director per
// point. Writes S (Szz, Sxx - Syy, Sxy, Sxz, Syz) and returns 0, or returns 1 after an error line
// on log. With a charged medium every orientation also carries its electrostatic excess beyond
// its contact position (the first free position after the last blocked one); S then receives
// five values per model and fraction (one per model) the electrostatic fraction.
[[nodiscard]] int stericAlignment(int model, float h, float rM, float rA, float g, float c,
                                  int natoms, const double* x, const double* y, const double* z,
                                  double rOuter, double rInner, int npsi, int ndots,
                                  const double* points, double S[5], Log& log,
                                  const chargedMedium* medium = nullptr,
                                  double* fraction = nullptr);

// Position table of the molecule's centre: pos[i] = rInner + rM + g i (single precision) for
// i = 0..npos, npos capped at kMaxGridIndex with the concentration warning. Returns npos.
int buildPositionGrid(double rOuter, double rInner, float rM, float g, tvector<float>* pos,
                      Log& log);

// Rod model: distance from the rod's surface to the edge of its cell, rM/sqrt(c/1.46) - rM, A.
double rodCellWidth(float rM, float c);

// Rod model: appends positions pos[npos] + g j until one lies beyond cellWidth (or the table is
// full, with the concentration warning). Returns the last index filled.
int extendRodGrid(int npos, double cellWidth, float g, tvector<float>* pos, Log& log);

// Wall model, one orientation: position i is blocked when some projection xp[j] <= t[i]. t does
// not increase along the grid, so the blocked positions are the prefix before the returned index
// (0..npos+1), found from the smallest projection alone.
int wallFirstFree(const float* xp, int natoms, const float* t, int npos);

}  // namespace korva
