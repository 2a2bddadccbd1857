// Error-space mapping of the ubiquitin N-H couplings: 10,000 SVD refits with their world map.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "fit/map_fit.h"
#include "numeric/random.h"

namespace korva {
namespace {

constexpr int kMapSteps = 10000;

void BM_MapSimDCUbiquitinSvd(benchmark::State& state) {
  pdbInfo pdb;
  dTab tab;
  korvaInfo info;
  pdbNull(&pdb);
  dTabNull(&tab);
  korvaInfoNull(&info);
  info.mode = kModeBestFit;
  info.euler = 1;
  if (readPDB(KORVA_SOURCE_DIR "/examples/ubiquitin-2mjb.pdb", &pdb, nullptr) != 0 ||
      readDC(KORVA_SOURCE_DIR "/examples/ubiquitin-nh-bicelle.tab", &tab) != 0) {
    state.SkipWithError("cannot read the ubiquitin example");
    return;
  }
  mapDCInfo(&pdb, &tab);
  buildDC(&pdb, &tab, 0, tab.firstRes, nullptr, 0);
  tab.tensorMode = kTensorSVD;
  // The mapping leaves its statistics in the table, so every run starts from a fresh copy.
  const tvector<dcRecord> in = tab.in, work = tab.work;
  for (auto _ : state) {
    state.PauseTiming();
    tab.in = in;
    tab.work = work;
    resetRandom();
    state.ResumeTiming();
    const int status =
        mapSimDC(&pdb, &tab, &info, "/dev/null", "", 0, "/dev/null", kMapSteps, nullptr);
    benchmark::DoNotOptimize(status);
  }
  state.counters["steps/s"] =
      benchmark::Counter(static_cast<double>(kMapSteps) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  dTabFree(&tab);
  pdbFree(&pdb);
}
BENCHMARK(BM_MapSimDCUbiquitinSvd)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace korva
