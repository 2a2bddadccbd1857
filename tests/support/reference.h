// Independent reference computations for the numerical tests, written without the code under
// test: a small generator, normal-equation least squares and the Saupe basis row.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace korva::testing {

// Small deterministic generator (64-bit LCG), uniform in [-1, 1).
struct Lcg {
  uint64_t state;
  double next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
  }
};

// Inverse of a small non-singular m x m matrix (row-major) by Gauss-Jordan elimination.
inline std::vector<double> invert(std::vector<double> a, int m) {
  std::vector<double> inv(static_cast<size_t>(m) * m, 0.0);
  for (int i = 0; i < m; i++) inv[i * m + i] = 1.0;
  for (int c = 0; c < m; c++) {
    int p = c;
    for (int r = c + 1; r < m; r++) {
      if (std::fabs(a[r * m + c]) > std::fabs(a[p * m + c])) p = r;
    }
    for (int k = 0; k < m; k++) {
      std::swap(a[c * m + k], a[p * m + k]);
      std::swap(inv[c * m + k], inv[p * m + k]);
    }
    const double piv = a[c * m + c];
    for (int k = 0; k < m; k++) {
      a[c * m + k] /= piv;
      inv[c * m + k] /= piv;
    }
    for (int r = 0; r < m; r++) {
      if (r == c) continue;
      const double f = a[r * m + c];
      for (int k = 0; k < m; k++) {
        a[r * m + k] -= f * a[c * m + k];
        inv[r * m + k] -= f * inv[c * m + k];
      }
    }
  }
  return inv;
}

// Least squares of the n x m system a x = b through the normal equations: returns (A^T A)^-1 and
// fills x.
inline std::vector<double> normalSolve(const std::vector<double>& a, const std::vector<double>& b,
                                       int n, int m, std::vector<double>* x) {
  std::vector<double> ata(static_cast<size_t>(m) * m, 0.0), atb(m, 0.0);
  for (int i = 0; i < n; i++) {
    for (int j = 0; j < m; j++) {
      atb[j] += a[i * m + j] * b[i];
      for (int k = 0; k < m; k++) ata[j * m + k] += a[i * m + j] * a[i * m + k];
    }
  }
  std::vector<double> inv = invert(ata, m);
  x->assign(m, 0.0);
  for (int j = 0; j < m; j++) {
    for (int k = 0; k < m; k++) (*x)[j] += inv[j * m + k] * atb[k];
  }
  return inv;
}

// The prediction row of a unit bond direction: a coupling is |DI| times its dot product with the
// Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz), from P2(cos) written out element by element.
inline void basisRow(double cx, double cy, double cz, double a[5]) {
  a[0] = 0.5 * (3.0 * cz * cz - 1.0);
  a[1] = 0.5 * (cx * cx - cy * cy);
  a[2] = 2.0 * cx * cy;
  a[3] = 2.0 * cx * cz;
  a[4] = 2.0 * cy * cz;
}

}  // namespace korva::testing
