// Steric prediction of a 1000-model ensemble of ubiquitin: the bundled structure turned by small
// random rotations (up to about 5 degrees about each axis) and its atoms moved by random
// perturbations (0.1 A standard deviation per coordinate), all in memory.
#include <benchmark/benchmark.h>

#include <cmath>
#include <thread>
#include <utility>

#include "api/pipeline.h"
#include "core/alloc.h"
#include "core/log.h"
#include "numeric/random.h"
#include "structure/models.h"
#include "structure/select.h"
#include "tables/dtab.h"

namespace korva {
namespace {

constexpr int kModels = 1000;
constexpr double kMaxTurn = 5.0 * 3.14159265 / 180.0;  // radians
constexpr double kShift = 0.1;                         // Angstrom

// The ensemble, built once: model 1 is the structure itself.
const modelSet& ensemble() {
  static modelSet set = [] {
    modelSet s;
    tvector<pdbAtom> atoms;
    tvector<pdbModelMark> marks;
    if (readPDBAtoms(KORVA_SOURCE_DIR "/examples/ubiquitin-2mjb.pdb", nullptr, &atoms, &marks,
                     nullLog()) != 0) {
      return s;
    }
    tvector<atomModel> models;
    randomTT800 rng;
    for (int m = 0; m < kModels; m++) {
      atomModel model{m + 1, atoms};
      const double a = m == 0 ? 0.0 : kMaxTurn * (2.0 * rng.genrand() - 1.0);
      const double b = m == 0 ? 0.0 : kMaxTurn * (2.0 * rng.genrand() - 1.0);
      const double c = m == 0 ? 0.0 : kMaxTurn * (2.0 * rng.genrand() - 1.0);
      for (pdbAtom& at : model.atoms) {
        double x = at.x, y = at.y, z = at.z;
        double t = x * std::cos(a) - y * std::sin(a);  // about z
        y = x * std::sin(a) + y * std::cos(a);
        x = t;
        t = z * std::cos(b) - x * std::sin(b);  // about y
        x = z * std::sin(b) + x * std::cos(b);
        z = t;
        t = y * std::cos(c) - z * std::sin(c);  // about x
        z = y * std::sin(c) + z * std::cos(c);
        y = t;
        const double s = m == 0 ? 0.0 : kShift;
        at.x = static_cast<float>(x + s * rng.gauss());
        at.y = static_cast<float>(y + s * rng.gauss());
        at.z = static_cast<float>(z + s * rng.gauss());
      }
      models.push_back(std::move(model));
    }
    if (!buildModelSet(std::move(models), 0, "bench", &s, nullLog()).ok()) s.models.clear();
    return s;
  }();
  return set;
}

void BM_EnsembleSteric1000(benchmark::State& state) {
  const modelSet& set = ensemble();
  if (set.count() != kModels) {
    state.SkipWithError("ensemble not built");
    return;
  }
  const int threads = state.range(0) == 0 ? static_cast<int>(std::thread::hardware_concurrency())
                                          : static_cast<int>(state.range(0));
  for (auto _ : state) {
    korvaInfo info;
    korvaInfoNull(&info);
    dTensor tensor;
    dTensorNull(&tensor);
    dTab tab;
    dcInfo dc{};
    struct pdbSelect select;
    pdbSelectNull(&select);
    tvector<modelSteric> rows;
    if (ensembleStericPipeline(set, &tab, select, dc, nullptr, 0, &info, &tensor, 0, &rows, threads,
                               nullLog()) != 0) {
      state.SkipWithError("simulation failed");
      break;
    }
    benchmark::DoNotOptimize(tensor.saupe);
  }
  state.counters["threads"] = threads;
}
// 0: as many threads as the machine has cores (what the program uses).
BENCHMARK(BM_EnsembleSteric1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace korva
