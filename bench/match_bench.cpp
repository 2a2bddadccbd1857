// Selection patterns that take a backtracking matcher exponential time: n optional characters
// before a letter that no name has, and a run of stars before one, against the 1,231 atom names of
// ubiquitin.
#include <benchmark/benchmark.h>

#include <string>

#include "structure/match.h"
#include "structure/pdb.h"

namespace korva {
namespace {

const pdbInfo& ubiquitin() {
  static pdbInfo pdb;
  static const int status =
      readPDB(KORVA_SOURCE_DIR "/examples/ubiquitin-2mjb.pdb", &pdb, nullptr, nullLog());
  (void)status;  // an unread structure leaves no names to match
  return pdb;
}

void matchAll(benchmark::State& state, const std::string& pattern, int mode) {
  const pdbInfo& pdb = ubiquitin();
  for (auto _ : state) {
    int matched = 0;
    for (const pdbAtom& a : pdb.atoms) matched += strMatch(a.atomName, pattern.c_str(), mode, 1);
    benchmark::DoNotOptimize(matched);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(pdb.atoms.size()));
}

void BM_RegexOptionals(benchmark::State& state) {
  std::string pattern;
  for (long i = 0; i < state.range(0); i++) pattern += ".?";
  matchAll(state, pattern + "Q", 2);
}
BENCHMARK(BM_RegexOptionals)->Arg(60)->Arg(120)->Unit(benchmark::kMillisecond);

void BM_GlobStars(benchmark::State& state) {
  matchAll(state, std::string(static_cast<size_t>(state.range(0)), '*') + "Q", 3);
}
BENCHMARK(BM_GlobStars)->Arg(80)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
