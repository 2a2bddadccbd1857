// The per-orientation kernels of the steric simulation: projections of the atoms on the rows of
// an orientation and the rod model's blocked positions, run on two or four lanes of doubles.
#pragma once

#include <cmath>

#include "core/alloc.h"

namespace korva {

// Projection of an atom on a row r of the rotation, summed in single precision as the positions
// are: float(float(float(r0 x) + r1 y) + r2 z), each product and sum formed in double.
inline float projectOnRow(const double r[3], double x, double y, double z) {
  float acc = static_cast<float>(r[0] * x);
  acc = static_cast<float>(acc + r[1] * y);
  return static_cast<float>(acc + r[2] * z);
}

// Orientations that the wall kernel takes in one pass over the atoms.
constexpr int kWallBatch = 4;

// Wall model: for each of count (1..kWallBatch) rows, rows[3k..3k+2], the smallest projection
// (projectOnRow) of atoms 0..natoms-1 (natoms >= 1), into lowest[k]. One pass over the atoms
// serves every row.
void lowestProjections(const double* rows, int count, const double* x, const double* y,
                       const double* z, int natoms, float* lowest);

// What an orientation of the rod model leaves free: positions 0..firstFree-1 are blocked, and
// lastBlocked is the last blocked position (-1 when none is), so every position after it is free.
struct rodDecision {
  int firstFree;
  int lastBlocked;
};

// Rod model, one orientation: blocked[i] (i = 0..npos) becomes 1 when some atom lies within
// contact of the rod axis at (-pos[i], 0), by the distance test of rodTouches on the projections
// xp and yp of the atoms, else 0. Each atom blocks one run of positions, found in closed form; the
// test itself decides only grid points within rounding of a run's end. Atoms whose run cannot
// reach beyond a run already known to block are passed over. O(natoms + npos); scratch is working
// space, grown as needed.
rodDecision rodBlocked(const float* xp, const float* yp, int natoms, const float* pos, int npos,
                       double contact, tvector<int>* scratch, int* blocked);

// Working space of rodOrientation, kept from one orientation to the next.
struct rodScratch {
  tvector<float> xp{TrackedAllocator<float>("steric projections")};
  tvector<float> yp{TrackedAllocator<float>("steric projections")};
  tvector<int> reach{TrackedAllocator<int>("steric runs")};
};

// rodBlocked for atoms 0..natoms-1 at (x, y, z) turned by the rows r1 and r2 (xp and yp by
// projectOnRow); the y' projection is formed only for the atoms that need it.
rodDecision rodOrientation(const double r1[3], const double r2[3], const double* x, const double* y,
                           const double* z, int natoms, const float* pos, int npos, double contact,
                           rodScratch* scratch, int* blocked);

// The contact test of the rod model: sqrt((pos + xp)^2 + yp^2) <= contact, in double precision
// from the single-precision values.
inline bool rodTouches(float pos, float xp, float yp, double contact) {
  const double dx = static_cast<double>(pos) + static_cast<double>(xp);
  const double dy = static_cast<double>(yp);
  return std::sqrt(dx * dx + dy * dy) <= contact;
}

}  // namespace korva
