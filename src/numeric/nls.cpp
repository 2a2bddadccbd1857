// The bounded least-squares wrapper: bound sanitising, the final evaluation and the covariance.
#include "numeric/nls.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korva {
namespace {

constexpr int kWrapperGoodDigits = 16;

// Midpoint of a bound pair; with an infinite side the finite bound (or 0) is the only sensible
// place to start.
float boundMidpoint(float lo, float hi) {
  bool loInf = std::isinf(lo), hiInf = std::isinf(hi);
  if (loInf && hiInf) return 0.0f;
  if (loInf) return hi;
  if (hiInf) return lo;
  return static_cast<float>((static_cast<double>(lo) + hi) / 2.0);
}

}  // namespace

nlsOutcome nlsOpt(nlsProblem& problem, int m, int n, const float* x0, const float* lb,
                  const float* ub, double tol, int maxIter, int maxFcn, bool wantCov,
                  Log* warnings) {
  nlsOutcome out;
  size_t nn = n > 0 ? static_cast<size_t>(n) : 0;
  size_t mm = m > 0 ? static_cast<size_t>(m) : 0;
  out.x.assign(nn, 0.0f);
  out.fvec.assign(mm, 0.0f);
  if (wantCov) out.cov.assign(nn * nn, 1.0f);
  bool bad = m < 1 || n < 1 || x0 == nullptr || lb == nullptr || ub == nullptr || std::isnan(tol);
  for (size_t j = 0; !bad && j < nn; ++j) bad = std::isnan(lb[j]) || std::isnan(ub[j]);
  if (bad) {
    out.status =
        Status::failure("NLS Error: invalid problem (%d residuals, %d parameters).\n", m, n);
    if (x0 != nullptr) std::copy(x0, x0 + nn, out.x.begin());
    return out;
  }

  tvector<float> lo(lb, lb + nn), hi(ub, ub + nn);
  tvector<float> fjac(mm * nn, 1.0f), xScale(nn, 1.0f), fScale(mm, 1.0f);
  std::copy(x0, x0 + nn, out.x.begin());
  int nFree = 0;
  for (size_t j = 0; j < nn; ++j) {
    if (hi[j] < lo[j]) std::swap(lo[j], hi[j]);
    if (!(out.x[j] >= lo[j] && out.x[j] <= hi[j])) out.x[j] = boundMidpoint(lo[j], hi[j]);
    if (lo[j] != hi[j]) ++nFree;
  }

  if (nFree > 0 && maxIter >= 1) {
    nlsControl ctl;
    nlsControlNull(&ctl);
    ctl.goodDigits = kWrapperGoodDigits;
    ctl.maxIter = maxIter;
    ctl.maxFcn = maxFcn;
    ctl.relFuncTol = static_cast<float>(tol);
    ctl.falseConvTol = static_cast<float>(2.0 * tol);
    out.result = nlsSolve(problem, m, n, out.x.data(), lo.data(), hi.data(), &ctl, xScale.data(),
                          fScale.data(), fjac.data(), warnings);
  }
  // One more evaluation so that fvec and whatever the problem keeps describe x.
  problem.residuals(m, n, out.x.data(), out.fvec.data());
  if (wantCov && out.result.stop != kNlsNotRun) {
    out.status = jtjInv(out.cov.data(), fjac.data(), n, m);
  }
  return out;
}

Status jtjInv(float* cov, const float* fjac, int n, int m) {
  size_t nn = static_cast<size_t>(n);
  tvector<double> a(nn * nn), inv(nn * nn, 0.0);
  double largest = 0.0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < m; ++k) sum += fjac[i * m + k] * fjac[j * m + k];
      a[i * nn + j] = sum;
      largest = std::fmax(largest, std::fabs(sum));
    }
    inv[i * nn + i] = 1.0;
  }
  // Gauss-Jordan elimination with partial pivoting.
  double tiny = largest * n * 1e-15;
  for (size_t c = 0; c < nn; ++c) {
    size_t piv = c;
    for (size_t r = c + 1; r < nn; ++r)
      if (std::fabs(a[r * nn + c]) > std::fabs(a[piv * nn + c])) piv = r;
    double pv = a[piv * nn + c];
    if (!(std::fabs(pv) > tiny)) {
      return Status::failure("NLS Error: singular normal matrix, no covariance.\n");
    }
    for (size_t k = 0; k < nn; ++k) {
      std::swap(a[c * nn + k], a[piv * nn + k]);
      std::swap(inv[c * nn + k], inv[piv * nn + k]);
    }
    for (size_t k = 0; k < nn; ++k) a[c * nn + k] /= pv, inv[c * nn + k] /= pv;
    for (size_t r = 0; r < nn; ++r) {
      if (r == c) continue;
      double fct = a[r * nn + c];
      if (fct == 0.0) continue;
      for (size_t k = 0; k < nn; ++k) {
        a[r * nn + k] -= fct * a[c * nn + k];
        inv[r * nn + k] -= fct * inv[c * nn + k];
      }
    }
  }
  for (size_t k = 0; k < nn * nn; ++k) cov[k] = static_cast<float>(inv[k]);
  return Status::success();
}

}  // namespace korva
