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

// The orientations: a point on the sphere gives theta and phi, and the molecule turns about the
// director in npsi steps of psi. Each orientation's frame is R(theta, phi, psi) and its rows are
// the columns of R(-theta, -psi, -phi); the cosines and sines come from the same arguments every
// time, so they are taken once per point and once per turn.
class orientationFrames {
 public:
  explicit orientationFrames(int npsi) : npsi_(npsi) {
    turns_.resize(4 * static_cast<size_t>(npsi));
    for (int k = 0; k < npsi; ++k) {
      const double psi = k * (360.0 / npsi) * kPi / 180.0;
      double* t = &turns_[4 * static_cast<size_t>(k)];
      t[0] = std::cos(psi), t[1] = std::sin(psi), t[2] = std::cos(-psi), t[3] = std::sin(-psi);
    }
  }
  // Takes the point p (a unit vector) for the turns that follow.
  void atPoint(const double* p) {
    const double phi = std::atan2(p[1], p[0]);
    const double theta = kHalfPi - std::atan2(p[2], std::sqrt(p[0] * p[0] + p[1] * p[1]));
    point_[0] = std::cos(theta), point_[1] = std::sin(theta);
    point_[2] = std::cos(phi), point_[3] = std::sin(phi);
    point_[4] = std::cos(-theta), point_[5] = std::sin(-theta);
    point_[6] = std::cos(-phi), point_[7] = std::sin(-phi);
  }
  // The columns of the frame of turn k at the current point.
  void frame(int k, double ex[3], double ey[3], double ez[3]) const {
    const double* t = &turns_[4 * static_cast<size_t>(k)];
    rotationColumns(point_[0], point_[1], point_[2], point_[3], t[0], t[1], ex, ey, ez);
  }
  // Its rows: the columns of R(-theta, -psi, -phi).
  void rows(int k, double r1[3], double r2[3], double r3[3]) const {
    const double* t = &turns_[4 * static_cast<size_t>(k)];
    rotationColumns(point_[4], point_[5], t[2], t[3], point_[6], point_[7], r1, r2, r3);
  }
  int turns() const { return npsi_; }

 private:
  int npsi_;
  double point_[8] = {};
  tvector<double> turns_{TrackedAllocator<double>("steric turns")};
};

// The isotropic reference: the mean contribution over all N orientations.
void isotropicReference(int ndots, const double* points, orientationFrames& frames, double ref[5]) {
  const int npsi = frames.turns();
  double szz = 0, sxx = 0, syy = 0, sxy = 0, sxz = 0, syz = 0;
  for (int d = 0; d < ndots; ++d) {
    frames.atPoint(&points[3 * d]);
    for (int k = 0; k < npsi; ++k) {
      double ex[3], ey[3], ez[3];
      frames.frame(k, ex, ey, ez);
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

constexpr int kLanes = 8;  // positions per fixed-length inner loop, which compilers vectorise

// Adds one orientation's contribution s to the sums of the positions it leaves free: sums holds
// five rows of `padded` sums, then the counts. A sum starts at +0 and never becomes -0, so adding
// 0.0 leaves it as it was: the blocked positions may take 0.0 or nothing, and the padding beyond
// the grid, which is never read, may take anything.
void addFreeOrientation(const int* blocked, const rodDecision& decision, size_t padded,
                        const double s[5], double* sums) {
  const double add[6] = {s[0], s[1], s[2], s[3], s[4], 1.0};
  const size_t first = static_cast<size_t>(decision.firstFree);
  const bool prefix = decision.lastBlocked < decision.firstFree;
  const size_t from = prefix ? first : first / kLanes * kLanes;
  for (int m = 0; m < 6; ++m) {
    double* row = sums + m * padded;
    const double v = add[m];
    if (prefix) {
      for (size_t b = from; b < padded; ++b) row[b] += v;
      continue;
    }
    for (size_t b = from; b < padded; b += kLanes) {
      for (int l = 0; l < kLanes; ++l) row[b + l] += blocked[b + l] ? 0.0 : v;
    }
  }
}

// The charges' part of the orientation loop, kept apart from the steric decisions: per
// orientation, the contact index (the first free position after the last blocked one) and the
// orientation's frame in, the electrostatic excess of each potential added to its sums.
class chargeHook {
 public:
  chargeHook(const chargedMedium* medium, int model, float base, float g, const double ref[5])
      : medium_(medium != nullptr && medium->count > 0 ? medium : nullptr),
        rod_(model == kModelRod),
        base_(base),
        g_(g) {
    std::copy(ref, ref + 5, ref_);
    if (medium_ == nullptr) return;
    const size_t nq = static_cast<size_t>(medium_->models[0].charges());
    n_.assign(nq, 0.0);
    m_.assign(nq, 0.0);
    sums_.assign(static_cast<size_t>(medium_->count), excessSums());
  }

  bool active() const { return medium_ != nullptr; }

  void add(const double r1[3], const double r2[3], int contact, const double s[5]) {
    const int nq = static_cast<int>(n_.size());
    projectCharges(medium_->xyz, nq, r1, r2, n_.data(), rod_ ? m_.data() : nullptr);
    // The grid position itself, not the table's entry: past the table's end (the wall's
    // orientations that are free everywhere) the table holds no position.
    const double pc = static_cast<double>(base_) + static_cast<double>(g_) * contact;
    double d[5];
    for (int k = 0; k < 5; ++k) d[k] = s[k] - ref_[k];
    for (int k = 0; k < medium_->count; ++k) {
      sums_[static_cast<size_t>(k)].add(
          medium_->models[k].excess(n_.data(), m_.data(), pc, medium_->pEnd), d);
    }
  }

  // The Saupe vector and electrostatic fraction of every potential from the steric sums.
  int finish(const double stericSum[5], double z0, long long n, double* S, double* fraction,
             Log& log) const {
    for (int k = 0; k < medium_->count; ++k) {
      const Status st = combineSaupe(stericSum, z0, sums_[static_cast<size_t>(k)], n, S + 5 * k,
                                     fraction != nullptr ? fraction + k : nullptr);
      if (!st.ok()) {
        log.write(st.message().c_str());
        return 1;
      }
    }
    return 0;
  }

 private:
  const chargedMedium* medium_;
  bool rod_;
  float base_, g_;
  double ref_[5];
  tvector<double> n_{TrackedAllocator<double>("charge projections")};
  tvector<double> m_{TrackedAllocator<double>("charge projections")};
  tvector<excessSums> sums_{TrackedAllocator<excessSums>("charge sums")};
};

// The set-up models of a charge-aware simulation with the charges centred as the atoms.
struct chargedField {
  tvector<electrostaticModel> models{TrackedAllocator<electrostaticModel>("electrostatics")};
  tvector<double> xyz{TrackedAllocator<double>("charge positions")};
  chargedMedium medium;
};

// The potentials' models, on the cell that the steric weights cover: up to the wall half-spacing,
// or up to the rod's cell width. Returns false after the model's error line.
bool setupCharges(const korvaInfo& info, const chargeInput& in, const double origin[3],
                  chargedField* out, Log& log) {
  out->xyz.resize(3 * static_cast<size_t>(in.ncharges));
  double farthest = 0.0;
  for (size_t j = 0; j < static_cast<size_t>(in.ncharges); ++j) {
    double r2 = 0.0;
    for (int k = 0; k < 3; ++k) {
      const double v = in.xyz[3 * j + k] - origin[k];
      out->xyz[3 * j + k] = v;
      r2 += v * v;
    }
    farthest = std::max(farthest, std::sqrt(r2));
  }
  const bool rod = info.lcModel == kModelRod;
  const double pEnd = rod ? rodCellWidth(info.rM, info.wv) : info.wallHalfSpacing;
  out->models.resize(static_cast<size_t>(in.count));
  for (int k = 0; k < in.count; ++k) {
    elecParams params;
    params.model = info.lcModel;
    params.y0 = in.y0[k];
    params.debye = in.debye;
    params.rM = info.rM;
    params.g = info.dGrid;
    const Status st =
        out->models[static_cast<size_t>(k)].setup(params, in.q, in.ncharges, pEnd + farthest);
    if (!st.ok()) {
      log.write(st.message().c_str());
      return false;
    }
  }
  out->medium = {out->models.data(), in.count, out->xyz.data(), pEnd};
  return true;
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

int stericAlignment(int model, float h, float rM, float rA, float g, float c, int natoms,
                    const double* x, const double* y, const double* z, double rOuter, double rInner,
                    int npsi, int ndots, const double* points, double S[5], Log& log,
                    const chargedMedium* medium, double* fraction) {
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

  orientationFrames frames(npsi);
  double ref[5];
  isotropicReference(ndots, points, frames, ref);

  const size_t slots = static_cast<size_t>(ntot) + 2;
  tvector<double> count(slots, 0.0, TrackedAllocator<double>("steric counts"));
  tvector<double> acc(5 * slots, 0.0, TrackedAllocator<double>("steric accumulators"));
  tvector<float> threshold(TrackedAllocator<float>("steric thresholds"));
  rodScratch rod;
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
    blocked.assign(padded, 1);
    freeSums.assign(6 * padded, 0.0);
  }
  const double contact = static_cast<double>(rM) + rA;
  chargeHook charges(medium, model, pos[0], g, ref);

  for (int d = 0; d < ndots; ++d) {
    log.progress("orientations", static_cast<long>(d) * npsi, n);
    frames.atPoint(&points[3 * d]);
    // The wall takes the turns of a point a batch at a time, in one pass over the atoms each.
    const int step = model == kModelWall ? kWallBatch : 1;
    for (int k0 = 0; k0 < npsi; k0 += step) {
      const int batch = std::min(step, npsi - k0);
      double s[kWallBatch][5], rows[kWallBatch][3], r2[kWallBatch][3];
      for (int b = 0; b < batch; ++b) {
        double ex[3], ey[3], ez[3], r3[3];
        frames.frame(k0 + b, ex, ey, ez);
        contribution(ex, ey, ez, s[b]);
        frames.rows(k0 + b, rows[b], r2[b], r3);
      }
      if (model == kModelWall) {
        float lowest[kWallBatch];
        lowestProjections(&rows[0][0], batch, x + 1, y + 1, z + 1, natoms, lowest);
        for (int b = 0; b < batch; ++b) {
          const int first = wallFirstFree(&lowest[b], 1, threshold.data(), npos);
          // Free from `first` on: record the orientation once; prefix sums spread it later.
          count[first] += 1.0;
          for (int m = 0; m < 5; ++m) acc[5 * static_cast<size_t>(first) + m] += s[b][m];
          if (charges.active()) charges.add(rows[b], r2[b], first, s[b]);
        }
      } else {
        const rodDecision decision =
            rodOrientation(rows[0], r2[0], x + 1, y + 1, z + 1, natoms, pos.data(), npos, contact,
                           &rod, blocked.data());
        addFreeOrientation(blocked.data(), decision, padded, s[0], freeSums.data());
        for (int m = 0; m < 5; ++m) tailSum[m] += s[0][m];
        // The contact index: the first position after the last blocked one.
        if (charges.active()) charges.add(rows[0], r2[0], decision.lastBlocked + 1, s[0]);
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
  if (charges.active()) return charges.finish(sum, normaliser, n, S, fraction, log);
  for (int m = 0; m < 5; ++m) S[m] = sum[m] / normaliser;
  return 0;
}

int simulateAlignment(const korvaInfo* info, int natoms, double* x, double* y, double* z, int ndots,
                      const double* points, double S[5], Log& log, const chargeInput* charges,
                      double* fraction) {
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
  const double origin[3] = {mx, my, mz};
  chargedField field;
  if (charges != nullptr && charges->count > 0) {
    // The medium's own check first: its message is clearer than the potential's would be.
    if (!checkParameters(info->lcModel, info->wallHalfSpacing, info->rM, info->rA, info->dGrid,
                         info->wv, natoms, info->digPsi, ndots, points, log) ||
        !setupCharges(*info, *charges, origin, &field, log)) {
      log.printf("simulateAlignment: error in stericAlignment.\n");
      return 1;
    }
  }
  const int status =
      stericAlignment(info->lcModel, info->wallHalfSpacing, info->rM, info->rA, info->dGrid,
                      info->wv, natoms, x, y, z, rOuter, rInner, info->digPsi, ndots, points, S,
                      log, field.medium.count > 0 ? &field.medium : nullptr, fraction);
  if (status) {
    log.printf("simulateAlignment: error in stericAlignment.\n");
    return status;
  }
  const int vectors = field.medium.count > 0 ? field.medium.count : 1;
  for (int m = 0; m < 5 * vectors; ++m) S[m] *= info->lcS;
  return 0;
}

}  // namespace korva
