// SVD least squares and the caller-owned workspace behind it.
#include "numeric/svd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/reference.h"

namespace korva {
namespace {

using testing::Lcg;

TEST(SvdLS, ExactOverdeterminedAndReusedSystems) {
  svdWorkspace ws;
  // Exactly determined: A x = b with x = (1, -2, 3) and b computed by hand.
  const float a3[9] = {2, 1, 0, 1, 3, 1, 0, 1, 4};
  const float b3[3] = {0, -2, 10};
  float x3[3] = {};
  ASSERT_EQ(svdLSMat(&ws, a3, b3, 3, 3, x3, nullptr, 1), 0);
  EXPECT_NEAR(x3[0], 1.0, 1e-5);
  EXPECT_NEAR(x3[1], -2.0, 1e-5);
  EXPECT_NEAR(x3[2], 3.0, 1e-5);

  // Straight line y = c0 + c1 t through (0,1) (1,3) (2,2) (3,5) (4,4): by hand, slope
  // Sty/Stt = 8/10 and intercept 3 - 0.8 * 2; covariance (A^T A)^-1 = [[30,-10],[-10,5]] / 50.
  // A workspace of another shape holds no decomposition: decompose = 0 still decomposes.
  const float al[10] = {1, 0, 1, 1, 1, 2, 1, 3, 1, 4};
  const float bl[5] = {1, 3, 2, 5, 4};
  float xl[2] = {}, cvm[4] = {};
  ASSERT_EQ(svdLSMat(&ws, al, bl, 5, 2, xl, cvm, 0), 0);
  const float expected[6] = {1.4f, 0.8f, 0.6f, -0.2f, -0.2f, 0.1f};
  for (int k = 0; k < 2; k++) EXPECT_NEAR(xl[k], expected[k], 1e-5) << k;
  for (int k = 0; k < 4; k++) EXPECT_NEAR(cvm[k], expected[2 + k], 1e-5) << k;

  // Reusing that decomposition with another right side (the matrix passed is not read): y = 2 +
  // 0.5 t exactly.
  const float b2[5] = {2, 2.5, 3, 3.5, 4};
  const float garbage[10] = {};
  ASSERT_EQ(svdLSMat(&ws, garbage, b2, 5, 2, xl, nullptr, 0), 0);
  EXPECT_NEAR(xl[0], 2.0, 1e-5);
  EXPECT_NEAR(xl[1], 0.5, 1e-5);

  EXPECT_EQ(svdLSMat(&ws, al, bl, 0, 2, xl, nullptr, 1), 1);
  EXPECT_EQ(svdLSMat(&ws, al, bl, 5, 0, xl, nullptr, 1), 1);
}

TEST(SvdLS, WeightedCovarianceMatchesNormalEquations) {
  // 12 weighted rows in 4 unknowns; the reference is (A^T A)^-1 and its solution in double.
  const int n = 12, m = 4;
  Lcg rng{12345};
  std::vector<double> a(n * m), b(n);
  std::vector<float> af(n * m), bf(n);
  for (int i = 0; i < n; i++) {
    const double w = 1.0 + 0.5 * (i % 3);  // weights 1, 1.5, 2
    for (int j = 0; j < m; j++) a[i * m + j] = w * (rng.next() + (i % m == j ? 2.0 : 0.0));
    b[i] = w * rng.next();
    for (int j = 0; j < m; j++) af[i * m + j] = static_cast<float>(a[i * m + j]);
    bf[i] = static_cast<float>(b[i]);
  }
  std::vector<double> xRef;
  const std::vector<double> cRef = testing::normalSolve(a, b, n, m, &xRef);
  svdWorkspace ws;
  float x[4] = {}, cvm[16] = {};
  ASSERT_EQ(svdLSMat(&ws, af.data(), bf.data(), n, m, x, cvm, 1), 0);
  for (int j = 0; j < m; j++) EXPECT_NEAR(x[j], xRef[j], 1e-4 * (1.0 + std::fabs(xRef[j])));
  for (int k = 0; k < m * m; k++) EXPECT_NEAR(cvm[k], cRef[k], 1e-4 * std::fabs(cRef[0]));
}

TEST(SvdLS, DegenerateSystemsGiveMinimumNorm) {
  // Rows k_i * u with u = (1, 2, 2), |u|^2 = 9. Only u.x is determined: u.x = (k.b)/(k.k) = 29/14,
  // and the minimum-norm x is (29/14) u / 9; the covariance is u u^T / (9 * 9 * 14).
  svdWorkspace ws;
  const float a[9] = {1, 2, 2, 2, 4, 4, 3, 6, 6};
  const float b[3] = {1, 5, 6};
  float x[3] = {}, cvm[9] = {};
  ASSERT_EQ(svdLSMat(&ws, a, b, 3, 3, x, cvm, 1), 0);
  const double u[3] = {1, 2, 2};
  for (int j = 0; j < 3; j++) EXPECT_NEAR(x[j], 29.0 / 126.0 * u[j], 1e-5);
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) EXPECT_NEAR(cvm[i * 3 + j], u[i] * u[j] / 1134.0, 1e-6);
  }

  // diag(1, eps) x = (1, 1): the second singular value is kept only at or above 1e-5.
  const struct {
    float eps;
    double x2;
  } cases[] = {{1e-6f, 0.0}, {9e-6f, 0.0}, {2e-5f, 1.0 / 2e-5}, {1e-4f, 1.0 / 1e-4}};
  for (const auto& c : cases) {
    const float ad[4] = {1, 0, 0, c.eps};
    const float bd[2] = {1, 1};
    float xd[2] = {};
    ASSERT_EQ(svdLSMat(&ws, ad, bd, 2, 2, xd, nullptr, 1), 0);
    EXPECT_NEAR(xd[0], 1.0, 1e-6) << c.eps;
    EXPECT_NEAR(xd[1], c.x2, 1e-5 * (1.0 + c.x2)) << c.eps;
  }
}

// The decomposition itself rebuilds its matrix, A = U diag(w) V^T with V orthogonal, also when a
// singular value is zero inside the bidiagonal form, which the sweep must first split off: a zero
// middle column, a column that is the sum of two others, and an upper bidiagonal matrix with a
// zero on its diagonal.
TEST(SvdLS, DecompositionRebuildsRankDeficientMatrices) {
  const struct {
    int m, n;
    float a[12];
  } cases[] = {
      {3, 3, {1, 0, 2, 3, 0, 4, 5, 0, 6}},
      {4, 3, {1, 2, 3, 4, 0, 4, -1, 3, 2, 0.5f, 1, 1.5f}},
      {3, 3, {2, 1, 0, 0, 0, 3, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    const int cols = c.n + 1;
    std::vector<float> u((c.m + 1) * cols), w(cols), v(cols * cols), rv1(cols);
    for (int i = 0; i < c.m; i++)
      for (int j = 0; j < c.n; j++) u[(i + 1) * cols + j + 1] = c.a[i * c.n + j];
    ASSERT_EQ(svdcmpUser(u.data(), c.m, c.n, w.data(), v.data(), rv1.data()), 0);
    for (int i = 1; i <= c.m; i++) {
      for (int j = 1; j <= c.n; j++) {
        double sum = 0.0, vv = 0.0;
        for (int k = 1; k <= c.n; k++) {
          sum += u[i * cols + k] * w[k] * v[j * cols + k];
          if (i <= c.n) vv += v[i * cols + k] * v[j * cols + k];
        }
        EXPECT_NEAR(sum, c.a[(i - 1) * c.n + j - 1], 1e-5) << c.m << " " << i << j;
        if (i <= c.n) {
          EXPECT_NEAR(vv, i == j ? 1.0 : 0.0, 1e-5);
        }
      }
    }
  }
}

}  // namespace
}  // namespace korva
