// Steric alignment simulation: orientations of the molecule against a wall or a rod on a grid of
// distances, averaged into a Saupe vector.
#include "align/steric.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "numeric/constants.h"

namespace korva {

namespace {

constexpr double kPiSquared = kPi * kPi;
constexpr double kMassBilayerLipid = 677.94;  // g/mol
constexpr double kMassRimLipid = 453.51;      // g/mol
constexpr double kFreeRimLipid = 0.005;       // mol/l of rim lipid that stays in solution
constexpr double kFreeLipidAbove = 0.01;      // concentration from which free lipid is subtracted
constexpr double kFreeLipidMilli = 5.0;       // mM
constexpr double kRodDensity = 1.46;          // concentration per volume fraction of the rods
constexpr float kSmallestStart = 100000.0f;   // start of the smallest squared distance
constexpr double kLargestCount = 1e15;        // grid counts beyond this are nonsense input

void warnTableFull(Log& log) {
  log.printf("WARNING: concentration too low - magnitude of alignment tensor incorrect\n");
}

// Five-element contribution of one orientation, taken from the columns of R.
void contribution(const double ex[3], const double ey[3], const double ez[3], double out[5]) {
  out[0] = Szz(ez);
  out[1] = Sxx(ex) - Syy(ey);
  out[2] = Sxy(ex, ey);
  out[3] = Sxz(ex, ez);
  out[4] = Syz(ey, ez);
}

void orientationAngles(const double* p, int k, int npsi, double* theta, double* phi, double* psi) {
  *phi = std::atan2(p[1], p[0]);
  *theta = kHalfPi - std::atan2(p[2], std::sqrt(p[0] * p[0] + p[1] * p[1]));
  *psi = k * (360.0 / npsi) * kPi / 180.0;
}

// Projection of every atom on one row of R, summed in single precision as the positions are.
inline float project(const double r[3], double x, double y, double z) {
  float acc = static_cast<float>(r[0] * x);
  acc = static_cast<float>(acc + r[1] * y);
  return static_cast<float>(acc + r[2] * z);
}

// The isotropic reference: the mean contribution over all N orientations.
void isotropicReference(int ndots, const double* points, int npsi, double ref[5]) {
  double szz = 0, sxx = 0, syy = 0, sxy = 0, sxz = 0, syz = 0;
  for (int d = 0; d < ndots; ++d) {
    for (int k = 0; k < npsi; ++k) {
      double theta, phi, psi, ex[3], ey[3], ez[3];
      orientationAngles(&points[3 * d], k, npsi, &theta, &phi, &psi);
      rotate_coorsystem(theta, phi, psi, ex, ey, ez);
      szz += Szz(ez);
      sxx += Sxx(ex);
      syy += Syy(ey);
      sxy += Sxy(ex, ey);
      sxz += Sxz(ex, ez);
      syz += Syz(ey, ez);
    }
  }
  const double n = static_cast<double>(ndots) * npsi;
  ref[0] = szz / n;
  ref[1] = (sxx - syy) / n;
  ref[2] = sxy / n;
  ref[3] = sxz / n;
  ref[4] = syz / n;
}

// Turns the sums of one position into its mean minus the reference, in place.
void centreAccumulators(int last, const tvector<double>& count, const double ref[5],
                        tvector<double>* acc) {
  for (int i = 0; i <= last; ++i) {
    for (int m = 0; m < 5; ++m) {
      double& a = (*acc)[5 * static_cast<size_t>(i) + m];
      a = count[i] <= 0.0 ? 0.0 : a / count[i] - ref[m];
    }
  }
}

bool checkParameters(int model, float h, float rM, float rA, float g, float c, int natoms, int npsi,
                     int ndots, const double* points, Log& log) {
  const char* why = nullptr;
  if (natoms < 1) {
    why = "no atom to simulate";
  } else if (npsi < 1) {
    why = "the number of psi steps must be at least 1";
  } else if (ndots < 1 || !points) {
    why = "no orientation points";
  } else if (static_cast<long long>(ndots) * npsi > 2147483647LL) {
    why = "too many orientations";
  } else if (!std::isfinite(g) || g <= 0.0f) {
    why = "the grid spacing must be positive";
  } else if (!std::isfinite(rM) || rM <= 0.0f || !std::isfinite(rA) || rA < 0.0f) {
    why = "the obstacle size must be positive and the atom radius not negative";
  } else if (model == kModelWall && (!std::isfinite(h) || h <= 0.0f)) {
    why = "the wall half-spacing must be a positive length (check the concentration)";
  } else if (model == kModelRod && (!std::isfinite(c) || c <= 0.0f || c >= kRodDensity)) {
    why = "the rod model needs a concentration between 0 and 1.46";
  } else if (model != kModelWall && model != kModelRod) {
    why = "unknown medium model";
  }
  if (why) log.printf("stericAlignment: error - %s.\n", why);
  return why == nullptr;
}

// A grid spacing that cannot sample the molecule's positions is refused, naming the option: so
// fine that the position table would hold less than half of the contact range (the rest would
// count as free, leaving a tensor that only looks like a result), or wider than the room the
// medium leaves the molecule, where no position remains. A table cut by less than half keeps the
// concentration warning of buildPositionGrid.
bool checkGridSpacing(int model, float h, float rM, float g, float c, double rOuter, double rInner,
                      Log& log) {
  const double range = rOuter - rInner;
  if (range / g > 2.0 * kMaxGridIndex) {
    log.printf(
        "stericAlignment: error - the grid spacing -dGrid %g A is too fine for this molecule: the "
        "table of %d positions would hold less than half of its %.1f A contact range (-dGrid "
        "%.2g or more holds all of it).\n",
        static_cast<double>(g), kMaxGridIndex + 1, range, range / kMaxGridIndex);
    return false;
  }
  const double room =
      model == kModelWall ? h - static_cast<double>(rInner + rM) : rodCellWidth(rM, c);
  if (room > 0.0 && room < g) {
    log.printf(
        "stericAlignment: error - the grid spacing -dGrid %g A is wider than the %.2f A the medium "
        "leaves the molecule: no grid position remains.\n",
        static_cast<double>(g), room);
    return false;
  }
  return true;
}

// floor and ceil of a grid coordinate clamped to -1..top: shifted to positive values, where
// truncation is floor, so no rounding-mode instruction is needed in the rod model's inner loop.
// The shift may round by one ulp; the margin of the runs is many times wider than that.
inline int floorOnGrid(double v, double top) {
  return static_cast<int>(std::clamp(v, -1.0, top) + 2.0) - 2;
}
inline int ceilOnGrid(double v, double top) {
  return -static_cast<int>(-std::clamp(v, -1.0, top) + top + 2.0) + static_cast<int>(top) + 2;
}

constexpr int kLanes =
    8;  // atoms or positions per fixed-length inner loop, which compilers vectorise
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kInfinityF = std::numeric_limits<float>::infinity();

// The rod grid in the units of its index: position i lies at p0 + i / inv up to float rounding,
// which margin (grid units) covers; top = npos + 1 bounds the clamped runs.
struct RodGrid {
  double p0, inv, margin, top;
  int npos;
};

// Per-call constants of the closed-form run of one atom.
struct RodAtomTerms {
  double contactSq;  // (rM + rA)^2
  double beyond;     // |y'| above this never touches, whatever the rounding
  double firmHalf;   // half widths below this lose too many digits to give a certain run
};

// The run of one atom in grid units: it touches the rod at (-p, 0) where |p + x'| <=
// sqrt(contact^2 - y'^2), a run centred on -x'. lo is +inf when the atom cannot reach the rod;
// firmLo repeats lo, or is +inf when the run is too flat for its ends to be certain (grazing).
struct RodRun {
  double lo, firmLo, hi;
};

inline RodRun rodRun(const RodGrid& grid, const RodAtomTerms& terms, double x, double y) {
  const double rest = terms.contactSq - y * y;
  const double half = std::sqrt(std::max(rest, 0.0)) * grid.inv;
  const double mid = (-x - grid.p0) * grid.inv;
  const double lo = std::fabs(y) <= terms.beyond ? mid - half : kInfinity;
  return {lo, half >= terms.firmHalf * grid.inv ? lo : kInfinity, mid + half};
}

// Per lane, the furthest end of the runs that begin at or before position 0 (certain and
// possible ones), and whether a run of the current chunk begins inside the grid.
struct RodLanes {
  double sureTop[kLanes];
  double maybeTop[kLanes];
  double late[kLanes];
};

// One chunk of kLanes atoms on the common path: runs that begin at or before position 0 need only
// their end. Returns whether some run of the chunk begins inside the grid.
bool rodFrontChunk(const RodGrid& grid, const RodAtomTerms& terms, const float* x8, const float* y8,
                   RodLanes* lanes) {
  double xd[kLanes], yd[kLanes];
  for (int l = 0; l < kLanes; ++l) xd[l] = x8[l], yd[l] = y8[l];
  for (int l = 0; l < kLanes; ++l) {
    // rodRun, spelt out: the compiler vectorises plain values, not the returned record.
    const double y = yd[l];
    const double rest = terms.contactSq - y * y;
    const double half = std::sqrt(std::max(rest, 0.0)) * grid.inv;
    const double mid = (-xd[l] - grid.p0) * grid.inv;
    const double lo = std::fabs(y) <= terms.beyond ? mid - half : kInfinity;
    const double firmLo = half >= terms.firmHalf * grid.inv ? lo : kInfinity;
    const double hi = mid + half;
    lanes->maybeTop[l] = std::max(lanes->maybeTop[l], lo - grid.margin <= 0.0 ? hi : -kInfinity);
    lanes->sureTop[l] = std::max(lanes->sureTop[l], firmLo + grid.margin <= 0.0 ? hi : -kInfinity);
    const bool inside = (lo + grid.margin > 0.0) & (lo - grid.margin <= grid.top);
    lanes->late[l] = inside ? 1.0 : 0.0;
  }
  const double* f = lanes->late;
  return std::max(std::max(f[0] + f[1], f[2] + f[3]), std::max(f[4] + f[5], f[6] + f[7])) > 0.0;
}

// Rounding-safe integer runs of one atom, merged into the reach tables: reach[k] is the furthest
// position that a run starting at k (or before 0, for k = 0) covers.
void addRun(const RodGrid& grid, const RodRun& run, int* sureReach, int* maybeReach) {
  if (!(run.lo - grid.margin <= grid.top)) return;
  const int mLo = std::max(ceilOnGrid(run.lo - grid.margin, grid.top), 0);
  const int mHi = std::min(floorOnGrid(run.hi + grid.margin, grid.top), grid.npos);
  if (mLo > mHi) return;
  maybeReach[mLo] = std::max(maybeReach[mLo], mHi);
  if (!(run.firmLo <= grid.top)) return;
  const int sLo = std::max(ceilOnGrid(run.firmLo + grid.margin, grid.top), 0);
  const int sHi = std::min(floorOnGrid(run.hi - grid.margin, grid.top), grid.npos);
  if (sLo <= sHi) sureReach[sLo] = std::max(sureReach[sLo], sHi);
}

// Projections of atoms 1..natoms (x, y, z passed from index 1) on rows r1 and r2 of R, into xp
// and yp from index 0; whole chunks first, in a loop the compiler vectorises.
void projectAtoms(const double r1[3], const double r2[3], const double* x, const double* y,
                  const double* z, int natoms, float* xp, float* yp) {
  int j = 0;
  const double a[3] = {r1[0], r1[1], r1[2]}, b[3] = {r2[0], r2[1], r2[2]};
  for (; j + kLanes <= natoms; j += kLanes) {
    // Local lanes: the compiler need not fear that the stores overwrite the coordinates.
    float u[kLanes], v[kLanes];
    for (int l = 0; l < kLanes; ++l) {
      u[l] = project(a, x[j + l], y[j + l], z[j + l]);
      v[l] = project(b, x[j + l], y[j + l], z[j + l]);
    }
    std::copy(u, u + kLanes, xp + j);
    std::copy(v, v + kLanes, yp + j);
  }
  for (; j < natoms; ++j) {
    xp[j] = project(r1, x[j], y[j], z[j]);
    yp[j] = project(r2, x[j], y[j], z[j]);
  }
}

// Adds one orientation's contribution s to the sums of the positions it leaves free: sums holds
// five rows of `padded` sums, then the counts. Adding 0.0 leaves a sum as it was, so the sums
// equal those of adding at the free positions alone.
void addFreeOrientation(const int* blocked, size_t padded, const double s[5], double* sums) {
  const double add[6] = {s[0], s[1], s[2], s[3], s[4], 1.0};
  for (int m = 0; m < 6; ++m) {
    double* row = sums + m * padded;
    const double v = add[m];
    for (size_t b = 0; b < padded; b += kLanes) {
      for (int l = 0; l < kLanes; ++l) row[b + l] += blocked[b + l] ? 0.0 : v;
    }
  }
}

}  // namespace

void refine_bicelle(korvaInfo* info) {
  const double q = info->pRatio, c = info->wv, r = info->rM;
  const double d = 1000.0 * c / (kMassBilayerLipid * q + kMassRimLipid);
  const double qEff = q * d / (d - kFreeRimLipid);
  const double f = c >= kFreeLipidAbove ? kFreeLipidMilli : 0.0;
  const double w = (kMassBilayerLipid * q * d + kMassRimLipid * (d - f / 1000.0)) / 1000.0;
  const float radius =
      static_cast<float>((std::sqrt(kPiSquared + 8.0 / qEff) + kPi) * 0.5 * r * qEff);
  info->lM = radius;
  info->wallHalfSpacing = static_cast<float>(r / w);
  info->rimDisc = static_cast<float>(kPi * radius / (4.0 * (2.0 * r + kPi * radius)));
  info->pRatio = static_cast<float>(qEff);
}

double Szz(const double v[3]) {
  return (3.0 * v[2] * v[2] - 1.0) / 2.0;
}
double Sxx(const double v[3]) {
  return (3.0 * v[2] * v[2] - 1.0) / 2.0;
}
double Syy(const double v[3]) {
  return (3.0 * v[2] * v[2] - 1.0) / 2.0;
}
double Sxy(const double a[3], const double b[3]) {
  return 1.5 * a[2] * b[2];
}
double Sxz(const double a[3], const double b[3]) {
  return 1.5 * a[2] * b[2];
}
double Syz(const double a[3], const double b[3]) {
  return 1.5 * a[2] * b[2];
}

int buildPositionGrid(double rOuter, double rInner, float rM, float g, tvector<float>* pos,
                      Log& log) {
  const double steps = (rOuter - rInner) / g;
  int npos = 0;
  // The count is truncated first: 4999.5 steps are 4999 positions, which the table holds.
  if (steps >= kMaxGridIndex + 1.0) {
    npos = kMaxGridIndex;
    warnTableFull(log);
  } else if (steps > 0.0) {
    npos = static_cast<int>(steps);
  }
  const float base = static_cast<float>(rInner + rM);
  pos->assign(static_cast<size_t>(kMaxGridIndex) + 1, 0.0f);
  for (int i = 0; i <= npos; ++i) (*pos)[i] = static_cast<float>(base + static_cast<double>(g) * i);
  return npos;
}

double rodCellWidth(float rM, float c) {
  return rM / std::sqrt(c / kRodDensity) - rM;
}

int extendRodGrid(int npos, double cellWidth, float g, tvector<float>* pos, Log& log) {
  int ntot = npos;
  if ((*pos)[npos] > cellWidth) return ntot;
  for (int j = 1;; ++j) {
    if (npos + j > kMaxGridIndex) {
      warnTableFull(log);
      break;
    }
    (*pos)[npos + j] = static_cast<float>((*pos)[npos] + static_cast<double>(g) * j);
    ntot = npos + j;
    if ((*pos)[npos + j] > cellWidth) break;
  }
  return ntot;
}

int wallFirstFree(const float* xp, int natoms, const float* t, int npos) {
  if (natoms < 1) return 0;
  const float lowest = *std::min_element(xp, xp + natoms);
  // Atom j blocks position i when xp[j] <= t[i]: the lowest atom blocks wherever any atom does.
  return static_cast<int>(
      std::partition_point(t, t + npos + 1, [&](float ti) { return lowest <= ti; }) - t);
}

void rodBlocked(const float* xp, const float* yp, int natoms, const float* pos, int npos,
                double contact, tvector<int>* scratch, int* blocked) {
  if (npos < 0) return;
  RodGrid grid;
  grid.npos = npos;
  grid.p0 = pos[0];
  const double step = npos > 0 && pos[npos] > pos[0] ? (pos[npos] - grid.p0) / npos : 1.0;
  grid.inv = 1.0 / step;
  // The grid is linear up to the float rounding of each position; the runs are taken with this
  // much room (A) on either side, so every decision outside it is certain and only grid points
  // within it of a run's end are left to the distance test itself.
  const double reach = std::max(std::fabs(grid.p0), std::fabs(static_cast<double>(pos[npos])));
  const double room = 8.0 * reach * 0x1p-24 + 1e-9 * (1.0 + contact);
  grid.margin = room * grid.inv;
  grid.top = npos + 1.0;
  const RodAtomTerms terms{contact * contact, contact * (1.0 + 1e-12), 1e-4 * contact};

  // Whole chunks straight from the projections; the last, partial one padded with atoms
  // infinitely far across the director, which reach nothing.
  const int whole = natoms / kLanes;
  const int chunks = (natoms + kLanes - 1) / kLanes;
  float padX[kLanes], padY[kLanes];
  std::fill_n(padX, kLanes, 0.0f);
  std::fill_n(padY, kLanes, kInfinityF);
  std::copy(xp + whole * kLanes, xp + natoms, padX);
  std::copy(yp + whole * kLanes, yp + natoms, padY);
  const size_t span = static_cast<size_t>(npos) + 1;
  if (scratch->size() < 2 * span + chunks) scratch->resize(2 * span + chunks);
  int* sureReach = scratch->data();
  int* maybeReach = sureReach + span;
  int* lateChunk = maybeReach + span;
  RodLanes lanes;
  std::fill_n(lanes.sureTop, kLanes, -kInfinity);
  std::fill_n(lanes.maybeTop, kLanes, -kInfinity);
  for (int c = 0; c < whole; ++c) {
    lateChunk[c] = rodFrontChunk(grid, terms, xp + c * kLanes, yp + c * kLanes, &lanes);
  }
  if (chunks > whole) lateChunk[whole] = rodFrontChunk(grid, terms, padX, padY, &lanes);

  // Chunks with a run that begins inside the grid: all their runs again, one atom at a time,
  // merged by start position. Each atom's runs then come whole from one evaluation.
  bool anyLate = false;
  for (int c = 0; c < chunks; ++c) {
    if (!lateChunk[c]) continue;
    if (!anyLate) std::fill_n(sureReach, 2 * span, -1);
    anyLate = true;
    const float* x8 = c < whole ? xp + c * kLanes : padX;
    const float* y8 = c < whole ? yp + c * kLanes : padY;
    for (int l = 0; l < kLanes; ++l) {
      const RodRun run = rodRun(grid, terms, x8[l], y8[l]);
      addRun(grid, run, sureReach, maybeReach);
    }
  }

  // The runs that cover position 0 merge into one run from 0 to the furthest of their ends.
  double sureEnd = -kInfinity, maybeEnd = -kInfinity;
  for (int l = 0; l < kLanes; ++l) {
    sureEnd = std::max(sureEnd, lanes.sureTop[l]);
    maybeEnd = std::max(maybeEnd, lanes.maybeTop[l]);
  }
  int sureCover = std::min(floorOnGrid(sureEnd - grid.margin, grid.top), npos);
  int maybeCover = std::min(floorOnGrid(maybeEnd + grid.margin, grid.top), npos);
  const auto touchesAny = [&](int i) {
    for (int k = 0; k < natoms; ++k) {
      if (rodTouches(pos[i], xp[k], yp[k], contact)) return 1;
    }
    return 0;
  };
  for (int i = 0; i <= npos; ++i) {
    if (anyLate) {
      sureCover = std::max(sureCover, sureReach[i]);
      maybeCover = std::max(maybeCover, maybeReach[i]);
    }
    // Within rounding of some run's end and inside no certain run: decide by the test itself.
    blocked[i] = i <= sureCover ? 1 : i <= maybeCover ? touchesAny(i) : 0;
  }
}

int stericAlignment(int model, float h, float rM, float rA, float g, float c, int natoms,
                    const double* x, const double* y, const double* z, double rOuter, double rInner,
                    int npsi, int ndots, const double* points, double S[5], Log& log) {
  if (!checkParameters(model, h, rM, rA, g, c, natoms, npsi, ndots, points, log)) return 1;
  const int n = ndots * npsi;
  tvector<float> pos(TrackedAllocator<float>("steric positions"));
  if (!checkGridSpacing(model, h, rM, g, c, rOuter, rInner, log)) return 1;
  const int npos = buildPositionGrid(rOuter, rInner, rM, g, &pos, log);

  double normaliser = 0.0;
  int ntot = npos;
  double rodL = 0.0;
  if (model == kModelWall) {
    // A half-spacing shorter than the table makes nfree negative: a concentrated medium still
    // lets the molecule in some orientations, and the normaliser below decides whether any
    // volume is left.
    const double nfree = std::trunc((h - pos[npos]) / g);
    if (!(std::fabs(nfree) <= kLargestCount)) {
      log.printf(
          "stericAlignment: error - wall half-spacing %.2f A is out of range for the grid.\n",
          static_cast<double>(h));
      return 1;
    }
    normaliser = nfree;
  } else {
    rodL = rodCellWidth(rM, c);
    const double ncell = std::trunc(rodL / g);
    if (ncell > kLargestCount) {
      log.printf("stericAlignment: error - rod cell of %.2f A too large for the grid.\n", rodL);
      return 1;
    }
    normaliser = std::trunc(ncell + 0.5 * ncell * (ncell + 1.0) * (static_cast<double>(g) / rM));
    ntot = extendRodGrid(npos, rodL, g, &pos, log);
  }

  double ref[5];
  isotropicReference(ndots, points, npsi, ref);

  const size_t slots = static_cast<size_t>(ntot) + 2;
  tvector<double> count(slots, 0.0, TrackedAllocator<double>("steric counts"));
  tvector<double> acc(5 * slots, 0.0, TrackedAllocator<double>("steric accumulators"));
  tvector<float> xp(static_cast<size_t>(natoms), 0.0f,
                    TrackedAllocator<float>("steric projections"));
  tvector<float> yp(TrackedAllocator<float>("steric projections"));
  tvector<float> threshold(TrackedAllocator<float>("steric thresholds"));
  tvector<int> reach(TrackedAllocator<int>("steric runs"));
  tvector<int> blocked(TrackedAllocator<int>("steric runs"));
  // Rod model: sums of the positions that an orientation may block, one row per element and
  // padded to whole chunks; the appended positions are free for every orientation and share
  // one sum, taken in the same order.
  const size_t padded = (static_cast<size_t>(npos) + kLanes) / kLanes * kLanes;
  tvector<double> freeSums(TrackedAllocator<double>("steric accumulators"));
  double tailSum[5] = {0, 0, 0, 0, 0};
  if (model == kModelWall) {
    // The wall's surface lies at x' = -(pos - rM): an atom touches it when x' <= rA - (pos - rM).
    // The threshold falls as the centre moves away, so blocked positions form a prefix.
    threshold.resize(static_cast<size_t>(npos) + 1);
    for (int i = 0; i <= npos; ++i) {
      threshold[i] = static_cast<float>(rA - (static_cast<double>(pos[i]) - rM));
    }
  } else {
    yp.assign(static_cast<size_t>(natoms), 0.0f);
    blocked.assign(padded, 1);
    freeSums.assign(6 * padded, 0.0);
  }
  const double contact = static_cast<double>(rM) + rA;

  for (int d = 0; d < ndots; ++d) {
    log.progress("orientations", static_cast<long>(d) * npsi, n);
    for (int k = 0; k < npsi; ++k) {
      double theta, phi, psi, ex[3], ey[3], ez[3], r1[3], r2[3], r3[3], s[5];
      orientationAngles(&points[3 * d], k, npsi, &theta, &phi, &psi);
      rotate_coorsystem(theta, phi, psi, ex, ey, ez);
      contribution(ex, ey, ez, s);
      // The rows of R are the columns of its transpose R(-theta, -psi, -phi).
      rotate_coorsystem(-theta, -psi, -phi, r1, r2, r3);
      if (model == kModelWall) {
        float lowest = project(r1, x[1], y[1], z[1]);
        for (int j = 2; j <= natoms; ++j) lowest = std::min(lowest, project(r1, x[j], y[j], z[j]));
        const int first = wallFirstFree(&lowest, 1, threshold.data(), npos);
        // Free from `first` on: record the orientation once; prefix sums spread it later.
        count[first] += 1.0;
        for (int m = 0; m < 5; ++m) acc[5 * static_cast<size_t>(first) + m] += s[m];
      } else {
        projectAtoms(r1, r2, x + 1, y + 1, z + 1, natoms, xp.data(), yp.data());
        rodBlocked(xp.data(), yp.data(), natoms, pos.data(), npos, contact, &reach, blocked.data());
        addFreeOrientation(blocked.data(), padded, s, freeSums.data());
        for (int m = 0; m < 5; ++m) tailSum[m] += s[m];
      }
    }
  }
  log.progress("orientations", n, n);
  if (model == kModelRod) {
    for (int i = 0; i <= ntot; ++i) {
      const bool tested = i <= npos;
      count[i] = tested ? freeSums[5 * padded + i] : static_cast<double>(n);
      for (int m = 0; m < 5; ++m)
        acc[5 * static_cast<size_t>(i) + m] = tested ? freeSums[m * padded + i] : tailSum[m];
    }
  } else {
    for (int i = 1; i <= npos; ++i) {
      count[i] += count[i - 1];
      for (int m = 0; m < 5; ++m)
        acc[5 * static_cast<size_t>(i) + m] += acc[5 * static_cast<size_t>(i - 1) + m];
    }
  }
  centreAccumulators(ntot, count, ref, &acc);

  double sum[5] = {0, 0, 0, 0, 0};
  long long total = 0;
  for (int i = 0; i <= ntot; ++i) {
    const double weight =
        count[i] / n * (model == kModelRod ? static_cast<double>(pos[i]) / rM : 1.0);
    for (int m = 0; m < 5; ++m) sum[m] += weight * acc[5 * static_cast<size_t>(i) + m];
    total += static_cast<long long>(count[i]);
  }
  if (model == kModelWall) normaliser += static_cast<double>(total / n);
  if (!(normaliser > 0.0)) {
    log.printf(
        "stericAlignment: error - no accessible volume for the molecule (normaliser "
        "%.0f).\n",
        normaliser);
    return 1;
  }
  for (int m = 0; m < 5; ++m) S[m] = sum[m] / normaliser;
  return 0;
}

int simulateAlignment(const korvaInfo* info, int natoms, double* x, double* y, double* z, int ndots,
                      const double* points, double S[5], Log& log) {
  const char* why = nullptr;
  if (info->dot < 3) {
    why = "-dot must be at least 3";
  } else if (info->digPsi < 1) {
    why = "-digPsi must be at least 1";
  } else if (!std::isfinite(info->dGrid) || info->dGrid <= 0.0f) {
    why = "-dGrid must be greater than 0";
  } else if (natoms < 1) {
    why = "no atom to simulate";
  } else if (ndots < 1 || !points) {
    why = "no orientation points";
  }
  if (why) {
    log.printf("simulateAlignment: error - %s.\n", why);
    return 1;
  }
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (int i = 1; i <= natoms; ++i) {
    sx = static_cast<float>(sx + x[i]);
    sy = static_cast<float>(sy + y[i]);
    sz = static_cast<float>(sz + z[i]);
  }
  const float mx = static_cast<float>(static_cast<double>(sx) / natoms);
  const float my = static_cast<float>(static_cast<double>(sy) / natoms);
  const float mz = static_cast<float>(static_cast<double>(sz) / natoms);
  float largest = 0.0f, smallest = kSmallestStart;
  for (int i = 1; i <= natoms; ++i) {
    x[i] -= mx;
    y[i] -= my;
    z[i] -= mz;
    const float d2 = static_cast<float>(x[i] * x[i] + y[i] * y[i] + z[i] * z[i]);
    if (d2 > largest) largest = d2;
    if (d2 < smallest) smallest = d2;
  }
  const double rOuter = static_cast<double>(static_cast<float>(std::sqrt(largest))) + info->rA;
  const double rInner = static_cast<double>(static_cast<float>(std::sqrt(smallest))) + info->rA;
  const int status = stericAlignment(info->lcModel, info->wallHalfSpacing, info->rM, info->rA,
                                     info->dGrid, info->wv, natoms, x, y, z, rOuter, rInner,
                                     info->digPsi, ndots, points, S, log);
  if (status) {
    log.printf("simulateAlignment: error in stericAlignment.\n");
    return status;
  }
  for (int m = 0; m < 5; ++m) S[m] *= info->lcS;
  return 0;
}

}  // namespace korva
