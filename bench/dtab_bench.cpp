// Reading a 100,000-row coupling table with readDC and writing its report.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "report/report.h"

namespace korva {
namespace {

constexpr int kRows = 100000;

// Writes kRows N-H couplings into the temp directory; returns the path.
std::string writeTable() {
  static const char* const kResNames[] = {"ALA", "GLY", "LEU", "LYS", "SER", "THR", "VAL", "GLU"};
  std::string path = (std::filesystem::temp_directory_path() / "korva_bench_dtab.tab").string();
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return path;
  std::fprintf(f, "VARS   RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n");
  std::fprintf(f, "FORMAT %%5d %%6s %%6s %%5d %%6s %%6s %%9.3f %%9.3f %%.2f\n\n");
  for (int i = 0; i < kRows; ++i) {
    const char* res = kResNames[i % 8];
    std::fprintf(f, "%5d %6s %6s %5d %6s %6s %9.3f %9.3f %.2f\n", i + 1, res, "N", i + 1, res, "H",
                 (i % 401) * 0.1 - 20.0, 1.0, 1.0);
  }
  std::fclose(f);
  return path;
}

void BM_ReadAndReportCouplings(benchmark::State& state) {
  const std::string in = writeTable();
  const std::string out =
      (std::filesystem::temp_directory_path() / "korva_bench_dtab_report.tab").string();
  korvaInfo info;
  korvaInfoNull(&info);
  info.mode = kModeCompareDC;
  dTensor tensor;
  dTensorNull(&tensor);
  saupeAnalysis analysis;
  NullLog log;
  for (auto _ : state) {
    dTab tab;
    dTabNull(&tab);
    if (readDC(in.c_str(), &tab, log) != 0) {
      state.SkipWithError("readDC failed");
      break;
    }
    // Every coupling listed and counted: the prediction equals a shifted observation.
    for (int i = 0; i < tab.n; ++i) {
      tab.work[i].selected = 1;
      tab.work[i].D = tab.in[i].D + 0.5f;
    }
    reportInput report;
    report.info = &info;
    report.tensor = &tensor;
    report.analysis = &analysis;
    report.couplings = &tab;
    benchmark::DoNotOptimize(writeDCmod(out.c_str(), report, log));
    dTabFree(&tab);
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
}
BENCHMARK(BM_ReadAndReportCouplings)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
