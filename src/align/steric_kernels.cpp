// Per-orientation kernels of the steric simulation, written once on lanes of doubles and built
// for two lanes (SSE2, every x86-64) and four (AVX2, where the processor has it). Every lane
// computes what the scalar expressions compute, so the two builds decide alike.
#include "align/steric_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#if defined(__x86_64__)
#include <immintrin.h>  // declares the conversion builtin below
#endif

namespace korva {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kInfinityF = std::numeric_limits<float>::infinity();
constexpr int kTakenAtOnce = 16;  // rod atoms found beyond the front before it is measured again

// Two or four doubles, and as many floats. Such values live only inside the always-inlined
// functions below, never passed or returned across a call, so the calling convention does not
// depend on the instruction set.
using Lanes2 = double __attribute__((vector_size(2 * sizeof(double))));
using Lanes4 = double __attribute__((vector_size(4 * sizeof(double))));
using Floats2 = float __attribute__((vector_size(2 * sizeof(float))));
using Floats4 = float __attribute__((vector_size(4 * sizeof(float))));

template <class V>
constexpr int kWidth = sizeof(V) / sizeof(double);
template <class V>
using FloatsOf = std::conditional_t<kWidth<V> == 2, Floats2, Floats4>;
template <class V>
using MaskOf = decltype(V{} < V{});

// Floats widened to doubles, lane by lane. GCC 12 splits the four-lane conversion into two
// halves and a merge; its builtin for the one instruction is used instead (the warning it draws,
// of a changed calling convention, concerns calls, and this one is always inlined).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
template <class V>
[[gnu::always_inline]] inline void widenLanes(V& d, const FloatsOf<V>& f) {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
  if constexpr (kWidth<V> == 4) {
    d = __builtin_ia32_cvtps2pd256(f);
  } else {
    d = __builtin_convertvector(f, V);
  }
#else
  d = __builtin_convertvector(f, V);
#endif
}
#pragma GCC diagnostic pop

// Floats from p widened to doubles; the result comes back through a reference.
template <class V>
[[gnu::always_inline]] inline void loadWide(V& v, const float* p) {
  FloatsOf<V> f;
  std::memcpy(&f, p, sizeof f);
  widenLanes(v, f);
}

template <class V>
[[gnu::always_inline]] inline bool allLanes(const MaskOf<V>& m) {
  if constexpr (kWidth<V> == 2) {
    return (m[0] & m[1]) != 0;
  } else {
    return ((m[0] & m[1]) & (m[2] & m[3])) != 0;
  }
}

template <class V>
[[gnu::always_inline]] inline bool anyLane(const MaskOf<V>& m) {
  if constexpr (kWidth<V> == 2) {
    return (m[0] | m[1]) != 0;
  } else {
    return ((m[0] | m[1]) | (m[2] | m[3])) != 0;
  }
}

template <class V>
[[gnu::always_inline]] inline double largestLane(const V& v) {
  double m = v[0];
  for (int l = 1; l < kWidth<V>; ++l) m = std::max(m, v[l]);
  return m;
}

// Lane by lane max(a, b) and |a|, as std::max and std::fabs give them.
// The lanes of a comparison of floats as bits (bit l for lane l).
template <class V, class Mask>
[[gnu::always_inline]] inline void floatLaneBits(int& bits, const Mask& m) {
#if defined(__x86_64__)
  if constexpr (kWidth<V> == 4) {
    using Sse = float __attribute__((vector_size(16)));
    bits = __builtin_ia32_movmskps(reinterpret_cast<const Sse&>(m));
    return;
  }
#endif
  bits = 0;
  for (int l = 0; l < kWidth<V>; ++l) bits |= m[l] != 0 ? 1 << l : 0;
}

// Lane-wise square root; results come back through a reference.
template <class V>
[[gnu::always_inline]] inline void sqrtLanes(V& r, const V& a) {
#pragma GCC unroll 4
  for (int l = 0; l < kWidth<V>; ++l) r[l] = std::sqrt(a[l]);
}

// projectOnRow on kWidth atoms at once, into acc.
template <class V>
[[gnu::always_inline]] inline void projectLanes(FloatsOf<V>& acc, const V r[3], const V& x,
                                                const V& y, const V& z) {
  using F = FloatsOf<V>;
  V wide;
  acc = __builtin_convertvector(r[0] * x, F);
  widenLanes(wide, acc);
  acc = __builtin_convertvector(wide + r[1] * y, F);
  widenLanes(wide, acc);
  acc = __builtin_convertvector(wide + r[2] * z, F);
}

// Projections of atoms 0..natoms-1 on the row r into p; returns the smallest, and an atom that
// has it in *nearest.
template <class V>
[[gnu::always_inline]] inline float projectRowWith(const double r[3], const double* x,
                                                   const double* y, const double* z, int natoms,
                                                   float* p, int* nearest) {
  constexpr int W = kWidth<V>;
  using F = FloatsOf<V>;
  using Index = decltype(F{} < F{});
  // The row in every lane, held apart from the output, which might otherwise overlap it.
  V a[3];
  for (int k = 0; k < 3; ++k) {
    for (int l = 0; l < W; ++l) a[k][l] = r[k];
  }
  F least;
  Index at, next;
  for (int l = 0; l < W; ++l) least[l] = kInfinityF, at[l] = -1, next[l] = l;
  int j = 0;
  for (; j + W <= natoms; j += W) {
    V vx, vy, vz;
    std::memcpy(&vx, x + j, sizeof vx);
    std::memcpy(&vy, y + j, sizeof vy);
    std::memcpy(&vz, z + j, sizeof vz);
    F u;
    projectLanes(u, a, vx, vy, vz);
    std::memcpy(p + j, &u, sizeof u);
    const Index lower = u < least;
    least = lower ? u : least;
    at = lower ? next : at;
    next += W;
  }
  float m = kInfinityF;
  *nearest = -1;
  for (int l = 0; l < W; ++l) {
    if (at[l] >= 0 && (*nearest < 0 || least[l] < m)) m = least[l], *nearest = at[l];
  }
  for (; j < natoms; ++j) {
    p[j] = projectOnRow(r, x[j], y[j], z[j]);
    if (*nearest < 0 || p[j] < m) m = p[j], *nearest = j;
  }
  return m;
}

// The smallest projection on each of K rows, kWidth atoms at a time: every lane keeps its own
// minimum, and the minimum of the lanes and of the atoms left over is the exact minimum.
template <class V, int K>
[[gnu::always_inline]] inline void lowestWith(const double* rows, const double* x, const double* y,
                                              const double* z, int natoms, float* lowest) {
  constexpr int W = kWidth<V>;
  using F = FloatsOf<V>;
  V r[K][3];
  for (int k = 0; k < K; ++k) {
    for (int c = 0; c < 3; ++c) {
      for (int l = 0; l < W; ++l) r[k][c][l] = rows[3 * k + c];
    }
  }
  F least[K];
  for (int k = 0; k < K; ++k) {
    for (int l = 0; l < W; ++l) least[k][l] = kInfinityF;
  }
  int j = 0;
  for (; j + W <= natoms; j += W) {
    V vx, vy, vz;
    std::memcpy(&vx, x + j, sizeof vx);
    std::memcpy(&vy, y + j, sizeof vy);
    std::memcpy(&vz, z + j, sizeof vz);
#pragma GCC unroll 4
    for (int k = 0; k < K; ++k) {
      F p;
      projectLanes(p, r[k], vx, vy, vz);
      least[k] = p < least[k] ? p : least[k];
    }
  }
  for (int k = 0; k < K; ++k) {
    float m = least[k][0];
    for (int l = 1; l < W; ++l) m = std::min(m, least[k][l]);
    for (int t = j; t < natoms; ++t) m = std::min(m, projectOnRow(rows + 3 * k, x[t], y[t], z[t]));
    lowest[k] = m;
  }
}

template <class V>
[[gnu::always_inline]] inline void lowestBatch(const double* rows, int count, const double* x,
                                               const double* y, const double* z, int natoms,
                                               float* lowest) {
  switch (count) {
    case 4:
      return lowestWith<V, 4>(rows, x, y, z, natoms, lowest);
    case 3:
      return lowestWith<V, 3>(rows, x, y, z, natoms, lowest);
    case 2:
      return lowestWith<V, 2>(rows, x, y, z, natoms, lowest);
    default:
      return lowestWith<V, 1>(rows, x, y, z, natoms, lowest);
  }
}

// floor and ceil of a grid coordinate clamped to -1..top: shifted to positive values, where
// truncation is floor, so no rounding-mode instruction is needed.
// The shift may round by one ulp; the margin of the runs is many times wider than that.
inline int floorOnGrid(double v, double top) {
  return static_cast<int>(std::clamp(v, -1.0, top) + 2.0) - 2;
}
inline int ceilOnGrid(double v, double top) {
  return -static_cast<int>(-std::clamp(v, -1.0, top) + top + 2.0) + static_cast<int>(top) + 2;
}

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
  double halfMax;    // the largest half width, of y' = 0, in grid units
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

// What the pass over the atoms found: the furthest ends of the runs that begin at or before
// position 0 (certain ones, and possible ones), and the first atoms of the lane groups that hold
// a run beginning inside the grid.
struct RodFront {
  double sureEnd, maybeEnd;
  int late;  // entries of the late list
};

// The pass over the atoms, kWidth at a time; the last group padded with atoms infinitely far
// across the director, which reach nothing. Most atoms need no closed form: the run of an atom
// ends before hiUB = mid + halfMax, so one whose hiUB lies before the grid, whose run begins
// beyond it, or whose hiUB does not pass the certain front of its lane so far leaves every
// decision as it is (what it could block lies inside the certain or the possible front, where
// the distance test decides). The others take the closed form of rodRun, lane by lane alike.
template <class V>
[[gnu::always_inline]] inline RodFront rodFrontWith(const RodGrid& grid, const RodAtomTerms& terms,
                                                    const float* xp, const float* yp, int natoms,
                                                    int* lateList) {
  constexpr int W = kWidth<V>;
  V sureTop = V{} - kInfinity, maybeTop = V{} - kInfinity;
  int late = 0;
  for (int j = 0; j < natoms; j += W) {
    V x, y;
    if (j + W <= natoms) {
      loadWide(x, xp + j);
      loadWide(y, yp + j);
    } else {
      float px[W], py[W];
      for (int l = 0; l < W; ++l) {
        px[l] = j + l < natoms ? xp[j + l] : 0.0f;
        py[l] = j + l < natoms ? yp[j + l] : kInfinityF;
      }
      loadWide(x, px);
      loadWide(y, py);
    }
    const V mid = (-x - grid.p0) * grid.inv;
    const V hiUB = mid + terms.halfMax;
    const V ay = y < 0.0 ? -y : y;  // std::fabs
    const auto skip = (hiUB <= sureTop) | (hiUB + grid.margin < 0.0) |
                      (mid - terms.halfMax - grid.margin > grid.top) | (ay > terms.beyond);
    if (allLanes<V>(skip)) continue;
    const V rest = terms.contactSq - y * y;
    V root;
    sqrtLanes(root, rest < 0.0 ? V{} : rest);
    const V half = root * grid.inv;
    const V lo = ay <= terms.beyond ? mid - half : V{} + kInfinity;
    const V firmLo = half >= terms.firmHalf * grid.inv ? lo : V{} + kInfinity;
    const V hi = mid + half;
    // std::max, lane by lane: the larger, or the first of equals.
    const V maybe = lo - grid.margin <= 0.0 ? hi : V{} - kInfinity;
    const V sure = firmLo + grid.margin <= 0.0 ? hi : V{} - kInfinity;
    maybeTop = maybeTop < maybe ? maybe : maybeTop;
    sureTop = sureTop < sure ? sure : sureTop;
    if (anyLane<V>((lo + grid.margin > 0.0) & (lo - grid.margin <= grid.top))) lateList[late++] = j;
  }
  return {largestLane(sureTop), largestLane(maybeTop), late};
}

// The atoms from `from` on with a projection at or below cut, kWidth at a time: their indices
// go to list. Returns how many; stops at the end of the first group that brings the count to
// room or beyond (list holds room + kWidth entries), leaving *from where it stopped.
template <class V>
[[gnu::always_inline]] inline int atOrBelowWith(const float* xp, int natoms, float cut, int* from,
                                                int* list, int room) {
  constexpr int W = kWidth<V>;
  using F = FloatsOf<V>;
  F c;
  for (int l = 0; l < W; ++l) c[l] = cut;
  int n = 0, j = *from;
  for (; j + W <= natoms && n < room; j += W) {
    F x;
    std::memcpy(&x, xp + j, sizeof x);
    int bits;
    floatLaneBits<V>(bits, x <= c);
    for (; bits != 0; bits &= bits - 1) list[n++] = j + __builtin_ctz(bits);
  }
  for (; j < natoms && n < room; ++j) {
    if (xp[j] <= cut) list[n++] = j;
  }
  *from = j;
  return n;
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] float projectRowAvx2(const double r[3], const double* x, const double* y,
                                             const double* z, int natoms, float* p, int* nearest) {
  return projectRowWith<Lanes4>(r, x, y, z, natoms, p, nearest);
}
[[gnu::target("avx2")]] int atOrBelowAvx2(const float* xp, int natoms, float cut, int* from,
                                          int* list, int room) {
  return atOrBelowWith<Lanes4>(xp, natoms, cut, from, list, room);
}
[[gnu::target("avx2")]] void lowestAvx2(const double* rows, int count, const double* x,
                                        const double* y, const double* z, int natoms,
                                        float* lowest) {
  lowestBatch<Lanes4>(rows, count, x, y, z, natoms, lowest);
}
[[gnu::target("avx2")]] RodFront rodFrontAvx2(const RodGrid& grid, const RodAtomTerms& terms,
                                              const float* xp, const float* yp, int natoms,
                                              int* lateList) {
  return rodFrontWith<Lanes4>(grid, terms, xp, yp, natoms, lateList);
}
#endif

// Four lanes where the processor has them (AVX2), else two (every x86-64 has SSE2).
bool fourLanes() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

float projectRow(const double r[3], const double* x, const double* y, const double* z, int natoms,
                 float* p, int* nearest) {
#if defined(__x86_64__)
  if (fourLanes()) return projectRowAvx2(r, x, y, z, natoms, p, nearest);
#endif
  return projectRowWith<Lanes2>(r, x, y, z, natoms, p, nearest);
}

int atOrBelow(const float* xp, int natoms, float cut, int* from, int* list, int room) {
#if defined(__x86_64__)
  if (fourLanes()) return atOrBelowAvx2(xp, natoms, cut, from, list, room);
#endif
  return atOrBelowWith<Lanes2>(xp, natoms, cut, from, list, room);
}

// The largest float x whose run may end beyond front: hiUB(x) = (-x - p0) inv + halfMax > front,
// formed as the lanes form it. Every step of hiUB rounds monotonically and x enters negated, so
// hiUB does not increase with x and the atoms it keeps are exactly those at or below the cut;
// the estimate from the inverse is moved a float step at a time until it is the boundary. -inf
// when no x qualifies.
float frontCut(const RodGrid& grid, const RodAtomTerms& terms, double front) {
  const auto keeps = [&](float x) {
    return (-static_cast<double>(x) - grid.p0) * grid.inv + terms.halfMax > front;
  };
  float cut = static_cast<float>(-((front - terms.halfMax) / grid.inv + grid.p0));
  if (!std::isfinite(cut)) cut = cut > 0.0f ? std::numeric_limits<float>::max() : -kInfinityF;
  if (!std::isfinite(cut)) return keeps(-std::numeric_limits<float>::max()) ? cut : -kInfinityF;
  while (!keeps(cut) && cut > -std::numeric_limits<float>::max()) {
    cut = std::nextafter(cut, -kInfinityF);
  }
  if (!keeps(cut)) return -kInfinityF;
  while (cut < std::numeric_limits<float>::max() && keeps(std::nextafter(cut, kInfinityF))) {
    cut = std::nextafter(cut, kInfinityF);
  }
  return cut;
}

RodFront rodFront(const RodGrid& grid, const RodAtomTerms& terms, const float* xp, const float* yp,
                  int natoms, int* lateList) {
#if defined(__x86_64__)
  if (fourLanes()) return rodFrontAvx2(grid, terms, xp, yp, natoms, lateList);
#endif
  return rodFrontWith<Lanes2>(grid, terms, xp, yp, natoms, lateList);
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

// Where the y' projections come from: given whole, or projected atom by atom as the rod pass
// asks for them (most atoms need none), and whole only when some position must be tested.
class rodYs {
 public:
  explicit rodYs(const float* given) : given_(given) {}
  rodYs(const double r[3], const double* x, const double* y, const double* z, tvector<float>* p)
      : row_(r), x_(x), y_(y), z_(z), buffer_(p) {}

  float at(int j) const {
    return given_ != nullptr ? given_[j] : projectOnRow(row_, x_[j], y_[j], z_[j]);
  }
  const float* all(int natoms) {
    if (given_ == nullptr) {
      if (buffer_->size() < static_cast<size_t>(natoms)) buffer_->resize(natoms);
      int nearest;
      projectRow(row_, x_, y_, z_, natoms, buffer_->data(), &nearest);
      given_ = buffer_->data();
    }
    return given_;
  }

 private:
  const float* given_ = nullptr;
  const double* row_ = nullptr;
  const double *x_ = nullptr, *y_ = nullptr, *z_ = nullptr;
  tvector<float>* buffer_ = nullptr;
};

// The blocked positions of one orientation from the x' projections (nearest an atom with the
// smallest, -1 for none) and
// the y' projections as needed. The front of the runs that begin at or before position 0 is
// first measured on the atom nearest the rod, whose run covers position 0 for certain in the
// usual case; then only atoms whose run could end beyond the front so far are taken, the front
// growing as they come. When that atom gives no certain front, every atom is taken, on lanes.
rodDecision rodBlockedFrom(const float* xp, int nearest, int natoms, rodYs& ys, const float* pos,
                           int npos, double contact, tvector<int>* scratch, int* blocked) {
  if (npos < 0) return {0, -1};
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
  const double contactSq = contact * contact;
  const RodAtomTerms terms{contactSq, contact * (1.0 + 1e-12), 1e-4 * contact,
                           std::sqrt(std::max(contactSq, 0.0)) * grid.inv};

  const size_t span = static_cast<size_t>(npos) + 1;
  const size_t listed = static_cast<size_t>(natoms) + kTakenAtOnce + 8;
  if (scratch->size() < 2 * span + listed) scratch->resize(2 * span + listed);
  int* sureReach = scratch->data();
  int* maybeReach = sureReach + span;
  int* list = maybeReach + span;

  double sureEnd = -kInfinity, maybeEnd = -kInfinity;
  bool anyLate = false;
  // A run that begins inside the grid goes to the reach tables.
  const auto addLate = [&](const RodRun& run) {
    if (!(run.lo + grid.margin > 0.0 && run.lo - grid.margin <= grid.top)) return;
    if (!anyLate) std::fill_n(sureReach, 2 * span, -1);
    anyLate = true;
    addRun(grid, run, sureReach, maybeReach);
  };
  // One atom's run: its end raises the fronts when it begins at or before position 0.
  const auto take = [&](double x, double y) {
    const RodRun run = rodRun(grid, terms, x, y);
    if (run.lo - grid.margin <= 0.0) maybeEnd = std::max(maybeEnd, run.hi);
    if (run.firmLo + grid.margin <= 0.0) sureEnd = std::max(sureEnd, run.hi);
    addLate(run);
  };
  if (nearest >= 0) take(xp[nearest], ys.at(nearest));
  if (sureEnd > -kInfinity) {
    // The run of an atom ends before its hiUB, so one whose hiUB does not pass the certain front
    // can block only positions inside the possible front, where the distance test decides. The
    // atoms are taken a few at a time, so that the front they raise narrows the search.
    for (int from = 0; from < natoms;) {
      const double front = sureEnd;
      const int n = atOrBelow(xp, natoms, frontCut(grid, terms, front), &from, list, kTakenAtOnce);
      for (int c = 0; c < n; ++c) take(xp[list[c]], ys.at(list[c]));
    }
  } else {
    const float* yp = ys.all(natoms);
    const RodFront front = rodFront(grid, terms, xp, yp, natoms, list);
    sureEnd = std::max(sureEnd, front.sureEnd);
    maybeEnd = std::max(maybeEnd, front.maybeEnd);
    // Groups with a run that begins inside the grid: their runs again, one atom at a time.
    const int width = fourLanes() ? 4 : 2;
    for (int g = 0; g < front.late; ++g) {
      const int end = std::min(list[g] + width, natoms);
      for (int j = list[g]; j < end; ++j) addLate(rodRun(grid, terms, xp[j], yp[j]));
    }
  }

  // The runs that cover position 0 merge into one run from 0 to the furthest of their ends.
  int sureCover = std::min(floorOnGrid(sureEnd - grid.margin, grid.top), npos);
  int maybeCover = std::min(floorOnGrid(maybeEnd + grid.margin, grid.top), npos);
  if (!anyLate && maybeCover <= sureCover) {
    // Nothing left to test: the blocked positions are a prefix.
    std::fill_n(blocked, sureCover + 1, 1);
    std::fill_n(blocked + sureCover + 1, npos - sureCover, 0);
    return {sureCover + 1, sureCover};
  }
  const float* yp = ys.all(natoms);
  const auto touchesAny = [&](int i) {
    for (int k = 0; k < natoms; ++k) {
      if (rodTouches(pos[i], xp[k], yp[k], contact)) return 1;
    }
    return 0;
  };
  rodDecision decision{npos + 1, -1};
  for (int i = 0; i <= npos; ++i) {
    if (anyLate) {
      sureCover = std::max(sureCover, sureReach[i]);
      maybeCover = std::max(maybeCover, maybeReach[i]);
    }
    // Within rounding of some run's end and inside no certain run: decide by the test itself.
    blocked[i] = i <= sureCover ? 1 : i <= maybeCover ? touchesAny(i) : 0;
    if (blocked[i] == 0 && decision.firstFree > npos) decision.firstFree = i;
    if (blocked[i] != 0) decision.lastBlocked = i;
  }
  return decision;
}

}  // namespace

void lowestProjections(const double* rows, int count, const double* x, const double* y,
                       const double* z, int natoms, float* lowest) {
#if defined(__x86_64__)
  if (fourLanes()) return lowestAvx2(rows, count, x, y, z, natoms, lowest);
#endif
  lowestBatch<Lanes2>(rows, count, x, y, z, natoms, lowest);
}

rodDecision rodBlocked(const float* xp, const float* yp, int natoms, const float* pos, int npos,
                       double contact, tvector<int>* scratch, int* blocked) {
  rodYs ys(yp);
  const int nearest = natoms > 0 ? static_cast<int>(std::min_element(xp, xp + natoms) - xp) : -1;
  return rodBlockedFrom(xp, nearest, natoms, ys, pos, npos, contact, scratch, blocked);
}

rodDecision rodOrientation(const double r1[3], const double r2[3], const double* x, const double* y,
                           const double* z, int natoms, const float* pos, int npos, double contact,
                           rodScratch* scratch, int* blocked) {
  if (scratch->xp.size() < static_cast<size_t>(natoms)) scratch->xp.resize(natoms);
  int nearest;
  projectRow(r1, x, y, z, natoms, scratch->xp.data(), &nearest);
  rodYs ys(r2, x, y, z, &scratch->yp);
  return rodBlockedFrom(scratch->xp.data(), nearest, natoms, ys, pos, npos, contact,
                        &scratch->reach, blocked);
}

}  // namespace korva
