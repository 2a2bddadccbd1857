// Householder bidiagonalisation with implicit-shift QR, back-substitution and covariance.
#include "numeric/svd.h"

#include <cmath>
#include <cstddef>
#include <limits>

#include "core/alloc.h"

namespace korva {
namespace {

// sqrt(a^2 + b^2) without destructive underflow or overflow.
float pythag(float a, float b) {
  const float absa = std::fabs(a);
  const float absb = std::fabs(b);
  if (absa > absb) {
    const float r = absb / absa;
    return absa * std::sqrt(1.0f + r * r);
  }
  if (absb == 0.0f) return 0.0f;
  const float r = absa / absb;
  return absb * std::sqrt(1.0f + r * r);
}

float withSign(float a, float b) {
  return b >= 0.0f ? std::fabs(a) : -std::fabs(a);
}

}  // namespace

int svdcmpUser(float* a, int m, int n, float* w, float* v, float* rv1) {
  const int ld = n + 1;
  auto A = [a, ld](int i, int j) -> float& { return a[static_cast<size_t>(i) * ld + j]; };
  auto V = [v, ld](int i, int j) -> float& { return v[static_cast<size_t>(i) * ld + j]; };
  int status = 0;
  int l = 1;
  float g = 0.0f, scale = 0.0f, anorm = 0.0f, s = 0.0f, f = 0.0f, h = 0.0f;

  // Householder reduction to bidiagonal form.
  for (int i = 1; i <= n; i++) {
    l = i + 1;
    rv1[i] = scale * g;
    g = s = scale = 0.0f;
    if (i <= m) {
      for (int k = i; k <= m; k++) scale += std::fabs(A(k, i));
      if (scale != 0.0f) {
        for (int k = i; k <= m; k++) {
          A(k, i) /= scale;
          s += A(k, i) * A(k, i);
        }
        f = A(i, i);
        g = -withSign(std::sqrt(s), f);
        h = f * g - s;
        A(i, i) = f - g;
        for (int j = l; j <= n; j++) {
          s = 0.0f;
          for (int k = i; k <= m; k++) s += A(k, i) * A(k, j);
          f = s / h;
          for (int k = i; k <= m; k++) A(k, j) += f * A(k, i);
        }
        for (int k = i; k <= m; k++) A(k, i) *= scale;
      }
    }
    w[i] = scale * g;
    g = s = scale = 0.0f;
    if (i <= m && i != n) {
      for (int k = l; k <= n; k++) scale += std::fabs(A(i, k));
      if (scale != 0.0f) {
        for (int k = l; k <= n; k++) {
          A(i, k) /= scale;
          s += A(i, k) * A(i, k);
        }
        f = A(i, l);
        g = -withSign(std::sqrt(s), f);
        h = f * g - s;
        A(i, l) = f - g;
        for (int k = l; k <= n; k++) rv1[k] = A(i, k) / h;
        for (int j = l; j <= m; j++) {
          s = 0.0f;
          for (int k = l; k <= n; k++) s += A(j, k) * A(i, k);
          for (int k = l; k <= n; k++) A(j, k) += s * rv1[k];
        }
        for (int k = l; k <= n; k++) A(i, k) *= scale;
      }
    }
    const float span = std::fabs(w[i]) + std::fabs(rv1[i]);
    if (span > anorm) anorm = span;
  }

  // Accumulation of the right-hand transformations.
  for (int i = n; i >= 1; i--) {
    if (i < n) {
      if (g != 0.0f) {
        // Double division avoids a possible underflow.
        for (int j = l; j <= n; j++) V(j, i) = (A(i, j) / A(i, l)) / g;
        for (int j = l; j <= n; j++) {
          s = 0.0f;
          for (int k = l; k <= n; k++) s += A(i, k) * V(k, j);
          for (int k = l; k <= n; k++) V(k, j) += s * V(k, i);
        }
      }
      for (int j = l; j <= n; j++) V(i, j) = V(j, i) = 0.0f;
    }
    V(i, i) = 1.0f;
    g = rv1[i];
    l = i;
  }

  // Accumulation of the left-hand transformations.
  for (int i = (m < n ? m : n); i >= 1; i--) {
    l = i + 1;
    g = w[i];
    for (int j = l; j <= n; j++) A(i, j) = 0.0f;
    if (g != 0.0f) {
      g = 1.0f / g;
      for (int j = l; j <= n; j++) {
        s = 0.0f;
        for (int k = l; k <= m; k++) s += A(k, i) * A(k, j);
        f = (s / A(i, i)) * g;
        for (int k = i; k <= m; k++) A(k, j) += f * A(k, i);
      }
      for (int j = i; j <= m; j++) A(j, i) *= g;
    } else {
      for (int j = i; j <= m; j++) A(j, i) = 0.0f;
    }
    A(i, i) += 1.0f;
  }

  // Diagonalisation of the bidiagonal form by implicit-shift QR sweeps.
  for (int k = n; k >= 1; k--) {
    for (int its = 1; its <= kSvdMaxIterations; its++) {
      int split = 1;
      int nm = 0;
      // Negligible values are judged at single precision against the matrix norm; rv1[1] is
      // always zero, so the search stops before nm reaches 0.
      for (l = k; l >= 1; l--) {
        nm = l - 1;
        if (static_cast<float>(std::fabs(rv1[l]) + anorm) == anorm) {
          split = 0;
          break;
        }
        if (static_cast<float>(std::fabs(w[nm]) + anorm) == anorm) break;
      }
      if (split) {
        // Cancel rv1[l] since w[nm] is negligible.
        float c = 0.0f;
        s = 1.0f;
        for (int i = l; i <= k; i++) {
          f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (static_cast<float>(std::fabs(f) + anorm) == anorm) break;
          g = w[i];
          h = pythag(f, g);
          w[i] = h;
          h = 1.0f / h;
          c = g * h;
          s = -f * h;
          for (int j = 1; j <= m; j++) {
            const float y = A(j, nm);
            const float z = A(j, i);
            A(j, nm) = y * c + z * s;
            A(j, i) = z * c - y * s;
          }
        }
      }
      float z = w[k];
      if (l == k) {
        // Converged: make the singular value non-negative.
        if (z < 0.0f) {
          w[k] = -z;
          for (int j = 1; j <= n; j++) V(j, k) = -V(j, k);
        }
        break;
      }
      if (its == kSvdMaxIterations) status = 1;
      // Shift from the bottom 2 x 2 minor.
      float x = w[l];
      nm = k - 1;
      float y = w[nm];
      g = rv1[nm];
      h = rv1[k];
      f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0f * h * y);
      g = pythag(f, 1.0f);
      f = ((x - z) * (x + z) + h * ((y / (f + withSign(g, f))) - h)) / x;
      float c = 1.0f;
      s = 1.0f;
      for (int j = l; j <= nm; j++) {
        const int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = pythag(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int jj = 1; jj <= n; jj++) {
          x = V(jj, j);
          z = V(jj, i);
          V(jj, j) = x * c + z * s;
          V(jj, i) = z * c - x * s;
        }
        z = pythag(f, h);
        w[j] = z;
        if (z != 0.0f) {
          z = 1.0f / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int jj = 1; jj <= m; jj++) {
          y = A(jj, j);
          z = A(jj, i);
          A(jj, j) = y * c + z * s;
          A(jj, i) = z * c - y * s;
        }
      }
      rv1[l] = 0.0f;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return status;
}

void svbksbUser(const float* u, const float* w, const float* v, int m, int n, const float* b,
                float* x, float* tmp) {
  const size_t ld = static_cast<size_t>(n) + 1;
  for (int j = 1; j <= n; j++) {
    float s = 0.0f;
    if (w[j] != 0.0f) {
      for (int i = 1; i <= m; i++) s += u[i * ld + j] * b[i];
      s /= w[j];
    }
    tmp[j] = s;
  }
  for (int j = 1; j <= n; j++) {
    float s = 0.0f;
    for (int jj = 1; jj <= n; jj++) s += v[j * ld + jj] * tmp[jj];
    x[j] = s;
  }
}

void svdvarUser(const float* v, int ma, const float* w, float* cvm, float* wti) {
  const size_t ld = static_cast<size_t>(ma) + 1;
  for (int i = 1; i <= ma; i++) wti[i] = w[i] != 0.0f ? 1.0f / (w[i] * w[i]) : 0.0f;
  for (int i = 1; i <= ma; i++) {
    for (int j = 1; j <= i; j++) {
      float sum = 0.0f;
      for (int k = 1; k <= ma; k++) sum += v[i * ld + k] * v[j * ld + k] * wti[k];
      cvm[j * ld + i] = cvm[i * ld + j] = sum;
    }
  }
}

int svdLSMat(svdWorkspace* ws, const float* a, const float* b, int n, int m, float* x, float* cvm,
             int decompose) {
  if (n < 1 || m < 1) return 1;
  const size_t rows = static_cast<size_t>(n) + 1;
  const size_t cols = static_cast<size_t>(m) + 1;
  if (ws->n != n || ws->m != m || ws->block.empty()) {
    ws->block.assign(rows * cols + 2 * cols * cols + 4 * cols + rows, 0.0f);
    ws->n = n;
    ws->m = m;
    ws->decomposed = 0;
  }
  float* u = ws->block.data();
  float* v = u + rows * cols;
  float* cvmWork = v + cols * cols;
  float* w = cvmWork + cols * cols;
  float* rv1 = w + cols;
  float* xWork = rv1 + cols;
  float* tmp = xWork + cols;
  float* bWork = tmp + cols;
  for (int i = 0; i < n; i++) bWork[i + 1] = b[i];
  // A fresh workspace holds no decomposition to reuse.
  if (decompose || !ws->decomposed) {
    for (int i = 0; i < n; i++) {
      for (int j = 0; j < m; j++) u[(i + 1) * cols + j + 1] = a[static_cast<size_t>(i) * m + j];
    }
    // A singular value that ran out of iterations keeps its last estimate; the threshold below
    // then decides whether it counts.
    (void)svdcmpUser(u, n, m, w, v, rv1);
    float wMax = 0.0f;
    float wMin = std::numeric_limits<float>::infinity();
    for (int j = 1; j <= m; j++) {
      if (std::fabs(w[j]) > wMax) wMax = std::fabs(w[j]);
      if (std::fabs(w[j]) < wMin) wMin = std::fabs(w[j]);
    }
    ws->condition =
        wMin > 0.0f ? static_cast<double>(wMax) / wMin : std::numeric_limits<double>::infinity();
    const float thresh = kSvdThreshold * wMax;
    for (int j = 1; j <= m; j++) {
      if (w[j] < thresh) w[j] = 0.0f;
    }
    ws->decomposed = 1;
  }
  if (cvm != nullptr) {
    svdvarUser(v, m, w, cvmWork, tmp);
    for (int i = 0; i < m; i++) {
      for (int j = 0; j < m; j++) cvm[i * m + j] = cvmWork[(i + 1) * cols + j + 1];
    }
  }
  svbksbUser(u, w, v, n, m, bWork, xWork, tmp);
  for (int j = 0; j < m; j++) x[j] = xWork[j + 1];
  return 0;
}

}  // namespace korva
