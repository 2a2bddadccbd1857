// Bounded nonlinear least squares: minimise 0.5*sum f_i(x)^2 subject to lb <= x <= ub.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "core/status.h"

namespace korva {

// A least-squares problem: the solver owns nothing of it and calls back through this interface,
// so each fit carries its own data and two fits never share state.
class nlsProblem {
 public:
  virtual ~nlsProblem() = default;
  // Reads the n parameters x and writes the m residuals into fvec.
  virtual void residuals(int m, int n, const float* x, float* fvec) = 0;
  // Asked before every iteration; true ends the solve with kNlsUserStop.
  virtual bool stopRequested() const { return false; }
};

// Single-precision relative spacing; the solver's tolerances derive from it.
constexpr float kNlsEps = 1.1920929e-7f;

// Solver controls. Field order follows the solver's own 1-based numbering: integers 1..6, then
// reals 1..7.
struct nlsControl {
  int defaultsSet;     // 1: the fields below hold usable values
  int goodDigits;      // binary digits of the residuals that are trustworthy (finite differences)
  int maxIter;         // iteration limit
  int maxFcn;          // limit on residual evaluations at trial points (start point included)
  int maxJac;          // limit on finite-difference Jacobians
  int internalScale;   // 1: parameter scales follow the Jacobian column norms
  float gradTol;       // relative projected-gradient tolerance
  float stepTol;       // STEPTL, relative step tolerance
  float relFuncTol;    // RFTOL, relative function tolerance
  float absFuncTol;    // AFTOL, absolute function tolerance
  float falseConvTol;  // FALSTL, false-convergence tolerance
  float stepMax;       // STEPMX, largest scaled step; <= 0 before the solver derives it
  float delta;         // DELTA, initial trust radius; <= 0 means the first scaled Cauchy step
};

// Fills every control with its default; stepMax and delta get the -999 "derive it" marker.
void nlsControlNull(nlsControl* ctl);

// Why the solver stopped.
enum nlsStop {
  kNlsRunning = 0,
  kNlsGradient = 1,   // projected scaled gradient below gradTol
  kNlsStepTol = 2,    // scaled step below STEPTL, or no representable step left
  kNlsRelFunc = 3,    // predicted reduction of the Gauss-Newton step below RFTOL*f
  kNlsAbsFunc = 4,    // f below AFTOL
  kNlsFalseConv = 5,  // trust region shrank below FALSTL without progress
  kNlsStepMax = 6,    // five consecutive steps of length STEPMX
  kNlsIterLimit = 7,
  kNlsFcnLimit = 8,
  kNlsJacLimit = 9,
  kNlsUserStop = 10,  // the problem asked to stop
  kNlsBadStart = 11,  // the residuals at the start point are not finite
  kNlsNotRun = 12,    // no solve took place (nothing free, no iterations, or bad input)
};

// Counts and outcome of the last solve.
struct nlsResult {
  int stop;        // an nlsStop value
  int iterations;  // trial steps taken
  int nfev;        // residual evaluations, finite differences included
  int njev;        // finite-difference Jacobians
  float f;         // 0.5*||f||^2 at the returned point
};

// Solver core. Minimises from x (which must lie within [lb, ub], lb <= ub) and leaves the best
// point found in x. xScale (n) holds parameter scales, updated in place with internal scaling;
// fScale (m) multiplies the residuals; nonpositive scales and controls are repaired in place, each
// repair named on warnings when it is given. fjac (m*n, column-major) receives the last Jacobian.
// All arrays belong to the caller. Returns the outcome; it never fails hard.
nlsResult nlsSolve(nlsProblem& problem, int m, int n, float* x, const float* lb, const float* ub,
                   nlsControl* ctl, float* xScale, float* fScale, float* fjac,
                   Log* warnings = nullptr);

// What nlsOpt returns.
struct nlsOutcome {
  tvector<float> x;     // the n solution parameters
  tvector<float> fvec;  // the m residuals at x
  tvector<float> cov;   // (J^T J)^-1, n*n, when asked for and computable
  nlsResult result{kNlsNotRun, 0, 0, 0, 0.0f};
  Status status;  // an invalid problem or a singular covariance
};

// Wrapper: sanitises the bounds (reversed pairs swapped, a start outside its bounds moved to the
// midpoint), solves with tolerance tol and the given limits, then evaluates the residuals once
// more at the solution so that fvec and any state of the problem match the returned parameters.
// warnings, when given, receives the solver's warnings.
nlsOutcome nlsOpt(nlsProblem& problem, int m, int n, const float* x0, const float* lb,
                  const float* ub, double tol, int maxIter, int maxFcn, bool wantCov,
                  Log* warnings = nullptr);

// cov (n*n, caller's) = (J^T J)^-1 for the m*n column-major Jacobian fjac. Returns success, or a
// failure when J^T J is singular (cov is then left untouched).
[[nodiscard]] Status jtjInv(float* cov, const float* fjac, int n, int m);

}  // namespace korva
