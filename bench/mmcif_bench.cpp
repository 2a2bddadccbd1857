// Reading a large mmCIF file: 1,819 models of 1D3Z's first three residues (100,045 atoms), the
// atom rows of the real entry with their model numbers and serials renumbered.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/log.h"
#include "structure/mmcif.h"

namespace korva {
namespace {

constexpr int kBenchModels = 1819;   // of 55 atoms
constexpr size_t kModelColumn = 20;  // pdbx_PDB_model_num, 0-based, in the bundled file

const std::string& benchFile() {
  static std::string path = [] {
    std::FILE* in = std::fopen(KORVA_SOURCE_DIR "/tests/data/1d3z-cut.cif", "r");
    std::string dir = (std::filesystem::temp_directory_path() / "korva-bench-XXXXXX").string();
    if (in == nullptr || mkdtemp(dir.data()) == nullptr) return std::string();
    std::string head;
    std::vector<std::vector<std::string>> rows;  // model 1 only
    char buf[512];
    while (std::fgets(buf, sizeof buf, in) != nullptr) {
      std::string line(buf);
      if (line.compare(0, 5, "ATOM ") != 0) {
        if (rows.empty()) head += line;
        continue;
      }
      std::istringstream words(line);
      std::vector<std::string> w;
      for (std::string s; words >> s;) w.push_back(s);
      if (w.size() > kModelColumn && w[kModelColumn] == "1") rows.push_back(w);
    }
    std::fclose(in);
    std::string p = dir + "/big.cif";
    std::FILE* fp = std::fopen(p.c_str(), "w");
    if (fp == nullptr) return std::string();
    std::fputs(head.c_str(), fp);
    int serial = 0;
    for (int m = 1; m <= kBenchModels; m++) {
      for (std::vector<std::string> w : rows) {
        w[1] = std::to_string(++serial);
        w[kModelColumn] = std::to_string(m);
        for (const std::string& s : w) std::fprintf(fp, "%s ", s.c_str());
        std::fputc('\n', fp);
      }
    }
    std::fclose(fp);
    return p;
  }();
  return path;
}

void BM_ReadMmcif100k(benchmark::State& state) {
  const std::string& p = benchFile();
  long long bytes = 0;
  for (auto _ : state) {
    auto r = readMmcif(p.c_str(), nullptr, nullLog());
    if (!r.ok() || r.value.size() != kBenchModels || r.value[0].atoms.size() != 55) {
      state.SkipWithError("read failed");
      break;
    }
    getMemUsed(&bytes, nullptr);
    benchmark::DoNotOptimize(r.value.data());
  }
  state.counters["bytes_in_use"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReadMmcif100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
