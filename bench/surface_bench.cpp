// Benchmarks of the surface step on a real protein: ubiquitin's heavy atoms, alone and as the
// 41 copies of the 50,000-atom complex of bench/run_bench.sh.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "align/surface.h"

namespace korva {
namespace {

constexpr double kCopySpacing = 40.0;  // A between copies, 7 to a row, as run_bench.sh lays them
constexpr int kCopiesPerRow = 7;

struct Spheres {
  std::vector<double> centres, radii, vdw;
};

// The heavy atoms of the bundled ubiquitin (fixed PDB columns: name 13-16, x y z 31-54), copied.
Spheres ubiquitinHeavyAtoms(int copies) {
  Spheres s;
  FILE* in = std::fopen(KORVA_SOURCE_DIR "/examples/ubiquitin-2mjb.pdb", "r");
  if (!in) return s;
  std::vector<std::string> lines;
  char line[128];
  while (std::fgets(line, sizeof line, in)) {
    if (std::string(line, 6) == "ATOM  ") lines.emplace_back(line);
  }
  std::fclose(in);
  for (int c = 0; c < copies; ++c) {
    for (const std::string& l : lines) {
      const std::string name = l.substr(12, 4);
      const char element = name[name.find_first_not_of(' ')];
      if (element == 'H') continue;
      s.centres.push_back(std::atof(l.substr(30, 8).c_str()) + kCopySpacing * (c % kCopiesPerRow));
      s.centres.push_back(std::atof(l.substr(38, 8).c_str()) + kCopySpacing * (c / kCopiesPerRow));
      s.centres.push_back(std::atof(l.substr(46, 8).c_str()));
      const char first[2] = {element, '\0'};
      s.vdw.push_back(getRadius(first));
      s.radii.push_back(s.vdw.back() + kProbeRadius);
    }
  }
  return s;
}

// The decision that the steric run takes: which atoms are surface-accessible.
void BM_SurfaceAtoms(benchmark::State& state) {
  const Spheres s = ubiquitinHeavyAtoms(static_cast<int>(state.range(0)));
  const int nat = static_cast<int>(s.radii.size());
  for (auto _ : state) {
    Outcome<tvector<char>> exposed =
        surfaceAtoms(s.centres.data(), s.radii.data(), s.vdw.data(), nat);
    if (!exposed.ok()) {
      state.SkipWithError("surface failed");
      return;
    }
    benchmark::DoNotOptimize(exposed.value.data());
  }
  state.counters["atoms"] = nat;
}
BENCHMARK(BM_SurfaceAtoms)->Arg(1)->Arg(41)->Unit(benchmark::kMillisecond);

// Every atom's exact accessible area, for callers that need the areas themselves.
void BM_AtomAreas(benchmark::State& state) {
  const Spheres s = ubiquitinHeavyAtoms(static_cast<int>(state.range(0)));
  const int nat = static_cast<int>(s.radii.size());
  for (auto _ : state) {
    Outcome<nscResult> res =
        nsc_dclm(s.centres.data(), s.radii.data(), nat, kSurfaceDensity, kNscFlagAreas);
    if (!res.ok()) {
      state.SkipWithError("surface failed");
      return;
    }
    benchmark::DoNotOptimize(res.value.area);
  }
  state.counters["atoms"] = nat;
}
BENCHMARK(BM_AtomAreas)->Arg(1)->Arg(41)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
