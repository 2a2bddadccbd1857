// Cost of the bounded least-squares solver on a curved valley and on a badly scaled decay fit.
#include <benchmark/benchmark.h>

#include <cmath>

#include "numeric/nls.h"

namespace korva {
namespace {

// Counts its evaluations so that the benchmark can report them.
class countedProblem : public nlsProblem {
 public:
  int evaluations = 0;
};

class rosenbrock final : public countedProblem {
 public:
  void residuals(int, int, const float* x, float* f) override {
    ++evaluations;
    f[0] = 10.0f * (x[1] - x[0] * x[0]);
    f[1] = 1.0f - x[0];
  }
};

// Two-exponential decay with a baseline, 200 samples: five parameters spanning seven decades.
constexpr int kDecayPoints = 200;
class decay final : public countedProblem {
 public:
  void residuals(int m, int, const float* x, float* f) override {
    ++evaluations;
    for (int i = 0; i < m; ++i) {
      double t = 10.0 * i;
      double model = x[0] * std::exp(-x[1] * t) + x[2] * std::exp(-x[3] * t) + x[4];
      double data = 2.5e4 * std::exp(-1.5e-3 * t) + 4.0e3 * std::exp(-2.0e-2 * t) + 50.0;
      f[i] = static_cast<float>(model - data);
    }
  }
};

template <class Problem>
void runSolver(benchmark::State& state, int m, int n, const float* x0, const float* lb,
               const float* ub) {
  long long evaluations = 0;
  int iterations = 0;
  for (auto _ : state) {
    Problem problem;
    const nlsOutcome out =
        nlsOpt(problem, m, n, x0, lb, ub, 9.99999993922529e-9, 1000, 1000, false);
    benchmark::DoNotOptimize(out.x.data());
    evaluations = problem.evaluations;
    iterations = out.result.iterations;
  }
  state.counters["evaluations"] = static_cast<double>(evaluations);
  state.counters["iterations"] = iterations;
}

void BM_NlsRosenbrock(benchmark::State& state) {
  const float x0[2] = {-1.2f, 1.0f}, lb[2] = {-5, -5}, ub[2] = {5, 5};
  runSolver<rosenbrock>(state, 2, 2, x0, lb, ub);
}
BENCHMARK(BM_NlsRosenbrock);

void BM_NlsDoubleDecay(benchmark::State& state) {
  const float x0[5] = {1.0e4f, 1.0e-3f, 1.0e3f, 1.0e-2f, 0.0f};
  const float lb[5] = {0, 0, 0, 0, -1e3f}, ub[5] = {1e6f, 1, 1e6f, 1, 1e3f};
  runSolver<decay>(state, kDecayPoints, 5, x0, lb, ub);
}
BENCHMARK(BM_NlsDoubleDecay);

}  // namespace
}  // namespace korva
