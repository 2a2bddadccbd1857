// Error-space mapping of the ubiquitin N-H couplings: 10,000 SVD refits.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "fit/map_fit.h"

namespace korva {
namespace {

constexpr int kMapSteps = 10000;

// Writes the world map the way the program does, into a file that discards it.
class discardSink final : public mapStepSink {
 public:
  void step(const double eigVec[3][3]) override { benchmark::DoNotOptimize(eigVec[0][0]); }
};

void BM_MapSimDCUbiquitinSvd(benchmark::State& state) {
  pdbInfo pdb;
  dTab tab;
  dTensor tensor;
  NullLog log;
  pdbNull(&pdb);
  dTabNull(&tab);
  dTensorNull(&tensor);
  if (readPDB(KORVA_SOURCE_DIR "/examples/ubiquitin-2mjb.pdb", &pdb, nullptr, log) != 0 ||
      readDC(KORVA_SOURCE_DIR "/examples/ubiquitin-nh-bicelle.tab", &tab, log) != 0) {
    state.SkipWithError("cannot read the ubiquitin example");
    return;
  }
  mapDCInfo(&pdb, &tab);
  buildDC(&pdb, &tab, 0, tab.firstRes, nullptr, 0, log);
  tensor.tensorMode = kTensorSVD;
  // The mapping leaves its statistics in the table, so every run starts from a fresh copy.
  const tvector<dcRecord> in = tab.in, work = tab.work;
  for (auto _ : state) {
    state.PauseTiming();
    tab.in = in;
    tab.work = work;
    state.ResumeTiming();
    discardSink sink;
    mapResult result;
    const int status = mapSimDC(&pdb, &tab, &tensor, kMapSteps, 0, sink, &result, log);
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
