// The library calls under the Python module, for the module's per-call overhead: the analysis of
// a Saupe vector (a few microseconds of work) and an SVD fit on the ubiquitin example.
#include <benchmark/benchmark.h>

#include <string>

#include "korva/korva.h"

namespace korva {
namespace {

void BM_LibraryAnalyze(benchmark::State& state) {
  const std::array<double, 5> saupe = {4.2293e-4, 3.5807e-4, 5.3304e-4, -1.5497e-4, 3.1595e-4};
  for (auto _ : state) benchmark::DoNotOptimize(analyze(saupe));
}
BENCHMARK(BM_LibraryAnalyze);

void BM_LibraryFitSvd(benchmark::State& state) {
  const std::string dir = KORVA_SOURCE_DIR;
  const Structure ubq = readStructure(dir + "/examples/ubiquitin-2mjb.pdb");
  const std::vector<Coupling> nh = readCouplings(dir + "/examples/ubiquitin-nh-bicelle.tab");
  for (auto _ : state) benchmark::DoNotOptimize(fit(ubq, nh));
}
BENCHMARK(BM_LibraryFitSvd);

}  // namespace
}  // namespace korva
