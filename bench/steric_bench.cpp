// Benchmarks of the steric simulation core, the surface step and whole simulations at scale.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "align/dots.h"
#include "align/steric.h"
#include "align/surface.h"
#include "structure/transform.h"
#include "tables/run_info.h"

namespace korva {
namespace {

constexpr double kVolumePerAtom = 12.0;  // A^3, about the packing of a protein's heavy atoms

// A random compact molecule: atoms uniform in a ball of protein-like density, indexed from 1.
struct Molecule {
  std::vector<double> x, y, z;
};

Molecule compactMolecule(int natoms, unsigned seed) {
  const double radius = std::cbrt(3.0 * natoms * kVolumePerAtom / (4.0 * 3.14159265));
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-radius, radius);
  Molecule m{std::vector<double>(natoms + 1), std::vector<double>(natoms + 1),
             std::vector<double>(natoms + 1)};
  for (int j = 1; j <= natoms;) {
    const double a = u(rng), b = u(rng), c = u(rng);
    if (a * a + b * b + c * c > radius * radius) continue;
    m.x[j] = a, m.y[j] = b, m.z[j] = c;
    ++j;
  }
  return m;
}

void runSimulation(benchmark::State& state, int model, int natoms, int dot, int psi) {
  korvaInfo info;
  korvaInfoNull(&info);
  info.lcModel = model;
  info.dot = dot;
  info.digPsi = psi;
  if (model == kModelRod) info.rM = 33.5f;
  refine_bicelle(&info);
  const Outcome<tvector<double>> dots = do_unsp(dot);
  if (!dots.ok()) {
    state.SkipWithError("no dots");
    return;
  }
  const tvector<double>& points = dots.value;
  const int ndots = static_cast<int>(points.size() / 3);
  const Molecule base = compactMolecule(natoms, 17);
  double S[5];
  for (auto _ : state) {
    Molecule m = base;
    if (simulateAlignment(&info, natoms, m.x.data(), m.y.data(), m.z.data(), ndots, points.data(),
                          S, nullLog())) {
      state.SkipWithError("simulation failed");
      return;
    }
    benchmark::DoNotOptimize(S);
  }
  const double pairs = static_cast<double>(ndots) * psi * natoms;
  state.counters["pairs"] = pairs;
  state.counters["s_per_pair"] = benchmark::Counter(
      pairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Simulation core per (orientation x atom) pair, default density 100 (122 points) and 18 psi steps.
void BM_WallCore(benchmark::State& state) {
  runSimulation(state, kModelWall, static_cast<int>(state.range(0)), 100, 18);
}
BENCHMARK(BM_WallCore)->Arg(600)->Arg(5000)->Unit(benchmark::kMillisecond);

// The reference for the wall core: the same simulation as a plain scalar loop, one pass over the
// atoms per orientation, each orientation's rows and contribution from the library's rotation.
// It must give the core's Saupe vector bit for bit.
double plainSzz(const double v[3]) {
  return (3.0 * v[2] * v[2] - 1.0) / 2.0;
}
double plainSab(const double a[3], const double b[3]) {
  return 1.5 * a[2] * b[2];
}

void plainWall(const korvaInfo& info, int natoms, const double* x, const double* y, const double* z,
               double rOuter, double rInner, int ndots, const double* points, double S[5]) {
  const int npsi = info.digPsi, n = ndots * npsi;
  const float rM = info.rM, rA = info.rA, g = info.dGrid;
  tvector<float> pos;
  const int npos = buildPositionGrid(rOuter, rInner, rM, g, &pos, nullLog());
  std::vector<float> threshold(npos + 1);
  for (int i = 0; i <= npos; ++i) threshold[i] = static_cast<float>(rA - (pos[i] - rM * 1.0));
  std::vector<double> count(npos + 2, 0.0), acc(5 * (npos + 2), 0.0);
  double ref[5] = {0, 0, 0, 0, 0}, sxx = 0.0, syy = 0.0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int d = 0; d < ndots; ++d) {
      for (int k = 0; k < npsi; ++k) {
        const double* p = &points[3 * d];
        const double phi = std::atan2(p[1], p[0]);
        const double theta = 1.570796325 - std::atan2(p[2], std::sqrt(p[0] * p[0] + p[1] * p[1]));
        const double psi = k * (360.0 / npsi) * 3.14159265 / 180.0;
        double ex[3], ey[3], ez[3], r1[3], r2[3], r3[3];
        rotate_coorsystem(theta, phi, psi, ex, ey, ez);
        if (pass == 0) {
          ref[0] += plainSzz(ez), sxx += plainSzz(ex), syy += plainSzz(ey);
          ref[2] += plainSab(ex, ey), ref[3] += plainSab(ex, ez), ref[4] += plainSab(ey, ez);
          continue;
        }
        const double s[5] = {plainSzz(ez), plainSzz(ex) - plainSzz(ey), plainSab(ex, ey),
                             plainSab(ex, ez), plainSab(ey, ez)};
        rotate_coorsystem(-theta, -psi, -phi, r1, r2, r3);
        float lowest = std::numeric_limits<float>::infinity();
        for (int j = 1; j <= natoms; ++j) {
          float v = static_cast<float>(r1[0] * x[j]);
          v = static_cast<float>(v + r1[1] * y[j]);
          v = static_cast<float>(v + r1[2] * z[j]);
          lowest = std::min(lowest, v);
        }
        int first = 0;
        while (first <= npos && lowest <= threshold[first]) ++first;
        count[first] += 1.0;
        for (int m = 0; m < 5; ++m) acc[5 * first + m] += s[m];
      }
    }
    if (pass == 0) {
      for (double* r : {&ref[0], &ref[2], &ref[3], &ref[4]}) *r /= n;
      ref[1] = (sxx - syy) / n;
    }
  }
  double sum[5] = {0, 0, 0, 0, 0};
  long long total = 0;
  for (int i = 0; i <= npos; ++i) {
    if (i > 0) {
      count[i] += count[i - 1];
      for (int m = 0; m < 5; ++m) acc[5 * i + m] += acc[5 * (i - 1) + m];
    }
  }
  for (int i = 0; i <= npos; ++i) {
    for (int m = 0; m < 5; ++m) {
      const double a = count[i] <= 0.0 ? 0.0 : acc[5 * i + m] / count[i] - ref[m];
      sum[m] += count[i] / n * a;
    }
    total += static_cast<long long>(count[i]);
  }
  const double normaliser = std::trunc((info.wallHalfSpacing - pos[npos]) / g) + (total / n);
  for (int m = 0; m < 5; ++m) S[m] = sum[m] / normaliser * info.lcS;
}

void BM_WallPlainLoop(benchmark::State& state) {
  const int natoms = static_cast<int>(state.range(0));
  korvaInfo info;
  korvaInfoNull(&info);
  refine_bicelle(&info);
  const Outcome<tvector<double>> dots = do_unsp(info.dot);
  const int ndots = static_cast<int>(dots.value.size() / 3);
  // Centred as simulateAlignment centres, which then gives the core's vector to compare with.
  Molecule m = compactMolecule(natoms, 17);
  double core[5], plain[5];
  Molecule c = m;
  if (simulateAlignment(&info, natoms, c.x.data(), c.y.data(), c.z.data(), ndots, dots.value.data(),
                        core, nullLog())) {
    state.SkipWithError("simulation failed");
    return;
  }
  float largest = 0.0f, smallest = 100000.0f;
  for (int i = 1; i <= natoms; ++i) {
    const float d2 = static_cast<float>(c.x[i] * c.x[i] + c.y[i] * c.y[i] + c.z[i] * c.z[i]);
    largest = std::max(largest, d2), smallest = std::min(smallest, d2);
  }
  const double rOuter = static_cast<double>(static_cast<float>(std::sqrt(largest))) + info.rA;
  const double rInner = static_cast<double>(static_cast<float>(std::sqrt(smallest))) + info.rA;
  for (auto _ : state) {
    plainWall(info, natoms, c.x.data(), c.y.data(), c.z.data(), rOuter, rInner, ndots,
              dots.value.data(), plain);
    benchmark::DoNotOptimize(plain);
  }
  for (int k = 0; k < 5; ++k) {
    if (plain[k] != core[k]) state.SkipWithError("the plain loop and the core disagree");
  }
  const double pairs = static_cast<double>(ndots) * info.digPsi * natoms;
  state.counters["pairs"] = pairs;
  state.counters["s_per_pair"] = benchmark::Counter(
      pairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WallPlainLoop)->Arg(600)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RodCore(benchmark::State& state) {
  runSimulation(state, kModelRod, static_cast<int>(state.range(0)), 100, 18);
}
BENCHMARK(BM_RodCore)->Arg(600)->Arg(5000)->Unit(benchmark::kMillisecond);

// A 50,000-atom complex at the default density, all atoms simulated.
void BM_Wall50kAtoms(benchmark::State& state) {
  runSimulation(state, kModelWall, 50000, 100, 18);
}
BENCHMARK(BM_Wall50kAtoms)->Unit(benchmark::kMillisecond);

// -dot 1000 -digPsi 36 on a molecule of about ubiquitin's size.
void BM_WallDot1000Psi36(benchmark::State& state) {
  runSimulation(state, kModelWall, 600, 1000, 36);
}
BENCHMARK(BM_WallDot1000Psi36)->Unit(benchmark::kMillisecond);

// The surface step of the free-format mode on compact molecules.
void BM_SurfSel(benchmark::State& state) {
  const int natoms = static_cast<int>(state.range(0));
  const Molecule base = compactMolecule(natoms, 5);
  for (auto _ : state) {
    Molecule m = base;
    int nsel = 0;
    if (!surfSel(natoms, m.x.data(), m.y.data(), m.z.data(), &nsel).ok()) {
      state.SkipWithError("surface failed");
      return;
    }
    benchmark::DoNotOptimize(nsel);
  }
}
BENCHMARK(BM_SurfSel)->Arg(600)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
