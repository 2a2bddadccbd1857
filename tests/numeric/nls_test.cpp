// Bounded least squares: minima, bound handling, evaluation counts and the solver's controls.
#include "numeric/nls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace korva {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Straight line a + b*t through six points; the least-squares line and its covariance follow
// from the normal equations (computed by hand with python):
//   b = (n*Sty - St*Sy)/(n*Stt - St^2) = 1.9914285714, a = (Sy - b*St)/n = 1.0380952381,
//   (A^T A)^-1 = [[Stt, -St], [-St, n]]/det = [[0.5238095, -0.1428571], [-0.1428571, 0.0571429]].
constexpr int kLinePoints = 6;
constexpr float kLineT[kLinePoints] = {0, 1, 2, 3, 4, 5};
constexpr float kLineY[kLinePoints] = {1.1f, 2.9f, 5.2f, 6.8f, 9.1f, 11.0f};

// A problem given by a residual function; it records its calls and may ask to stop.
struct FnProblem final : nlsProblem {
  std::function<void(int, const float*, float*)> fn;
  int count = 0;
  float firstX = 0.0f;
  float lastX[2] = {0, 0};
  int stopAfter = -1;  // ask to stop once this many calls were made
  float lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};  // range evaluated
  explicit FnProblem(std::function<void(int, const float*, float*)> f) : fn(std::move(f)) {}
  void residuals(int m, int n, const float* x, float* f) override {
    if (count == 0) firstX = x[0];
    for (int j = 0; j < n && j < 2; ++j) {
      lastX[j] = x[j];
      lo[j] = std::fmin(lo[j], x[j]);
      hi[j] = std::fmax(hi[j], x[j]);
    }
    ++count;
    fn(m, x, f);
  }
  bool stopRequested() const override { return stopAfter >= 0 && count >= stopAfter; }
};

FnProblem line() {
  return FnProblem([](int m, const float* x, float* f) {
    for (int i = 0; i < m; ++i) f[i] = x[0] + x[1] * kLineT[i] - kLineY[i];
  });
}
// Rosenbrock as residuals: 10*(x1 - x0^2), 1 - x0.
FnProblem rosenbrock() {
  return FnProblem([](int, const float* x, float* f) {
    f[0] = 10.0f * (x[1] - x[0] * x[0]);
    f[1] = 1.0f - x[0];
  });
}
// Decay A*exp(-k*t) sampled at t = 0, 250, ..., 2750 from A = 2.5e4, k = 1.5e-3: amplitude and
// rate differ by seven orders of magnitude and the residuals span a factor of 40.
FnProblem decay() {
  return FnProblem([](int m, const float* x, float* f) {
    for (int i = 0; i < m; ++i) {
      const double t = 250.0 * i;
      f[i] = static_cast<float>(x[0] * std::exp(-x[1] * t) - 2.5e4 * std::exp(-1.5e-3 * t));
    }
  });
}
// Powell's badly scaled function: f0 = 1e4*x0*x1 - 1, f1 = exp(-x0) + exp(-x1) - 1.0001. Its
// zero is at (1.098159e-5, 9.106146) (More, Garbow and Hillstrom, ACM TOMS 7 (1981) 17).
FnProblem powell() {
  return FnProblem([](int, const float* x, float* f) {
    f[0] = static_cast<float>(1.0e4 * x[0] * x[1] - 1.0);
    f[1] = static_cast<float>(std::exp(-static_cast<double>(x[0])) +
                              std::exp(-static_cast<double>(x[1])) - 1.0001);
  });
}

// The caller's settings of the fits: tol 1e-8 widened from float, limits 1000.
constexpr double kTol = 9.99999993922529e-9;

nlsOutcome runFit(FnProblem& p, int m, const float* x0, const float* lb, const float* ub,
                  int maxIter = 1000, bool wantCov = false, int n = 2) {
  return nlsOpt(p, m, n, x0, lb, ub, kTol, maxIter, 1000, wantCov);
}

TEST(NlsOpt, LinearProblemReachesNormalEquationSolutionOrBoundFace) {
  const struct {
    const char* name;
    float lb[2], ub[2];
    float a, b;  // expected intercept and slope
  } cases[] = {
      {"free", {-10, -10}, {10, 10}, 1.0380952f, 1.9914286f},
      // intercept held at 0.5: slope = St(y - 0.5)/Stt = 2.1381818
      {"upper face", {-10, -10}, {0.5f, 10}, 0.5f, 2.1381818f},
      // slope held at 2.5: intercept = (Sy - 2.5 St)/n = -0.2333333
      {"lower face", {-10, 2.5f}, {10, 10}, -0.2333333f, 2.5f},
      {"infinite bounds", {-kInf, -kInf}, {kInf, kInf}, 1.0380952f, 1.9914286f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const float x0[2] = {0.0f, 3.0f};
    FnProblem p = line();
    nlsOutcome r = runFit(p, kLinePoints, x0, c.lb, c.ub);
    ASSERT_EQ(r.x.size(), 2u);
    EXPECT_TRUE(r.status.ok());
    EXPECT_NEAR(r.x[0], c.a, 2e-4);
    EXPECT_NEAR(r.x[1], c.b, 2e-4);
    EXPECT_GE(r.x[0], c.lb[0]);
    EXPECT_LE(r.x[0], c.ub[0]);
    EXPECT_GE(r.x[1], c.lb[1]);
    EXPECT_LE(r.x[1], c.ub[1]);
    // The last evaluation is at the returned point, and fvec holds its residuals.
    EXPECT_EQ(p.lastX[0], r.x[0]);
    EXPECT_EQ(p.lastX[1], r.x[1]);
    for (int i = 0; i < kLinePoints; ++i)
      EXPECT_FLOAT_EQ(r.fvec[i], r.x[0] + r.x[1] * kLineT[i] - kLineY[i]) << i;
  }
}

TEST(NlsOpt, BoundsAreSwappedAndStartMovedToMidpoint) {
  const struct {
    const char* name;
    float x0, lb, ub;
    int maxIter;
    float firstX;  // where the first evaluation takes place
    float finalX;  // where the fit ends (intercept with slope fixed at 2)
  } cases[] = {
      // slope fixed at 2: intercept minimum = (Sy - 2*St)/n = 1.0166667
      {"reversed, inside", 0.0f, 5.0f, -5.0f, 1000, 0.0f, 1.0166667f},
      {"reversed, minimum beyond", 0.0f, 0.5f, -5.0f, 1000, 0.0f, 0.5f},
      {"start above", 100.0f, 0.0f, 4.0f, 0, 2.0f, 2.0f},
      {"start below, reversed", -100.0f, 4.0f, 0.0f, 0, 2.0f, 2.0f},
      {"start NaN", kNaN, -1.0f, 3.0f, 0, 1.0f, 1.0f},
      {"start beyond half-infinite", -7.0f, 3.0f, kInf, 0, 3.0f, 3.0f},
      {"start beyond other half", 7.0f, -kInf, 3.0f, 0, 3.0f, 3.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const float x0[2] = {c.x0, 2.0f}, lb[2] = {c.lb, 2.0f}, ub[2] = {c.ub, 2.0f};
    FnProblem p = line();
    nlsOutcome r = runFit(p, kLinePoints, x0, lb, ub, c.maxIter);
    EXPECT_EQ(p.firstX, c.firstX);
    EXPECT_NEAR(r.x[0], c.finalX, 2e-4);
    EXPECT_EQ(r.x[1], 2.0f);
    if (c.maxIter < 1) {
      EXPECT_EQ(p.count, 1);
    }
  }
  // Every parameter fixed: one evaluation, no solve.
  const float fixed[2] = {1.5f, -0.5f};
  FnProblem p = line();
  nlsOutcome r = runFit(p, kLinePoints, fixed, fixed, fixed, 1000, true);
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(r.x[1], -0.5f);
  EXPECT_FLOAT_EQ(r.fvec[5], 1.5f - 0.5f * 5.0f - 11.0f);
  EXPECT_EQ(r.result.stop, kNlsNotRun);
  EXPECT_TRUE(r.status.ok());
}

TEST(NlsOpt, NonlinearProblemsReachTheirMinima) {
  const struct {
    const char* name;
    FnProblem (*make)();
    int m;
    float x0[2], lb[2], ub[2];
    float want[2];
    float relTol;
  } cases[] = {
      {"Rosenbrock", rosenbrock, 2, {-1.2f, 1.0f}, {-5, -5}, {5, 5}, {1.0f, 1.0f}, 1e-3f},
      // x0 <= 0.5: on the face the valley x1 = x0^2 is reachable, so the minimum is (0.5, 0.25)
      {"Rosenbrock on face", rosenbrock, 2, {-1.2f, 1}, {-5, -5}, {0.5f, 5}, {0.5f, 0.25f}, 1e-3f},
      {"decay", decay, 12, {1.0e4f, 1.0e-3f}, {0, 0}, {1e6f, 1.0f}, {2.5e4f, 1.5e-3f}, 1e-3f},
      {"Powell", powell, 2, {0.0f, 1.0f}, {-1, -1}, {20, 20}, {1.098159e-5f, 9.106146f}, 1e-2f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FnProblem p = c.make();
    nlsOutcome r = runFit(p, c.m, c.x0, c.lb, c.ub);
    for (int j = 0; j < 2; ++j) {
      EXPECT_NEAR(r.x[j], c.want[j], c.relTol * std::fabs(c.want[j]));
      // Neither a trial point nor a difference step leaves the box.
      EXPECT_GE(p.lo[j], c.lb[j]);
      EXPECT_LE(p.hi[j], c.ub[j]);
    }
    EXPECT_LE(r.result.iterations, 1000);
    EXPECT_NE(r.result.stop, kNlsIterLimit);
  }
}

TEST(NlsOpt, CovarianceIsInverseNormalMatrix) {
  const float x0[2] = {0.0f, 3.0f}, lb[2] = {-10, -10}, ub[2] = {10, 10};
  FnProblem p = line();
  nlsOutcome r = runFit(p, kLinePoints, x0, lb, ub, 1000, true);
  ASSERT_EQ(r.cov.size(), 4u);
  EXPECT_TRUE(r.status.ok());
  const float want[4] = {0.5238095f, -0.1428571f, -0.1428571f, 0.0571429f};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(r.cov[k], want[k], 1e-3f * std::fabs(want[k])) << k;
}

TEST(NlsOpt, InvalidProblemsFailWithoutEvaluating) {
  const float x0[2] = {1, 2}, lb[2] = {0, 0}, ub[2] = {3, 3}, nanB[2] = {0, kNaN};
  const struct {
    int m, n;
    const float* ub;
  } cases[] = {{0, 2, ub}, {6, 0, ub}, {6, 2, nanB}};
  for (const auto& c : cases) {
    FnProblem p = line();
    nlsOutcome r = runFit(p, c.m, x0, lb, c.ub, 1000, false, c.n);
    EXPECT_EQ(r.status.code(), 1);
    EXPECT_EQ(r.status.message(), "NLS Error: invalid problem (" + std::to_string(c.m) +
                                      " residuals, " + std::to_string(c.n) + " parameters).\n");
    EXPECT_EQ(p.count, 0);
  }
}

TEST(NlsOpt, StopsEarlyOnLimitsRequestAndNonFiniteStart) {
  const float x0[2] = {-1.2f, 1.0f}, lb[2] = {-5, -5}, ub[2] = {5, 5};
  // One iteration: start, Jacobian (2), one trial, Jacobian after acceptance (2), final: 7.
  FnProblem p = rosenbrock();
  nlsOutcome r = runFit(p, 2, x0, lb, ub, 1);
  EXPECT_EQ(r.result.iterations, 1);
  EXPECT_EQ(r.result.stop, kNlsIterLimit);
  EXPECT_LE(p.count, 7);

  FnProblem s = rosenbrock();
  s.stopAfter = 5;
  r = runFit(s, 2, x0, lb, ub);
  EXPECT_EQ(r.result.stop, kNlsUserStop);
  EXPECT_LE(s.count, 9);

  FnProblem bad([](int m, const float*, float* f) {
    for (int i = 0; i < m; ++i) f[i] = kNaN;
  });
  r = runFit(bad, 2, x0, lb, ub);
  EXPECT_EQ(r.result.stop, kNlsBadStart);
  EXPECT_EQ(r.x[0], x0[0]);
  EXPECT_EQ(r.x[1], x0[1]);
  EXPECT_EQ(bad.count, 2);  // the start and the final evaluation
}

TEST(NlsSolve, DefaultsAndRepairOfBadControls) {
  nlsControl ctl;
  nlsControlNull(&ctl);
  // eps = 1.1920929e-7: sqrt(eps), eps^(2/3), eps^2, 100 eps (python)
  EXPECT_FLOAT_EQ(ctl.gradTol, 3.4526698e-4f);
  EXPECT_FLOAT_EQ(ctl.stepTol, 2.4221818e-5f);
  EXPECT_FLOAT_EQ(ctl.relFuncTol, 2.4221818e-5f);
  EXPECT_FLOAT_EQ(ctl.absFuncTol, 1.4210855e-14f);
  EXPECT_FLOAT_EQ(ctl.falseConvTol, 1.1920929e-5f);

  ctl.stepTol = -1.0f;
  ctl.relFuncTol = -1.0f;
  ctl.delta = 0.0f;
  float x[2] = {0.0f, 3.0f}, lb[2] = {-10, -10}, ub[2] = {10, 10};
  float xs[2] = {-1.0f, 1.0f}, fs[kLinePoints] = {1, 1, 0, 1, 1, 1}, jac[2 * kLinePoints];
  FnProblem p = line();
  TextLog log;
  nlsResult res = nlsSolve(p, kLinePoints, 2, x, lb, ub, &ctl, xs, fs, jac, &log);
  EXPECT_EQ(log.text(),
            "NLS Warning: negative STEPTL; default used.\n"
            "NLS Warning: negative RFTOL; default used.\n"
            "NLS Warning: nonpositive DELTA; default used.\n"
            "NLS Warning: nonpositive parameter scale; default used.\n"
            "NLS Warning: nonpositive residual scale; default used.\n");
  EXPECT_EQ(fs[2], 1.0f);
  EXPECT_FLOAT_EQ(ctl.stepTol, 2.4221818e-5f);
  EXPECT_FLOAT_EQ(ctl.relFuncTol, 2.4221818e-5f);
  EXPECT_GT(xs[0], 0.0f);
  EXPECT_NEAR(x[0], 1.0380952f, 2e-4);
  EXPECT_NEAR(x[1], 1.9914286f, 2e-4);
  EXPECT_EQ(res.nfev, p.count);
  // The last Jacobian of a line is the design matrix [1, t].
  for (int i = 0; i < kLinePoints; ++i) {
    EXPECT_NEAR(jac[i], 1.0f, 1e-3f);
    EXPECT_NEAR(jac[kLinePoints + i], kLineT[i], 1e-3f);
  }
}

TEST(NlsJtjInv, InverseOfTheNormalMatrixOrSingularFailure) {
  // Two equal columns: J^T J = [[3, 3], [3, 3]] is singular.
  const float jac[6] = {1, 1, 1, 1, 1, 1};
  float cov[4] = {7, 7, 7, 7};
  const Status s = jtjInv(cov, jac, 2, 3);
  EXPECT_EQ(s.message(), "NLS Error: singular normal matrix, no covariance.\n");
  EXPECT_EQ(cov[0], 7.0f);
  // J = diag(2, 4) in a 3 x 2 layout: (J^T J)^-1 = diag(1/4, 1/16). Columns (1,0,1), (1,1,0),
  // (0,1,1): J^T J = [[2,1,1],[1,2,1],[1,1,2]], whose inverse is [[3,-1,-1],[-1,3,-1],[-1,-1,3]] /
  // 4 by hand (pivots change rows of the elimination twice).
  const float diag[6] = {2, 0, 0, 0, 4, 0}, three[9] = {1, 0, 1, 1, 1, 0, 0, 1, 1};
  EXPECT_TRUE(jtjInv(cov, diag, 2, 3).ok());
  const float want2[4] = {0.25f, 0, 0, 0.0625f};
  for (int k = 0; k < 4; k++) EXPECT_FLOAT_EQ(cov[k], want2[k]) << k;
  float cov3[9];
  EXPECT_TRUE(jtjInv(cov3, three, 3, 3).ok());
  for (int k = 0; k < 9; k++) EXPECT_NEAR(cov3[k], k % 4 == 0 ? 0.75 : -0.25, 1e-6) << k;
}

}  // namespace
}  // namespace korva
