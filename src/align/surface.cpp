// Double cubic lattice surface computation: spheres binned into a cell list, unit-sphere dots
// placed on each sphere and tested against the sphere's neighbours.
#include "align/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "align/dots.h"

namespace korva {

namespace {

constexpr double kFourPi = 12.566370614359172;
constexpr double kFourPiExposure = 12.5663706;  // the bare-sphere area of the exposure ratio
constexpr float kRadiusCarbon = 1.9f;
constexpr float kRadiusNitrogen = 1.8f;
constexpr float kRadiusOther = 1.4f;
constexpr double kFreeFormatRadius = 3.1;  // 1.7 plus the probe
// Neighbours are tested this many at a time: a chunk is a few vector instructions without a
// branch, and one branch per chunk decides whether any of them buries the dot.
constexpr int kChunk = 8;
// The plane of a padding entry: no unit dot lies beyond it, so padding never buries.
constexpr double kNeverBuries = 1e300;
// Cubes searched on each side of an atom's cube, and the relative slack of the cube edge.
constexpr int kCellReach = 2;
constexpr double kCellSlack = 1e-6;
// Dots tested at once against the neighbours that buried the latest dots, and how many of those.
constexpr int kQuad = 4;
constexpr int kRecent = 4;
// Neighbours whose cap is wider than 60 degrees (a_j/|d_j| below this) are tested first.
constexpr double kWideCap = 0.5;

// Atoms binned into cubes of edge a little over the largest radius: every pair of overlapping
// spheres, at most two radii apart, then lies within two cubes of each other along every axis.
// The atoms' data are copied cube by cube, so that the five cubes of a row of the 5 x 5 x 5 block
// around an atom are one contiguous run.
struct CellList {
  double origin[3] = {0.0, 0.0, 0.0};
  double edge = 1.0;
  int dim[3] = {1, 1, 1};
  tvector<int> start{TrackedAllocator<int>("nsc cells")};  // first entry of each cube
  tvector<int> atom{TrackedAllocator<int>("nsc cells")};   // atom index of each entry
  tvector<double> x{TrackedAllocator<double>("nsc cells")}, y{x.get_allocator()},
      z{x.get_allocator()}, r{x.get_allocator()};  // centre and radius of each entry
};

int cellOf(const CellList& cl, const double* c, int axis) {
  const int k = static_cast<int>((c[axis] - cl.origin[axis]) / cl.edge);
  return std::clamp(k, 0, cl.dim[axis] - 1);
}

void buildCellList(const double* centres, const double* radii, int nat, double maxRadius,
                   CellList* cl) {
  double hi[3];
  for (int a = 0; a < 3; ++a) cl->origin[a] = hi[a] = centres[a];
  for (int i = 1; i < nat; ++i) {
    for (int a = 0; a < 3; ++a) {
      cl->origin[a] = std::min(cl->origin[a], centres[3 * i + a]);
      hi[a] = std::max(hi[a], centres[3 * i + a]);
    }
  }
  // A sparse set (atoms far apart) would need a huge lattice: widen the cubes until the lattice
  // holds a few cubes per atom. Wider cubes still hold every overlapping pair. The slack keeps a
  // pair exactly two radii apart within reach whatever the rounding of the cube indices.
  const double maxCells = 64.0 * nat + 4096.0;
  cl->edge = std::max(maxRadius * (1.0 + kCellSlack), 1e-6);
  double d[3];
  for (;;) {
    for (int a = 0; a < 3; ++a) d[a] = std::floor((hi[a] - cl->origin[a]) / cl->edge) + 1.0;
    if (d[0] * d[1] * d[2] <= maxCells) break;
    cl->edge *= 2.0;
  }
  for (int a = 0; a < 3; ++a) cl->dim[a] = static_cast<int>(d[a]);
  const size_t ncell = static_cast<size_t>(cl->dim[0]) * cl->dim[1] * cl->dim[2];
  const size_t n = static_cast<size_t>(nat);
  cl->start.assign(ncell + 1, 0);
  tvector<int> cellIndex(n, 0, TrackedAllocator<int>("nsc cells"));
  for (size_t i = 0; i < n; ++i) {
    const double* c = &centres[3 * i];
    cellIndex[i] =
        cellOf(*cl, c, 0) + cl->dim[0] * (cellOf(*cl, c, 1) + cl->dim[1] * cellOf(*cl, c, 2));
    ++cl->start[cellIndex[i] + 1];
  }
  for (size_t k = 0; k < ncell; ++k) cl->start[k + 1] += cl->start[k];
  tvector<int> fill(cl->start.begin(), cl->start.end() - 1, TrackedAllocator<int>("nsc cells"));
  cl->atom.assign(n, 0);
  cl->x.assign(n, 0.0);
  cl->y.assign(n, 0.0);
  cl->z.assign(n, 0.0);
  cl->r.assign(n, 0.0);
  for (size_t i = 0; i < n; ++i) {
    const int s = fill[cellIndex[i]]++;
    cl->atom[s] = static_cast<int>(i);
    cl->x[s] = centres[3 * i];
    cl->y[s] = centres[3 * i + 1];
    cl->z[s] = centres[3 * i + 2];
    cl->r[s] = radii[i];
  }
}

// Squared distance from c to the interval [lo, lo + edge] along one axis.
inline double gapSq(double c, double lo, double edge) {
  const double g = std::max({lo - c, c - (lo + edge), 0.0});
  return g * g;
}

// The unit dots by coordinate, padded with zeros to a whole number of groups of four.
struct UnitDots {
  int n = 0;
  tvector<double> x{TrackedAllocator<double>("nsc dots")}, y{x.get_allocator()},
      z{x.get_allocator()};
};

// The neighbours of the current atom i by coordinate: offset d_j = c_j - c_i and the plane a_j
// beyond which a dot direction u lies inside sphere j (u.d_j > a_j). Padded with entries that bury
// nothing up to a whole number of chunks.
struct Neighbours {
  int n = 0;       // real neighbours
  int padded = 0;  // n rounded up to a whole number of chunks
  tvector<double> dx{TrackedAllocator<double>("nsc neighbours")}, dy{dx.get_allocator()},
      dz{dx.get_allocator()}, a{dx.get_allocator()};
  // Room for the arrays above while the planes are computed.
  tvector<double> nx{dx.get_allocator()}, ny{dx.get_allocator()}, nz{dx.get_allocator()},
      na{dx.get_allocator()};
};

// Collects the spheres that overlap sphere i (centre ci, radius ri, maxRadius the largest of
// all): squared distance at most (ri + rj)^2, every other atom of the 5 x 5 x 5 cubes around it
// that lie within ri + maxRadius.
void collectNeighbours(const CellList& cl, int i, const double* ci, double ri, double maxRadius,
                       Neighbours* nb) {
  const int cx = cellOf(cl, ci, 0), cy = cellOf(cl, ci, 1), cz = cellOf(cl, ci, 2);
  const int x0 = std::max(cx - kCellReach, 0), x1 = std::min(cx + kCellReach, cl.dim[0] - 1);
  const double reachMax = ri + maxRadius;
  int n = 0;
  for (int kz = std::max(cz - kCellReach, 0); kz <= std::min(cz + kCellReach, cl.dim[2] - 1);
       ++kz) {
    const double gz = gapSq(ci[2], cl.origin[2] + kz * cl.edge, cl.edge);
    for (int ky = std::max(cy - kCellReach, 0); ky <= std::min(cy + kCellReach, cl.dim[1] - 1);
         ++ky) {
      // A row whose cubes all lie beyond reach in y and z holds no neighbour; with the slack of
      // the cube edge the test only skips rows that are clearly out.
      if (gz + gapSq(ci[1], cl.origin[1] + ky * cl.edge, cl.edge) >
          reachMax * reachMax * (1.0 + kCellSlack)) {
        continue;
      }
      const int row = cl.dim[0] * (ky + cl.dim[1] * kz);
      const int s0 = cl.start[row + x0], s1 = cl.start[row + x1 + 1];
      if (nb->dx.size() < static_cast<size_t>(n + s1 - s0 + kChunk)) {
        const size_t room = 2 * static_cast<size_t>(n + s1 - s0 + kChunk);
        nb->dx.resize(room), nb->dy.resize(room), nb->dz.resize(room), nb->a.resize(room);
      }
      double* dx = nb->dx.data();
      double* dy = nb->dy.data();
      double* dz = nb->dz.data();
      double* a = nb->a.data();
      for (int s = s0; s < s1; ++s) {
        // Written before the decision and kept by advancing n: no branch per candidate. The radius
        // waits in a until the plane is computed for the neighbours kept.
        const double ex = cl.x[s] - ci[0], ey = cl.y[s] - ci[1], ez = cl.z[s] - ci[2];
        const double d2 = ex * ex + ey * ey + ez * ez;
        const double reach = ri + cl.r[s];
        dx[n] = ex, dy[n] = ey, dz[n] = ez, a[n] = cl.r[s];
        n += (d2 <= reach * reach) & (cl.atom[s] != i);
      }
    }
  }
  // The planes, with the neighbours of wide caps (a_j/|d_j| below kWideCap, the cosine of the
  // cap's half angle) put first: a dot that the recent neighbours leave free is then mostly buried
  // within the first chunk. Each neighbour goes to the front or the back without a branch.
  const size_t room = nb->dx.size();
  if (nb->nx.size() < room)
    nb->nx.resize(room), nb->ny.resize(room), nb->nz.resize(room), nb->na.resize(room);
  int front = 0, back = n - 1;
  for (int j = 0; j < n; ++j) {
    const double ex = nb->dx[j], ey = nb->dy[j], ez = nb->dz[j], rj = nb->a[j];
    const double d2 = ex * ex + ey * ey + ez * ez;
    const double a = (d2 + ri * ri - rj * rj) / (2.0 * ri);
    const bool wide = a < 0.0 || a * a < kWideCap * kWideCap * d2;
    const int at = wide ? front : back;
    front += wide ? 1 : 0;
    back -= wide ? 0 : 1;
    nb->nx[at] = ex, nb->ny[at] = ey, nb->nz[at] = ez, nb->na[at] = a;
  }
  nb->dx.swap(nb->nx), nb->dy.swap(nb->ny), nb->dz.swap(nb->nz), nb->a.swap(nb->na);
  nb->n = n;
  nb->padded = (n + kChunk - 1) / kChunk * kChunk;
  for (int j = n; j < nb->padded; ++j) {
    nb->dx[j] = nb->dy[j] = nb->dz[j] = 0.0;
    nb->a[j] = kNeverBuries;
  }
}

// Two or four doubles: one coordinate of that many neighbours or dots. Such values live only
// inside the always-inlined functions below, never passed or returned by value, so the calling
// convention does not depend on the instruction set.
using Lanes2 = double __attribute__((vector_size(2 * sizeof(double))));
using Lanes4 = double __attribute__((vector_size(4 * sizeof(double))));

template <class V>
constexpr int kWidth = sizeof(V) / sizeof(double);

// Loads lanes from p; the result comes back through a reference, which the calling convention
// does not see.
template <class V>
[[gnu::always_inline]] inline const V& loadLanes(V& v, const double* p) {
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

// The lanes of a comparison as bits, read from the register.
template <class V, class Mask>
[[gnu::always_inline]] inline int laneBits(const Mask& m) {
  if constexpr (kWidth<V> == 2) {
    return static_cast<int>((m[0] & 1) | (m[1] & 2));
  } else {
    return static_cast<int>((m[0] & 1) | (m[1] & 2) | (m[2] & 4) | (m[3] & 8));
  }
}

// True when any lane of a comparison holds.
template <class V, class Mask>
[[gnu::always_inline]] inline bool anyLane(const Mask& m) {
  if constexpr (kWidth<V> == 2) {
    return (m[0] | m[1]) != 0;
  } else {
    return ((m[0] | m[1]) | (m[2] | m[3])) != 0;
  }
}

// True when dot v lies inside a neighbour: the neighbours are tested a chunk at a time, and
// *last becomes one that buries the dot.
template <class V>
[[gnu::always_inline]] inline bool buriedByAny(const Neighbours& nb, double vx, double vy,
                                               double vz, int* last) {
  constexpr int kPerChunk = kChunk / kWidth<V>;
  using Mask = decltype(V{} > V{});
  for (int j0 = 0; j0 < nb.padded; j0 += kChunk) {
    Mask m[kPerChunk];
#pragma GCC unroll 4
    for (int v = 0; v < kPerChunk; ++v) {
      const int j = j0 + v * kWidth<V>;
      V x, y, z, a;
      m[v] = vx * loadLanes(x, &nb.dx[j]) + vy * loadLanes(y, &nb.dy[j]) +
                 vz * loadLanes(z, &nb.dz[j]) >
             loadLanes(a, &nb.a[j]);
    }
    Mask any = m[0];
#pragma GCC unroll 4
    for (int v = 1; v < kPerChunk; ++v) any |= m[v];
    if (!anyLane<V>(any)) continue;
    int bits = 0;
#pragma GCC unroll 4
    for (int v = 0; v < kPerChunk; ++v) bits |= laneBits<V>(m[v]) << (v * kWidth<V>);
    *last = j0 + __builtin_ctz(bits);
    return true;
  }
  return false;
}

// Tests the dots of the current atom in order and marks each in freeMark (1 free, 0 buried);
// returns the number of free dots. Stops, leaving the rest unmarked, once a group of four dots
// brings the count of free dots to need or that of buried ones above buriedAllowed. A dot u is
// buried when u.d_j > a_j for some neighbour j. The neighbour that buried the previous dot is
// tried first, on four dots at once (the dots come cube by cube, so neighbouring dots tend to
// share it); each dot that it leaves free is then tested against the neighbours a chunk at a
// time. Every lane computes the same products and sums in the same order as a scalar test, so the
// decision is the same.
template <class V>
[[gnu::always_inline]] inline int markFreeDotsWith(const Neighbours& nb, const UnitDots& u,
                                                   int need, int buriedAllowed, char* freeMark) {
  constexpr int kPerQuad = kQuad / kWidth<V>;
  if (nb.n == 0) {
    const int all = std::min(u.n, need);
    for (int k = 0; k < all; ++k) freeMark[k] = 1;
    return all;
  }
  // The neighbours that buried the latest dots, most recent first.
  int recent[kRecent];
  for (int r = 0; r < kRecent; ++r) recent[r] = std::min(r, nb.n - 1);
  int freeDots = 0, buried = 0;
  for (int k0 = 0; k0 < u.n; k0 += kQuad) {
    using Mask = decltype(V{} > V{});
    Mask byRecent[kPerQuad];
    Mask all = ~Mask{};
#pragma GCC unroll 4
    for (int v = 0; v < kPerQuad; ++v) {
      const int k = k0 + v * kWidth<V>;
      V x, y, z;
      loadLanes(x, &u.x[k]), loadLanes(y, &u.y[k]), loadLanes(z, &u.z[k]);
      byRecent[v] = Mask{};
#pragma GCC unroll 4
      for (int r = 0; r < kRecent; ++r) {
        const int j = recent[r];
        byRecent[v] |= x * nb.dx[j] + y * nb.dy[j] + z * nb.dz[j] > nb.a[j];
      }
      all &= byRecent[v];
    }
    const int lanes = std::min(kQuad, u.n - k0);
    if (lanes == kQuad && !anyLane<V>(~all)) {
      __builtin_memset(freeMark + k0, 0, kQuad);
      buried += kQuad;
      if (buried > buriedAllowed) break;
      continue;
    }
    int inside = 0;
#pragma GCC unroll 4
    for (int v = 0; v < kPerQuad; ++v) inside |= laneBits<V>(byRecent[v]) << (v * kWidth<V>);
    for (int lane = 0; lane < lanes; ++lane) {
      const int k = k0 + lane;
      int hit = recent[0];
      const bool in = (inside >> lane & 1) || buriedByAny<V>(nb, u.x[k], u.y[k], u.z[k], &hit);
      if (hit != recent[0]) {
        for (int r = kRecent - 1; r > 0; --r) recent[r] = recent[r - 1];
        recent[0] = hit;
      }
      freeMark[k] = in ? 0 : 1;
      buried += in ? 1 : 0;
      freeDots += in ? 0 : 1;
    }
    if (buried > buriedAllowed || freeDots >= need) break;
  }
  return freeDots;
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] int markFreeDotsAvx2(const Neighbours& nb, const UnitDots& u, int need,
                                             int buriedAllowed, char* freeMark) {
  return markFreeDotsWith<Lanes4>(nb, u, need, buriedAllowed, freeMark);
}
#endif

// Four lanes where the processor has them (AVX2), else two (every x86-64 has SSE2).
int markFreeDots(const Neighbours& nb, const UnitDots& u, int need, int buriedAllowed,
                 char* freeMark) {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) {
    return markFreeDotsAvx2(nb, u, need, buriedAllowed, freeMark);
  }
#endif
  return markFreeDotsWith<Lanes2>(nb, u, need, buriedAllowed, freeMark);
}

// The smallest number of free dots that makes the atom a surface atom, computed with the very
// expression of its relative exposure (monotone in the count), or nDot + 1 when none does.
int freeDotsNeeded(double dotArea, double vdw, int nDot) {
  auto exposed = [&](int f) { return isSurfaceAtom(dotArea * f / (kFourPiExposure * vdw * vdw)); };
  // A start near the answer; any start gives it. An overflowing or undefined estimate (radii
  // near the limits of double) starts from zero.
  const double estimate = std::floor(kExposedAbove * (kFourPiExposure * vdw * vdw) / dotArea);
  int f = estimate >= 0.0 && estimate <= nDot ? static_cast<int>(estimate) : 0;
  while (f > 0 && exposed(f - 1)) --f;
  while (f <= nDot && !exposed(f)) ++f;
  return f;
}

Status validInput(const double* centres, const double* radii, int nat) {
  for (int i = 0; i < nat; ++i) {
    const double* c = &centres[3 * i];
    if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2]) ||
        !std::isfinite(radii[i]) || !(radii[i] > 0.0)) {
      char line[96];
      std::snprintf(line, sizeof line, "nsc_dclm: atom %d has no valid centre or radius", i + 1);
      return nscError(line, KORVA_NSC_HERE);
    }
  }
  return Status();
}

Status validVdw(const double* vdwRadii, int nat) {
  for (int i = 0; i < nat; ++i) {
    if (!(vdwRadii[i] > 0.0)) {
      char line[96];
      std::snprintf(line, sizeof line, "nsc_dclm: atom %d has no valid van der Waals radius",
                    i + 1);
      return nscError(line, KORVA_NSC_HERE);
    }
  }
  return Status();
}

// What every computation over the spheres shares: the checked input, the dots by coordinate and
// the cell list.
struct SurfaceSetup {
  UnitDots unit;
  CellList cells;
  double centroid[3] = {0.0, 0.0, 0.0};
  double maxRadius = 0.0;
};

Status setUp(const double* centres, const double* radii, int nat, int density, SurfaceSetup* s) {
  if (nat <= 0) return nscWarning("nsc_dclm: no surface atoms selected", KORVA_NSC_HERE);
  if (Status v = validInput(centres, radii, nat); !v.ok()) return v;
  Outcome<tvector<double>> dots = do_unsp(density);
  if (!dots.ok()) return std::move(dots.status);
  const size_t nDot = dots.value.size() / 3;
  s->unit.n = static_cast<int>(nDot);
  const size_t room = (nDot + kQuad - 1) / kQuad * kQuad;
  s->unit.x.resize(room), s->unit.y.resize(room), s->unit.z.resize(room);
  for (size_t k = 0; k < nDot; ++k) {
    s->unit.x[k] = dots.value[3 * k];
    s->unit.y[k] = dots.value[3 * k + 1];
    s->unit.z[k] = dots.value[3 * k + 2];
  }
  double& maxRadius = s->maxRadius;
  for (int i = 0; i < nat; ++i) {
    maxRadius = std::max(maxRadius, radii[i]);
    for (int a = 0; a < 3; ++a) s->centroid[a] += centres[3 * i + a] / nat;
  }
  buildCellList(centres, radii, nat, maxRadius, &s->cells);
  return Status();
}

}  // namespace

float getRadius(const char* atomName) {
  switch (atomName ? atomName[0] : '\0') {
    case 'C':
    case 'F':
      return kRadiusCarbon;
    case 'N':
    case 'P':
    case 'S':
      return kRadiusNitrogen;
    default:
      return kRadiusOther;
  }
}

Outcome<nscResult> nsc_dclm(const double* centres, const double* radii, int nat, int density,
                            int flags) {
  Outcome<nscResult> out;
  SurfaceSetup setup;
  out.status = setUp(centres, radii, nat, density, &setup);
  if (!out.ok()) return out;
  const UnitDots& u = setup.unit;
  const double* centroid = setup.centroid;
  nscResult& res = out.value;
  if (flags & kNscFlagAreas) res.atomAreas.assign(static_cast<size_t>(nat), 0.0);
  double totalArea = 0.0, totalVolume = 0.0;
  int freeDotsAll = 0;
  Neighbours nb;
  tvector<char> freeMark(static_cast<size_t>(u.n), 0, TrackedAllocator<char>("nsc dots"));
  for (int i = 0; i < nat; ++i) {
    const double* ci = &centres[3 * i];
    const double ri = radii[i];
    collectNeighbours(setup.cells, i, ci, ri, setup.maxRadius, &nb);
    const int freeDots = markFreeDots(nb, u, u.n + 1, u.n, freeMark.data());
    double volumeSum = 0.0;
    for (int k = 0; k < u.n && (flags & (kNscFlagVolume | kNscFlagDots)); ++k) {
      if (!freeMark[k]) continue;
      if (flags & kNscFlagVolume) {
        volumeSum += ri + (ci[0] - centroid[0]) * u.x[k] + (ci[1] - centroid[1]) * u.y[k] +
                     (ci[2] - centroid[2]) * u.z[k];
      }
      if (flags & kNscFlagDots) {
        res.dots.insert(res.dots.end(),
                        {ci[0] + ri * u.x[k], ci[1] + ri * u.y[k], ci[2] + ri * u.z[k]});
      }
    }
    const double dotArea = ri * ri * (kFourPi / u.n);
    const double atomArea = dotArea * freeDots;
    totalArea += atomArea;
    // Divergence theorem: V = 1/3 of the surface integral of x.n, with x taken from the centroid.
    totalVolume += dotArea * volumeSum / 3.0;
    freeDotsAll += freeDots;
    if (flags & kNscFlagAreas) res.atomAreas[i] = atomArea;
  }
  res.area = totalArea;
  if (flags & kNscFlagVolume) res.volume = totalVolume;
  if (flags & kNscFlagDots) res.ndots = freeDotsAll;
  return out;
}

Outcome<tvector<double>> relativeExposure(const double* centres, const double* radii,
                                          const double* vdwRadii, int nat) {
  if (Status s = validVdw(vdwRadii, nat); !s.ok()) return {std::move(s), {}};
  Outcome<nscResult> areas = nsc_dclm(centres, radii, nat, kSurfaceDensity, kNscFlagAreas);
  if (!areas.ok()) return {std::move(areas.status), {}};
  tvector<double>& relative = areas.value.atomAreas;
  for (int i = 0; i < nat; ++i) relative[i] /= kFourPiExposure * vdwRadii[i] * vdwRadii[i];
  return {Status(), std::move(relative)};
}

Outcome<tvector<char>> surfaceAtoms(const double* centres, const double* radii,
                                    const double* vdwRadii, int nat) {
  Outcome<tvector<char>> out;
  out.status = validVdw(vdwRadii, nat);
  SurfaceSetup setup;
  if (out.ok()) out.status = setUp(centres, radii, nat, kSurfaceDensity, &setup);
  if (!out.ok()) return out;
  const UnitDots& u = setup.unit;
  out.value.assign(static_cast<size_t>(nat), 0);
  Neighbours nb;
  tvector<char> freeMark(static_cast<size_t>(u.n), 0, TrackedAllocator<char>("nsc dots"));
  for (int i = 0; i < nat; ++i) {
    const double* ci = &centres[3 * i];
    const double ri = radii[i];
    // The decision depends on the final count of free dots alone, so the test stops as soon as
    // enough dots are free, or so many are buried that the rest cannot make up the count.
    const int need = freeDotsNeeded(ri * ri * (kFourPi / u.n), vdwRadii[i], u.n);
    if (need > u.n) continue;
    collectNeighbours(setup.cells, i, ci, ri, setup.maxRadius, &nb);
    out.value[i] = markFreeDots(nb, u, need, u.n - need, freeMark.data()) >= need ? 1 : 0;
  }
  return out;
}

Status surfSel(int n, double* x, double* y, double* z, int* nsel) {
  const size_t count = n > 0 ? static_cast<size_t>(n) : 0;
  tvector<double> centres(3 * count, 0.0, TrackedAllocator<double>("surfSel"));
  tvector<double> radii(count, kFreeFormatRadius, TrackedAllocator<double>("surfSel"));
  tvector<double> vdw(count, kFreeFormatVdw, TrackedAllocator<double>("surfSel"));
  for (size_t i = 0; i < count; ++i) {
    centres[3 * i] = x[i + 1];
    centres[3 * i + 1] = y[i + 1];
    centres[3 * i + 2] = z[i + 1];
  }
  Outcome<tvector<char>> exposed = surfaceAtoms(centres.data(), radii.data(), vdw.data(), n);
  if (!exposed.ok()) return exposed.status.append("NSC: error.\n");
  int kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!exposed.value[i]) continue;
    ++kept;
    x[kept] = centres[3 * i];
    y[kept] = centres[3 * i + 1];
    z[kept] = centres[3 * i + 2];
  }
  *nsel = kept;
  return Status();
}

}  // namespace korva
