// Reading a 100,000-row coupling table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tables/table.h"

namespace korva {
namespace {

constexpr int kBenchRows = 100000;

// Writes a coupling-like table of kBenchRows rows into the temp directory; returns its path.
std::string writeCouplingTable() {
  static const char* const kResNames[] = {"ALA", "GLY", "LEU", "LYS", "SER", "THR", "VAL", "GLU"};
  std::string path = (std::filesystem::temp_directory_path() / "korva_bench_table.tab").string();
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return path;
  std::fprintf(f, "REMARK benchmark couplings\n\n");
  std::fprintf(f, "VARS   RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n");
  std::fprintf(f, "FORMAT %%5d %%6s %%6s %%5d %%6s %%6s %%9.3f %%9.3f %%.2f\n\n");
  for (int i = 0; i < kBenchRows; ++i) {
    const char* res = kResNames[i % 8];
    int resid = i / 4 + 1;
    std::fprintf(f, "%5d %6s %6s %5d %6s %6s %9.3f %9.3f %.2f\n", resid, res, "N", resid, res, "HN",
                 (i % 401) * 0.1 - 20.0, 0.5 + (i % 7) * 0.1, 1.0);
  }
  std::fclose(f);
  return path;
}

void BM_ReadCouplingTable(benchmark::State& state) {
  std::string path = writeCouplingTable();
  for (auto _ : state) {
    tvector<float> data;
    tvector<tabVar> vars;
    int columns = 0, rows = 0;
    int status = rdTable(path.c_str(), &data, &columns, &rows, &vars, 9999, nullLog());
    if (status != 0 || rows != kBenchRows) state.SkipWithError("table not read");
    benchmark::DoNotOptimize(data.data());
    freeTab(&data, &vars, &columns, &rows);
  }
  state.SetItemsProcessed(state.iterations() * kBenchRows);
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadCouplingTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
