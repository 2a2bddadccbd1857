// Order-matrix (SVD) fit of the Saupe vector.
#include "fit/svd_fit.h"

#include <cmath>
#include <cstddef>

#include "numeric/svd.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;

// The row of the design matrix for a coupling of |DI| m whose Saupe basis is given, and its
// weight: dividing by the relative error makes every row count by its own precision.
void weightedRow(const double basis[kSaupeCount], double m, float dd, float* row, double* w) {
  const double e = dd / m;
  *w = e != 0.0 ? 1.0 / e : 1.0;
  for (int k = 0; k < kSaupeCount; k++) row[k] = static_cast<float>(*w * basis[k]);
}

// The prediction is |DI| times the linear form, so a pair with DI = 0 says nothing about the
// tensor; dividing by it would put NaN into every element of the fit.
bool informative(double m) {
  return m != 0.0 && std::isfinite(m);
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

void designRow(float x1, float y1, float z1, float x2, float y2, float z2, float di, float dd,
               float row[5], double* w, double* m) {
  *m = std::fabs(static_cast<double>(di));
  *w = 0.0;
  if (!informative(*m)) {
    for (int k = 0; k < kSaupeCount; k++) row[k] = 0.0f;
    *m = 0.0;
    return;
  }
  const double vx = static_cast<double>(x2) - x1;
  const double vy = static_cast<double>(y2) - y1;
  const double vz = static_cast<double>(z2) - z1;
  const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
  const double cx = r > 0.0 ? vx / r : 0.0;
  const double cy = r > 0.0 ? vy / r : 0.0;
  const double cz = r > 0.0 ? vz / r : 0.0;
  double basis[kSaupeCount];
  saupeBasis(cx, cy, cz, basis);
  weightedRow(basis, *m, dd, row, w);
}

int findS(const float* x1, const float* y1, const float* z1, const float* x2, const float* y2,
          const float* z2, const float* di, const float* d, const float* dd, float* s, float* sErr,
          int n, fitWorkspace* ws) {
  for (int k = 0; k < kSaupeCount; k++) s[k] = sErr[k] = 0.0f;
  if (n < kSaupeCount) return 1;
  ws->matrix.resize(static_cast<size_t>(kSaupeCount) * n);
  ws->rhs.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) {
    double w, m;
    designRow(x1[i], y1[i], z1[i], x2[i], y2[i], z2[i], di[i], dd[i],
              ws->matrix.data() + static_cast<size_t>(i) * kSaupeCount, &w, &m);
    ws->rhs[i] = designRhs(w, m, d[i]);
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
    if (!informative(m)) {
      for (int k = 0; k < kSaupeCount; k++) row[k] = 0.0f;
      ws->rhs[i] = 0.0f;
      continue;
    }
    double w;
    weightedRow(basis + static_cast<size_t>(i) * kSaupeCount, m, dd[i], row, &w);
    ws->rhs[i] = designRhs(w, m, d[i]);
  }
  return solveRows(n, s, sErr, ws);
}

}  // namespace korva
