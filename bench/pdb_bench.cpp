// Reading and indexing a large PDB file: 100,000 atoms in 20 chains.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/alloc.h"
#include "structure/pdb.h"

namespace korva {
namespace {

constexpr int kBenchAtoms = 100000;
constexpr int kBenchChains = 20;
constexpr int kAtomsPerRes = 10;

// Writes the file once into a private temporary directory and returns its path.
const std::string& benchFile() {
  static std::string path = [] {
    std::string dir = (std::filesystem::temp_directory_path() / "korva-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) return std::string();
    std::string p = dir + "/big.pdb";
    FILE* fp = std::fopen(p.c_str(), "w");
    if (fp == nullptr) return std::string();
    const char* names[kAtomsPerRes] = {"N", "CA", "C", "O", "CB", "H", "HA", "HB1", "HB2", "HB3"};
    int perChain = kBenchAtoms / kBenchChains;
    for (int i = 0; i < kBenchAtoms; i++) {
      int chain = i / perChain;
      int res = (i % perChain) / kAtomsPerRes + 1;
      std::fprintf(fp, "ATOM  %5d  %-3s ALA %c%4d    %8.3f%8.3f%8.3f  1.00  0.00           C\n",
                   i % 100000, names[i % kAtomsPerRes], 'A' + chain, res, 0.001 * i, 1.5, -2.25);
    }
    std::fprintf(fp, "END\n");
    std::fclose(fp);
    return p;
  }();
  return path;
}

void BM_ReadPdb100k(benchmark::State& state) {
  const std::string& p = benchFile();
  long long bytes = 0;
  for (auto _ : state) {
    pdbInfo pdb;
    if (readPDB(p.c_str(), &pdb, nullptr, nullLog()) != 0 || pdb.nAtoms != kBenchAtoms) {
      state.SkipWithError("read failed");
      break;
    }
    getMemUsed(&bytes, nullptr);
    benchmark::DoNotOptimize(pdb.atoms.data());
    pdbFree(&pdb);
  }
  state.counters["bytes_in_use"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReadPdb100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
