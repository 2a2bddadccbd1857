// Cost of a NOFIXED tensor fit (Da, Dr and three angles) to the ubiquitin N-H couplings.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "fit/nonlinear.h"
#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tensor/tensor.h"

namespace korva {
namespace {

// Range wide enough to keep every coupling of the table, as the run does by default.
constexpr int kAllResiduesFirst = -100000;
constexpr int kAllResiduesLast = 100000;
constexpr int kRangeInclusiveMax = 3;

void BM_NoFixedUbiquitin(benchmark::State& state) {
  const std::string dir = KORVA_SOURCE_DIR;
  pdbInfo pdb;
  dTab tab;
  NullLog log;
  if (readPDB((dir + "/examples/ubiquitin-2mjb.pdb").c_str(), &pdb, nullptr, log) != 0 ||
      readDC((dir + "/examples/ubiquitin-nh-bicelle.tab").c_str(), &tab, log) != 0) {
    state.SkipWithError("cannot read the ubiquitin example");
    return;
  }
  mapDCInfo(&pdb, &tab);
  selectD(tab.in.data(), tab.n, kAllResiduesFirst, kAllResiduesLast, kRangeInclusiveMax);
  selTypDC(tab.in.data(), tab.n, "All", "All");
  buildDC(&pdb, &tab, 0, kAllResiduesFirst, nullptr, 0, log);

  int couplings = 0;
  int evaluations = 0;
  for (auto _ : state) {
    // Every fit starts from the program's default NOFIXED start and bounds.
    dTensor tensor;
    dTensorNull(&tensor);
    tensor.tensorMode = kTensorNoFixed;
    couplings = fitDCAlign(&pdb, &tab, &tensor, 0, log, &evaluations);
    benchmark::DoNotOptimize(tensor.saupe);
  }
  state.counters["couplings"] = couplings;
  state.counters["evaluations"] = evaluations;
  dTabFree(&tab);
  pdbFree(&pdb);
}
BENCHMARK(BM_NoFixedUbiquitin)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
