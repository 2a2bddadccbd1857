// Trust-region Levenberg-Marquardt core with an active set for simple bounds.
#include <cblas.h>

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "numeric/nls.h"

namespace korva {
namespace {

constexpr float kDeriveMarker = -999.0f;
constexpr float kAcceptRatio = 1.0e-4f;  // smallest actual/predicted reduction that is accepted
constexpr float kShrinkRatio = 0.25f;    // below it the trust region shrinks
constexpr float kGrowRatio = 0.75f;      // above it the trust region grows
constexpr float kRadiusLow = 0.75f;      // the damped step's length lies in [low, high]*radius
constexpr float kRadiusHigh = 1.5f;
constexpr int kMaxLambdaSteps = 30;
constexpr int kMaxStepMaxRun = 5;
constexpr float kStepMaxFactor = 1000.0f;
constexpr float kStepMaxHit = 0.99f;

float defaultStepTol() {
  return std::pow(kNlsEps, 2.0f / 3.0f);
}
float defaultRelFuncTol() {
  return std::fmax(1.0e-10f, defaultStepTol());
}
float defaultAbsFuncTol() {
  return std::fmax(1.0e-20f, kNlsEps * kNlsEps);
}

// Replaces out-of-range controls by their defaults, one warning each.
void checkControls(nlsControl* c, int n, float* xScale, int m, float* fScale, Log* log) {
  const auto warn = [log](const char* what) {
    if (log != nullptr) log->printf("NLS Warning: %s; default used.\n", what);
  };
  nlsControl def;
  nlsControlNull(&def);
  if (c->defaultsSet != 1) *c = def;
  if (c->goodDigits < 1) c->goodDigits = def.goodDigits, warn("good digits not positive");
  if (c->maxJac < 1) c->maxJac = def.maxJac, warn("Jacobian limit not positive");
  if (c->maxFcn < 1) c->maxFcn = def.maxFcn, warn("evaluation limit not positive");
  if (!(c->gradTol >= 0.0f)) c->gradTol = def.gradTol, warn("negative gradient tolerance");
  if (!(c->stepTol >= 0.0f)) c->stepTol = def.stepTol, warn("negative STEPTL");
  if (!(c->relFuncTol >= 0.0f)) c->relFuncTol = def.relFuncTol, warn("negative RFTOL");
  if (!(c->absFuncTol >= 0.0f)) c->absFuncTol = def.absFuncTol, warn("negative AFTOL");
  if (!(c->falseConvTol >= 0.0f)) c->falseConvTol = def.falseConvTol, warn("negative FALSTL");
  // Nonpositive STEPMX and DELTA other than the marker are mistakes; the marker asks for the
  // derived value.
  if (c->stepMax != kDeriveMarker && !(c->stepMax > 0.0f))
    c->stepMax = kDeriveMarker, warn("nonpositive STEPMX");
  if (c->delta != kDeriveMarker && !(c->delta > 0.0f))
    c->delta = kDeriveMarker, warn("nonpositive DELTA");
  bool badScale = false;
  for (int j = 0; j < n; ++j)
    if (!(xScale[j] > 0.0f)) xScale[j] = 1.0f, badScale = true;
  if (badScale) warn("nonpositive parameter scale");
  badScale = false;
  for (int i = 0; i < m; ++i)
    if (!(fScale[i] > 0.0f)) fScale[i] = 1.0f, badScale = true;
  if (badScale) warn("nonpositive residual scale");
}

// Householder QR of the rows x cols column-major matrix a (leading dimension lda), applied also
// to b (rows); w is scratch of cols values. With pivoting, perm receives the column order. The R
// factor is left in the upper triangle; returns the numerical rank.
int householderQR(float* a, int lda, int rows, int cols, float* b, int* perm, bool pivot,
                  float* w) {
  for (int j = 0; j < cols; ++j) perm[j] = j;
  int steps = rows < cols ? rows : cols;
  for (int j = 0; j < steps; ++j) {
    float* colj = a + j * lda + j;
    int len = rows - j;
    if (pivot) {
      int best = j;
      float bestNorm = cblas_snrm2(len, colj, 1);
      for (int c = j + 1; c < cols; ++c) {
        float nc = cblas_snrm2(len, a + c * lda + j, 1);
        if (nc > bestNorm) best = c, bestNorm = nc;
      }
      if (best != j) {
        cblas_sswap(rows, a + j * lda, 1, a + best * lda, 1);
        int t = perm[j];
        perm[j] = perm[best];
        perm[best] = t;
      }
    }
    float alpha = colj[0];
    float xnorm = len > 1 ? cblas_snrm2(len - 1, colj + 1, 1) : 0.0f;
    if (xnorm == 0.0f) continue;  // already triangular in this column: H = I
    float beta = -std::copysign(std::hypot(alpha, xnorm), alpha);
    float tau = (beta - alpha) / beta;
    cblas_sscal(len - 1, 1.0f / (alpha - beta), colj + 1, 1);
    colj[0] = 1.0f;  // v holds the implicit leading 1 while H is applied
    int rest = cols - j - 1;
    if (rest > 0) {
      float* wp = w;
      float* trail = a + (j + 1) * lda + j;
      cblas_sgemv(CblasColMajor, CblasTrans, len, rest, 1.0f, trail, lda, colj, 1, 0.0f, wp, 1);
      cblas_sger(CblasColMajor, len, rest, -tau, colj, 1, wp, 1, trail, lda);
    }
    if (b != nullptr) {
      float vb = cblas_sdot(len, colj, 1, b + j, 1);
      cblas_saxpy(len, -tau * vb, colj, 1, b + j, 1);
    }
    colj[0] = beta;
  }
  if (steps == 0) return 0;
  float r0 = std::fabs(a[0]);
  float tolR = r0 * 10.0f * static_cast<float>(cols) * kNlsEps;
  int rank = 0;
  while (rank < steps && std::fabs(a[rank * lda + rank]) > tolR) ++rank;
  return rank;
}

// Solves R z = rhs for the leading rank x rank block of the upper triangle of r.
void backSolve(const float* r, int ldr, int rank, const float* rhs, float* z) {
  for (int i = rank - 1; i >= 0; --i) {
    double s = rhs[i];
    for (int j = i + 1; j < rank; ++j) s -= static_cast<double>(r[j * ldr + i]) * z[j];
    z[i] = static_cast<float>(s / r[i * ldr + i]);
  }
}

// Solves R^T q = rhs for the upper-triangular k x k R.
void forwardSolveT(const float* r, int ldr, int k, const float* rhs, float* q) {
  for (int i = 0; i < k; ++i) {
    double s = rhs[i];
    for (int j = 0; j < i; ++j) s -= static_cast<double>(r[i * ldr + j]) * q[j];
    q[i] = static_cast<float>(s / r[i * ldr + i]);
  }
}

double halfSquare(int m, const float* f) {
  double nrm = cblas_snrm2(m, f, 1);
  return 0.5 * nrm * nrm;
}

struct Solver {
  nlsProblem* fn;
  int m, n;
  float* x;
  const float* lb;
  const float* ub;
  nlsControl* ctl;
  float* d;  // parameter scales
  const float* fScale;
  float* fjac;
  nlsResult res;
  int trials = 0;  // evaluations at the start and trial points, the ones maxFcn limits
  tvector<float> f, ft, fd, xt, g, p, s, js, w;
  tvector<float> a, qb, aug, augb, z, q;
  tvector<int> freeIdx, perm, perm2;
  bool firstScale = true;

  double evaluate(const float* at, float* out) {
    fn->residuals(m, n, at, out);
    ++res.nfev;
    for (int i = 0; i < m; ++i) out[i] *= fScale[i];
    return halfSquare(m, out);
  }

  // Forward differences; a step that would leave the box goes the other way.
  void jacobian() {
    double eta = std::fmax(std::ldexp(1.0, -ctl->goodDigits), static_cast<double>(kNlsEps));
    double root = std::sqrt(eta);
    cblas_scopy(n, x, 1, xt.data(), 1);
    for (int j = 0; j < n; ++j) {
      float* col = fjac + static_cast<size_t>(j) * m;
      if (lb[j] == ub[j]) {
        for (int i = 0; i < m; ++i) col[i] = 0.0f;
        continue;
      }
      double h = root * std::fmax(std::fabs(x[j]), 1.0 / d[j]);
      if (x[j] + h > ub[j] && x[j] - h >= lb[j]) h = -h;
      xt[j] = static_cast<float>(x[j] + h);
      float hh = xt[j] - x[j];
      if (hh == 0.0f) {  // x so large that the step vanished: take the next float
        xt[j] = std::nextafter(x[j], h > 0 ? FLT_MAX : -FLT_MAX);
        hh = xt[j] - x[j];
      }
      evaluate(xt.data(), fd.data());
      xt[j] = x[j];
      cblas_scopy(m, fd.data(), 1, col, 1);
      cblas_saxpy(m, -1.0f, f.data(), 1, col, 1);
      cblas_sscal(m, 1.0f / hh, col, 1);
    }
    ++res.njev;
    if (ctl->internalScale == 1) {
      for (int j = 0; j < n; ++j) {
        float cn = cblas_snrm2(m, fjac + static_cast<size_t>(j) * m, 1);
        if (firstScale)
          d[j] = cn > 0.0f && std::isfinite(cn) ? cn : 1.0f;
        else if (std::isfinite(cn))
          d[j] = std::fmax(d[j], cn);
      }
      firstScale = false;
    }
  }

  // Scaled step z (k values, in the pivoted order of the k x k R in a) for damping lambda;
  // returns its length.
  float dampedStep(int k, int rank, float lambda) {
    if (lambda <= 0.0f) {
      for (int i = 0; i < k; ++i) z[i] = 0.0f;
      for (int i = 0; i < rank; ++i) qb[i] = -qb[i];
      backSolve(a.data(), m, rank, qb.data(), z.data());
      for (int i = 0; i < rank; ++i) qb[i] = -qb[i];
      return cblas_snrm2(k, z.data(), 1);
    }
    // [R; sqrt(lambda) I] z = [-c; 0] by a second QR
    int rows = 2 * k;
    float root = std::sqrt(lambda);
    for (int j = 0; j < k; ++j) {
      float* col = aug.data() + j * rows;
      for (int i = 0; i < rows; ++i) col[i] = 0.0f;
      for (int i = 0; i <= j && i < m; ++i) col[i] = a[j * m + i];
      col[k + j] = root;
    }
    for (int i = 0; i < k; ++i) augb[i] = -qb[i], augb[k + i] = 0.0f;
    householderQR(aug.data(), rows, rows, k, augb.data(), perm2.data(), false, w.data());
    backSolve(aug.data(), rows, k, augb.data(), z.data());
    return cblas_snrm2(k, z.data(), 1);
  }

  // Moré's safeguarded Newton iteration on the damping so that the scaled step length lies
  // between 0.75 and 1.5 times the trust radius. Returns lambda; the step is left in z.
  float searchLambda(int k, int rank, float delta, float gsNorm) {
    float len = dampedStep(k, rank, 0.0f);
    if (len <= kRadiusHigh * delta) return 0.0f;
    float lo = 0.0f;
    if (rank == k) {
      for (int i = 0; i < k; ++i) p[i] = z[i] / len;
      forwardSolveT(a.data(), m, k, p.data(), q.data());
      float qn = cblas_snrm2(k, q.data(), 1);
      if (qn > 0.0f) lo = (len - delta) / delta / (qn * qn);
    }
    float hi = gsNorm / delta;
    float lambda = std::fmax(lo, 1.0e-3f * hi);
    for (int it = 0; it < kMaxLambdaSteps; ++it) {
      if (!(lambda > lo && lambda < hi)) lambda = std::fmax(1.0e-3f * hi, std::sqrt(lo * hi));
      if (!(lambda > 0.0f)) lambda = FLT_MIN;
      len = dampedStep(k, rank, lambda);
      if (len >= kRadiusLow * delta && len <= kRadiusHigh * delta) break;
      if (len > delta)
        lo = std::fmax(lo, lambda);
      else
        hi = std::fmin(hi, lambda);
      for (int i = 0; i < k; ++i) p[i] = z[i] / len;
      forwardSolveT(aug.data(), 2 * k, k, p.data(), q.data());
      float qn = cblas_snrm2(k, q.data(), 1);
      if (!(qn > 0.0f) || !(len > 0.0f)) break;
      lambda = std::fmax(lo, lambda + (len - delta) / delta / (qn * qn));
    }
    return lambda;
  }

  // Predicted reduction of the linear model for the step s: f - 0.5*||f + J s||^2.
  double predicted(double fval) {
    cblas_scopy(m, f.data(), 1, js.data(), 1);
    cblas_sgemv(CblasColMajor, CblasNoTrans, m, n, 1.0f, fjac, m, s.data(), 1, 1.0f, js.data(), 1);
    return fval - halfSquare(m, js.data());
  }

  // Relative size of a step: largest |s_j| / max(|x_j|, 1/d_j).
  double relativeStep() {
    double r = 0.0;
    for (int j = 0; j < n; ++j)
      r = std::fmax(r, std::fabs(s[j]) / std::fmax(std::fabs(x[j]), 1.0 / d[j]));
    return r;
  }

  void run();
};

void Solver::run() {
  double fval = evaluate(x, f.data());
  ++trials;
  if (!std::isfinite(fval)) {
    res.stop = kNlsBadStart;
    res.f = static_cast<float>(fval);
    return;
  }
  jacobian();
  if (!(ctl->stepMax > 0.0f)) {
    double dx = 0.0, dn = 0.0;
    for (int j = 0; j < n; ++j) dx += double(d[j]) * x[j] * d[j] * x[j], dn += double(d[j]) * d[j];
    ctl->stepMax = static_cast<float>(kStepMaxFactor * std::fmax(std::sqrt(dx), std::sqrt(dn)));
  }
  float delta = ctl->delta;
  int stepMaxRun = 0;
  while (res.stop == kNlsRunning) {
    if (fn->stopRequested()) {
      res.stop = kNlsUserStop;
      break;
    }
    if (fval <= ctl->absFuncTol) {
      res.stop = kNlsAbsFunc;
      break;
    }
    cblas_sgemv(CblasColMajor, CblasTrans, m, n, 1.0f, fjac, m, f.data(), 1, 0.0f, g.data(), 1);
    // Active set: a parameter at a bound whose gradient pushes it outward stays put.
    int k = 0;
    double relGrad = 0.0;
    for (int j = 0; j < n; ++j) {
      if (lb[j] == ub[j]) continue;
      if (x[j] <= lb[j] && g[j] > 0.0f) continue;
      if (x[j] >= ub[j] && g[j] < 0.0f) continue;
      freeIdx[k++] = j;
      relGrad = std::fmax(relGrad, std::fabs(g[j]) * std::fmax(std::fabs(x[j]), 1.0 / d[j]));
    }
    relGrad /= std::fmax(fval, static_cast<double>(FLT_MIN));
    if (k == 0 || relGrad <= ctl->gradTol) {
      res.stop = kNlsGradient;
      break;
    }
    bool firstPass = true;
    float lambda = 0.0f;
    for (;;) {
      // Scaled free Jacobian A = J_F D_F^-1 and its gradient D_F^-1 g_F.
      for (int c = 0; c < k; ++c) {
        int j = freeIdx[c];
        float* col = a.data() + static_cast<size_t>(c) * m;
        cblas_scopy(m, fjac + static_cast<size_t>(j) * m, 1, col, 1);
        cblas_sscal(m, 1.0f / d[j], col, 1);
        p[c] = g[j] / d[j];
      }
      float gsNorm = cblas_snrm2(k, p.data(), 1);
      if (!(delta > 0.0f)) {  // first scaled Cauchy step: |gs|^3 / |A gs|^2
        cblas_sgemv(CblasColMajor, CblasNoTrans, m, k, 1.0f, a.data(), m, p.data(), 1, 0.0f,
                    js.data(), 1);
        float ags = cblas_snrm2(m, js.data(), 1);
        delta = ags > 0.0f ? gsNorm * (gsNorm / ags) * (gsNorm / ags) : 1.0f;
        if (!(delta > 0.0f) || !std::isfinite(delta)) delta = 1.0f;
      }
      delta = std::fmin(delta, ctl->stepMax);
      cblas_scopy(m, f.data(), 1, qb.data(), 1);
      int rank = householderQR(a.data(), m, m, k, qb.data(), perm.data(), true, w.data());
      if (firstPass && halfSquare(rank, qb.data()) <= ctl->relFuncTol * fval) {
        res.stop = kNlsRelFunc;
        break;
      }
      firstPass = false;
      lambda = searchLambda(k, rank, delta, gsNorm);
      for (int j = 0; j < n; ++j) p[j] = 0.0f;
      for (int c = 0; c < k; ++c) {
        int j = freeIdx[perm[c]];
        p[j] = z[c] / d[j];
      }
      // A parameter at a bound that the step would push outward joins the active set, and the
      // step is recomputed for the rest.
      int kept = 0;
      for (int c = 0; c < k; ++c) {
        int j = freeIdx[c];
        if ((x[j] <= lb[j] && p[j] < 0.0f) || (x[j] >= ub[j] && p[j] > 0.0f)) continue;
        freeIdx[kept++] = j;
      }
      if (kept == k) break;
      if (kept == 0) {
        // Nothing left: fall back to the projected steepest-descent direction of the radius,
        // which the gradient rule guarantees points inward.
        for (int j = 0; j < n; ++j) p[j] = 0.0f;
        double gs2 = 0.0;
        for (int j = 0; j < n; ++j) {
          bool atLow = x[j] <= lb[j] && g[j] > 0.0f, atHigh = x[j] >= ub[j] && g[j] < 0.0f;
          if (lb[j] == ub[j] || atLow || atHigh) continue;
          p[j] = -g[j] / (d[j] * d[j]);
          gs2 += double(g[j] / d[j]) * (g[j] / d[j]);
        }
        double scale = gs2 > 0.0 ? delta / std::sqrt(gs2) : 0.0;
        for (int j = 0; j < n; ++j) p[j] = static_cast<float>(p[j] * scale);
        lambda = 1.0f;
        break;
      }
      k = kept;
    }
    if (res.stop != kNlsRunning) break;
    // The projection keeps the trial point inside the box.
    bool clipped = false;
    for (int j = 0; j < n; ++j) {
      xt[j] = std::fmin(ub[j], std::fmax(lb[j], x[j] + p[j]));
      s[j] = xt[j] - x[j];
      clipped = clipped || xt[j] != x[j] + p[j];
    }
    double pred = predicted(fval);
    if (!(pred > 0.0)) {  // projection spoiled the model: truncate along the step instead
      double alpha = 1.0;
      for (int j = 0; j < n; ++j) {
        if (p[j] > 0.0f && x[j] + p[j] > ub[j]) alpha = std::fmin(alpha, (ub[j] - x[j]) / p[j]);
        if (p[j] < 0.0f && x[j] + p[j] < lb[j]) alpha = std::fmin(alpha, (lb[j] - x[j]) / p[j]);
      }
      for (int j = 0; j < n; ++j) {
        xt[j] = std::fmin(ub[j], std::fmax(lb[j], static_cast<float>(x[j] + alpha * p[j])));
        s[j] = xt[j] - x[j];
      }
      pred = predicted(fval);
    }
    bool moved = false;
    for (int j = 0; j < n; ++j) moved = moved || s[j] != 0.0f;
    if (!moved) {
      if (!clipped) {  // the step is below the float spacing of x: nothing left to gain
        res.stop = kNlsStepTol;
        break;
      }
      // Blocked by the bounds: a shorter step may still get through.
      delta *= kShrinkRatio;
      if (++res.iterations >= ctl->maxIter) res.stop = kNlsIterLimit;
      continue;
    }
    float stepLen = 0.0f;
    {
      double acc = 0.0;
      for (int j = 0; j < n; ++j) acc += double(d[j]) * s[j] * d[j] * s[j];
      stepLen = static_cast<float>(std::sqrt(acc));
    }
    double fnew = evaluate(xt.data(), ft.data());
    ++trials;
    double actred = fval - fnew;
    double ratio = pred > 0.0 ? actred / pred : -1.0;
    if (!(ratio >= kShrinkRatio)) {
      float factor = actred >= 0.0 ? 0.5f : 0.25f;
      delta = factor * std::fmin(delta, stepLen);
    } else if (ratio >= kGrowRatio || lambda == 0.0f) {
      delta = std::fmin(std::fmax(delta, 2.0f * stepLen), ctl->stepMax);
    }
    ++res.iterations;
    bool accepted = ratio >= kAcceptRatio && std::isfinite(fnew);
    if (accepted) {
      double rel = relativeStep();
      stepMaxRun = stepLen >= kStepMaxHit * ctl->stepMax ? stepMaxRun + 1 : 0;
      cblas_sswap(n, x, 1, xt.data(), 1);
      cblas_sswap(m, f.data(), 1, ft.data(), 1);
      fval = fnew;
      if (rel <= ctl->stepTol)
        res.stop = kNlsStepTol;
      else if (stepMaxRun >= kMaxStepMaxRun)
        res.stop = kNlsStepMax;
      else if (fval <= ctl->absFuncTol)
        res.stop = kNlsAbsFunc;
      else if (res.njev >= ctl->maxJac)
        res.stop = kNlsJacLimit;
      else if (trials >= ctl->maxFcn)
        res.stop = kNlsFcnLimit;
      else
        jacobian();
    } else if (relativeStep() <= ctl->falseConvTol) {
      res.stop = kNlsFalseConv;
    }
    if (res.stop != kNlsRunning) break;
    if (res.iterations >= ctl->maxIter)
      res.stop = kNlsIterLimit;
    else if (trials >= ctl->maxFcn)
      res.stop = kNlsFcnLimit;
  }
  res.f = static_cast<float>(fval);
}

}  // namespace

void nlsControlNull(nlsControl* ctl) {
  ctl->defaultsSet = 1;
  ctl->goodDigits = 24;
  ctl->maxIter = 100;
  ctl->maxFcn = 400;
  ctl->maxJac = 100;
  ctl->internalScale = 1;
  ctl->gradTol = std::sqrt(kNlsEps);
  ctl->stepTol = defaultStepTol();
  ctl->relFuncTol = defaultRelFuncTol();
  ctl->absFuncTol = defaultAbsFuncTol();
  ctl->falseConvTol = 100.0f * kNlsEps;
  ctl->stepMax = kDeriveMarker;
  ctl->delta = kDeriveMarker;
}

nlsResult nlsSolve(nlsProblem& problem, int m, int n, float* x, const float* lb, const float* ub,
                   nlsControl* ctl, float* xScale, float* fScale, float* fjac, Log* warnings) {
  Solver sv;
  sv.res = nlsResult{kNlsNotRun, 0, 0, 0, 0.0f};
  if (m < 1 || n < 1) return sv.res;
  checkControls(ctl, n, xScale, m, fScale, warnings);
  sv.res.stop = kNlsRunning;
  sv.fn = &problem;
  sv.m = m;
  sv.n = n;
  sv.x = x;
  sv.lb = lb;
  sv.ub = ub;
  sv.ctl = ctl;
  sv.d = xScale;
  sv.fScale = fScale;
  sv.fjac = fjac;
  size_t mm = static_cast<size_t>(m), nn = static_cast<size_t>(n);
  for (tvector<float>* v : {&sv.f, &sv.ft, &sv.fd, &sv.js, &sv.qb}) v->resize(mm);
  for (tvector<float>* v : {&sv.xt, &sv.g, &sv.p, &sv.s, &sv.z, &sv.q, &sv.w}) v->resize(nn);
  sv.a.resize(mm * nn);
  sv.aug.resize(2 * nn * nn);
  sv.augb.resize(2 * nn);
  sv.freeIdx.resize(nn);
  sv.perm.resize(nn);
  sv.perm2.resize(nn);
  sv.run();
  return sv.res;
}

}  // namespace korva
