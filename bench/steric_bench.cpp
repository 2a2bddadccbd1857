// Benchmarks of the steric simulation core, the surface step and whole simulations at scale.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "align/dots.h"
#include "align/steric.h"
#include "align/surface.h"
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
