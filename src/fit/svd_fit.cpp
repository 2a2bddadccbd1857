// Order-matrix (SVD) fit of the Saupe vector.
#include "fit/svd_fit.h"

#include <cmath>
#include <cstddef>

#include "numeric/svd.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;

// One row of the design matrix and its right-hand side, for a coupling of |DI| m whose Saupe
// basis is given: dividing by the relative error makes every row count by its own precision.
void setRow(const double basis[kSaupeCount], double m, float d, float dd, float* row, float* rhs) {
  const double e = dd / m;
  const double w = e != 0.0 ? 1.0 / e : 1.0;
  for (int k = 0; k < kSaupeCount; k++) row[k] = static_cast<float>(w * basis[k]);
  *rhs = static_cast<float>(w * d / m);
}

// Solves the rows in ws for s and its standard errors sErr.
int solveRows(int n, float* s, float* sErr, fitWorkspace* ws) {
  float cvm[kSaupeCount * kSaupeCount] = {};
  if (svdLSMat(&ws->svd, ws->matrix.data(), ws->rhs.data(), n, kSaupeCount, s, cvm, 1) != 0) {
    for (int k = 0; k < kSaupeCount; k++) s[k] = 0.0f;
    return 1;
  }
  for (int k = 0; k < kSaupeCount; k++) {
    sErr[k] = static_cast<float>(std::sqrt(static_cast<double>(cvm[k * kSaupeCount + k])));
  }
  return 0;
}

}  // namespace

int findS(const float* x1, const float* y1, const float* z1, const float* x2, const float* y2,
          const float* z2, const float* di, const float* d, const float* dd, float* s, float* sErr,
          int n, fitWorkspace* ws) {
  for (int k = 0; k < kSaupeCount; k++) s[k] = sErr[k] = 0.0f;
  if (n < kSaupeCount) return 1;
  ws->matrix.resize(static_cast<size_t>(kSaupeCount) * n);
  ws->rhs.resize(static_cast<size_t>(n));

  for (int i = 0; i < n; i++) {
    float* row = ws->matrix.data() + static_cast<size_t>(i) * kSaupeCount;
    const double m = std::fabs(static_cast<double>(di[i]));
    // The prediction is |DI| times the linear form, so a pair with DI = 0 says nothing about the
    // tensor; dividing by it would put NaN into every element of the fit.
    if (m == 0.0 || !std::isfinite(m)) {
      for (int k = 0; k < kSaupeCount; k++) row[k] = 0.0f;
      ws->rhs[i] = 0.0f;
      continue;
    }
    const double vx = static_cast<double>(x2[i]) - x1[i];
    const double vy = static_cast<double>(y2[i]) - y1[i];
    const double vz = static_cast<double>(z2[i]) - z1[i];
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double cx = r > 0.0 ? vx / r : 0.0;
    const double cy = r > 0.0 ? vy / r : 0.0;
    const double cz = r > 0.0 ? vz / r : 0.0;
    double basis[kSaupeCount];
    saupeBasis(cx, cy, cz, basis);
    setRow(basis, m, d[i], dd[i], row, &ws->rhs[i]);
  }
  return solveRows(n, s, sErr, ws);
}

int findSBasis(const double* basis, const float* di, const float* d, const float* dd, float* s,
               float* sErr, int n, fitWorkspace* ws) {
  for (int k = 0; k < kSaupeCount; k++) s[k] = sErr[k] = 0.0f;
  if (n < kSaupeCount) return 1;
  ws->matrix.resize(static_cast<size_t>(kSaupeCount) * n);
  ws->rhs.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) {
    float* row = ws->matrix.data() + static_cast<size_t>(i) * kSaupeCount;
    const double m = std::fabs(static_cast<double>(di[i]));
    if (m == 0.0 || !std::isfinite(m)) {
      for (int k = 0; k < kSaupeCount; k++) row[k] = 0.0f;
      ws->rhs[i] = 0.0f;
      continue;
    }
    setRow(basis + static_cast<size_t>(i) * kSaupeCount, m, d[i], dd[i], row, &ws->rhs[i]);
  }
  return solveRows(n, s, sErr, ws);
}

}  // namespace korva
