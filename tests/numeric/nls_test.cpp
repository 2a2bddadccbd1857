// Bounded least squares: minima, bound handling, evaluation counts and the solver's controls.
#include "numeric/nls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korva {
namespace {

// Straight line a + b*t through six points; the least-squares line and its covariance follow
// from the normal equations (computed by hand with python):
//   b = (n*Sty - St*Sy)/(n*Stt - St^2) = 1.9914285714, a = (Sy - b*St)/n = 1.0380952381,
//   (A^T A)^-1 = [[Stt, -St], [-St, n]]/det = [[0.5238095, -0.1428571], [-0.1428571, 0.0571429]].
constexpr int kLinePoints = 6;
constexpr float kLineT[kLinePoints] = {0, 1, 2, 3, 4, 5};
constexpr float kLineY[kLinePoints] = {1.1f, 2.9f, 5.2f, 6.8f, 9.1f, 11.0f};

struct Calls {
  int count = 0;
  float lastX[4] = {0, 0, 0, 0};
  float firstX[4] = {0, 0, 0, 0};
  int stopAt = -1;  // raise the stop flag on this call
};
Calls gCalls;

void record(int n, const float* x) {
  for (int j = 0; j < n && j < 4; ++j) {
    if (gCalls.count == 0) gCalls.firstX[j] = x[j];
    gCalls.lastX[j] = x[j];
  }
  ++gCalls.count;
  if (gCalls.count == gCalls.stopAt) setUserStopFlag(1);
}

int lineResiduals(int m, int n, const float* x, float* f) {
  record(n, x);
  for (int i = 0; i < m; ++i) f[i] = x[0] + x[1] * kLineT[i] - kLineY[i];
  return 0;
}

// Rosenbrock as residuals: 10*(x1 - x0^2), 1 - x0.
int rosenbrock(int, int n, const float* x, float* f) {
  record(n, x);
  f[0] = 10.0f * (x[1] - x[0] * x[0]);
  f[1] = 1.0f - x[0];
  return 0;
}

// Decay A*exp(-k*t) sampled at t = 0, 250, ..., 2750 from A = 2.5e4, k = 1.5e-3: amplitude and
// rate differ by seven orders of magnitude and the residuals span a factor of 40.
constexpr int kDecayPoints = 12;
constexpr double kDecayA = 2.5e4;
constexpr double kDecayK = 1.5e-3;
int decay(int m, int n, const float* x, float* f) {
  record(n, x);
  for (int i = 0; i < m; ++i) {
    double t = 250.0 * i;
    f[i] = static_cast<float>(x[0] * std::exp(-x[1] * t) - kDecayA * std::exp(-kDecayK * t));
  }
  return 0;
}

// Powell's badly scaled function: f0 = 1e4*x0*x1 - 1, f1 = exp(-x0) + exp(-x1) - 1.0001. Its
// zero is at (1.098159e-5, 9.106146) (Moré, Garbow and Hillstrom, ACM TOMS 7 (1981) 17).
int powellBadlyScaled(int, int n, const float* x, float* f) {
  record(n, x);
  f[0] = static_cast<float>(1.0e4 * x[0] * x[1] - 1.0);
  f[1] = static_cast<float>(std::exp(-static_cast<double>(x[0])) +
                            std::exp(-static_cast<double>(x[1])) - 1.0001);
  return 0;
}

int nanResiduals(int m, int n, const float* x, float* f) {
  record(n, x);
  for (int i = 0; i < m; ++i) f[i] = std::numeric_limits<float>::quiet_NaN();
  return 0;
}

// The caller's settings of the one user: tol 1e-8 widened from float, limits 1000.
constexpr double kTol = 9.99999993922529e-9;

struct Fit {
  tvector<float> x, fvec, cov;
  int nOut = -1;
  int status = -1;
};

Fit runFit(nlsResFunc fn, int m, int n, const float* x0, const float* lb, const float* ub,
           int maxIter = 1000, int wantCov = 0) {
  gCalls = Calls{};
  Fit r;
  r.x = nlsOpt(fn, m, n, x0, lb, ub, kTol, maxIter, 1000, wantCov, &r.fvec, &r.cov, &r.nOut,
               &r.status, 0);
  return r;
}

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(NlsOpt, LinearProblemReachesNormalEquationSolutionOrBoundFace) {
  struct Case {
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float x0[2] = {0.0f, 3.0f};
    Fit r = runFit(lineResiduals, kLinePoints, 2, x0, c.lb, c.ub);
    ASSERT_EQ(r.x.size(), 2u);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.nOut, 2);
    EXPECT_NEAR(r.x[0], c.a, 2e-4);
    EXPECT_NEAR(r.x[1], c.b, 2e-4);
    EXPECT_GE(r.x[0], c.lb[0]);
    EXPECT_LE(r.x[0], c.ub[0]);
    EXPECT_GE(r.x[1], c.lb[1]);
    EXPECT_LE(r.x[1], c.ub[1]);
  }
}

TEST(NlsOpt, ResidualsAndLastEvaluationMatchReturnedParameters) {
  float x0[2] = {0.0f, 3.0f}, lb[2] = {-10, -10}, ub[2] = {10, 10};
  Fit r = runFit(lineResiduals, kLinePoints, 2, x0, lb, ub);
  ASSERT_EQ(r.fvec.size(), static_cast<size_t>(kLinePoints));
  EXPECT_EQ(gCalls.lastX[0], r.x[0]);
  EXPECT_EQ(gCalls.lastX[1], r.x[1]);
  for (int i = 0; i < kLinePoints; ++i)
    EXPECT_FLOAT_EQ(r.fvec[i], r.x[0] + r.x[1] * kLineT[i] - kLineY[i]) << i;
}

TEST(NlsOpt, BoundsAreSwappedAndStartMovedToMidpoint) {
  struct Case {
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
      {"start NaN", std::numeric_limits<float>::quiet_NaN(), -1.0f, 3.0f, 0, 1.0f, 1.0f},
      {"start beyond half-infinite", -7.0f, 3.0f, kInf, 0, 3.0f, 3.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float x0[2] = {c.x0, 2.0f}, lb[2] = {c.lb, 2.0f}, ub[2] = {c.ub, 2.0f};
    Fit r = runFit(lineResiduals, kLinePoints, 2, x0, lb, ub, c.maxIter);
    EXPECT_EQ(gCalls.firstX[0], c.firstX);
    EXPECT_NEAR(r.x[0], c.finalX, 2e-4);
    EXPECT_EQ(r.x[1], 2.0f);
    if (c.maxIter < 1) {
      EXPECT_EQ(gCalls.count, 1);
    }
  }
}

TEST(NlsOpt, AllParametersFixedEvaluatesOnce) {
  float x0[2] = {1.5f, -0.5f}, lb[2] = {1.5f, -0.5f}, ub[2] = {1.5f, -0.5f};
  Fit r = runFit(lineResiduals, kLinePoints, 2, x0, lb, ub);
  EXPECT_EQ(gCalls.count, 1);
  EXPECT_EQ(r.x[0], 1.5f);
  EXPECT_EQ(r.x[1], -0.5f);
  EXPECT_FLOAT_EQ(r.fvec[5], 1.5f - 0.5f * 5.0f - 11.0f);
  EXPECT_EQ(nlsLastResult().stop, kNlsNotRun);
}

TEST(NlsOpt, NonlinearProblemsReachTheirMinima) {
  struct Case {
    const char* name;
    nlsResFunc fn;
    int m;
    float x0[2], lb[2], ub[2];
    float want[2];
    float relTol;
  } cases[] = {
      {"Rosenbrock", rosenbrock, 2, {-1.2f, 1.0f}, {-5, -5}, {5, 5}, {1.0f, 1.0f}, 1e-3f},
      // x0 <= 0.5: on the face the valley x1 = x0^2 is reachable, so the minimum is (0.5, 0.25)
      {"Rosenbrock on face",
       rosenbrock,
       2,
       {-1.2f, 1.0f},
       {-5, -5},
       {0.5f, 5},
       {0.5f, 0.25f},
       1e-3f},
      {"decay",
       decay,
       kDecayPoints,
       {1.0e4f, 1.0e-3f},
       {0, 0},
       {1e6f, 1.0f},
       {static_cast<float>(kDecayA), static_cast<float>(kDecayK)},
       1e-3f},
      {"Powell badly scaled",
       powellBadlyScaled,
       2,
       {0.0f, 1.0f},
       {-1, -1},
       {20, 20},
       {1.098159e-5f, 9.106146f},
       1e-2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fit r = runFit(c.fn, c.m, 2, c.x0, c.lb, c.ub);
    for (int j = 0; j < 2; ++j) EXPECT_NEAR(r.x[j], c.want[j], c.relTol * std::fabs(c.want[j]));
    EXPECT_LE(nlsLastResult().iterations, 1000);
  }
}

TEST(NlsOpt, CovarianceIsInverseNormalMatrix) {
  float x0[2] = {0.0f, 3.0f}, lb[2] = {-10, -10}, ub[2] = {10, 10};
  Fit r = runFit(lineResiduals, kLinePoints, 2, x0, lb, ub, 1000, 1);
  ASSERT_EQ(r.cov.size(), 4u);
  EXPECT_EQ(r.status, 0);
  const float want[4] = {0.5238095f, -0.1428571f, -0.1428571f, 0.0571429f};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(r.cov[k], want[k], 1e-3f * std::fabs(want[k])) << k;
}

TEST(NlsOpt, InvalidProblemsFailWithoutEvaluating) {
  float x0[2] = {1, 2}, lb[2] = {0, 0}, ub[2] = {3, 3};
  float nanB[2] = {0, std::numeric_limits<float>::quiet_NaN()};
  struct Case {
    const char* name;
    nlsResFunc fn;
    int m, n;
    const float* ub;
  } cases[] = {
      {"no function", nullptr, 6, 2, ub},
      {"no residuals", lineResiduals, 0, 2, ub},
      {"no parameters", lineResiduals, 6, 0, ub},
      {"NaN bound", lineResiduals, 6, 2, nanB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStderr();
    Fit r = runFit(c.fn, c.m, c.n, x0, lb, c.ub);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(gCalls.count, 0);
    EXPECT_NE(err.find("NLS Error: invalid problem"), std::string::npos);
  }
}

TEST(NlsOpt, StopsEarlyOnLimitsFlagAndNonFiniteStart) {
  float x0[2] = {-1.2f, 1.0f}, lb[2] = {-5, -5}, ub[2] = {5, 5};
  // One iteration: start, Jacobian (2), one trial, Jacobian after acceptance (2), final: 7.
  Fit r = runFit(rosenbrock, 2, 2, x0, lb, ub, 1);
  EXPECT_EQ(nlsLastResult().iterations, 1);
  EXPECT_EQ(nlsLastResult().stop, kNlsIterLimit);
  EXPECT_LE(gCalls.count, 7);

  gCalls = Calls{};
  gCalls.stopAt = 5;
  Fit s;
  s.x = nlsOpt(rosenbrock, 2, 2, x0, lb, ub, kTol, 1000, 1000, 0, &s.fvec, nullptr, &s.nOut,
               &s.status, 0);
  EXPECT_EQ(nlsLastResult().stop, kNlsUserStop);
  EXPECT_EQ(setUserStopFlag(0), 0);  // cleared on exit

  Fit n = runFit(nanResiduals, 2, 2, x0, lb, ub);
  EXPECT_EQ(nlsLastResult().stop, kNlsBadStart);
  EXPECT_EQ(n.x[0], x0[0]);
  EXPECT_EQ(n.x[1], x0[1]);
  EXPECT_EQ(gCalls.count, 2);  // the start and the final evaluation
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
  EXPECT_EQ(ctl.goodDigits, 24);
  EXPECT_EQ(ctl.maxIter, 100);
  EXPECT_EQ(ctl.maxFcn, 400);
  EXPECT_EQ(ctl.maxJac, 100);
  EXPECT_EQ(ctl.internalScale, 1);

  ctl.stepTol = -1.0f;
  ctl.relFuncTol = -1.0f;
  ctl.delta = 0.0f;
  float x[2] = {0.0f, 3.0f}, lb[2] = {-10, -10}, ub[2] = {10, 10};
  float xs[2] = {-1.0f, 1.0f}, fs[kLinePoints] = {1, 1, 1, 1, 1, 1}, jac[2 * kLinePoints];
  gCalls = Calls{};
  nlsResult res = nlsSolve(lineResiduals, kLinePoints, 2, x, lb, ub, &ctl, xs, fs, jac);
  EXPECT_FLOAT_EQ(ctl.stepTol, 2.4221818e-5f);
  EXPECT_FLOAT_EQ(ctl.relFuncTol, 2.4221818e-5f);
  EXPECT_GT(ctl.delta, -1000.0f);
  EXPECT_GT(xs[0], 0.0f);
  EXPECT_NEAR(x[0], 1.0380952f, 2e-4);
  EXPECT_NEAR(x[1], 1.9914286f, 2e-4);
  EXPECT_EQ(res.nfev, gCalls.count);
  // The last Jacobian of a line is the design matrix [1, t].
  for (int i = 0; i < kLinePoints; ++i) {
    EXPECT_NEAR(jac[i], 1.0f, 1e-3f);
    EXPECT_NEAR(jac[kLinePoints + i], kLineT[i], 1e-3f);
  }
}

TEST(NlsJtjInv, SingularNormalMatrixFails) {
  // Two equal columns: J^T J = [[3, 3], [3, 3]] is singular.
  const float jac[6] = {1, 1, 1, 1, 1, 1};
  float cov[4] = {7, 7, 7, 7};
  testing::internal::CaptureStderr();
  EXPECT_EQ(jtjInv(cov, jac, 2, 3), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("singular"), std::string::npos);
  EXPECT_EQ(cov[0], 7.0f);
  // J = diag(2, 4) in a 3 x 2 layout: (J^T J)^-1 = diag(1/4, 1/16).
  const float diag[6] = {2, 0, 0, 0, 4, 0};
  EXPECT_EQ(jtjInv(cov, diag, 2, 3), 0);
  EXPECT_FLOAT_EQ(cov[0], 0.25f);
  EXPECT_FLOAT_EQ(cov[3], 0.0625f);
  EXPECT_FLOAT_EQ(cov[1], 0.0f);
}

}  // namespace
}  // namespace korva
