// SVD least squares, the order-matrix fit of the Saupe vector and the workspaces behind them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/alloc.h"
#include "numeric/svd.h"
#include "fit/svd_fit.h"

namespace korva {
namespace {

// Independent reference: inverse of a small symmetric positive-definite matrix by Gauss-Jordan
// elimination in double precision.
std::vector<double> invert(std::vector<double> a, int m) {
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

// Reference least squares through the normal equations: returns (A^T A)^-1 and fills x.
std::vector<double> normalSolve(const std::vector<double>& a, const std::vector<double>& b, int n,
                                int m, std::vector<double>* x) {
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

// Small deterministic generator (64-bit LCG), uniform in [-1, 1).
struct Lcg {
  uint64_t state;
  double next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
  }
};

// The prediction row of a unit vector, written out independently of the code under test.
void basisRow(double cx, double cy, double cz, double a[5]) {
  a[0] = 0.5 * (3.0 * cz * cz - 1.0);
  a[1] = 0.5 * (cx * cx - cy * cy);
  a[2] = 2.0 * cx * cy;
  a[3] = 2.0 * cx * cz;
  a[4] = 2.0 * cy * cz;
}

// A coupling set with atom I at the origin and atom J at the given direction (any length).
struct Couplings {
  std::vector<float> x1, y1, z1, x2, y2, z2, di, d, dd;
  void add(double vx, double vy, double vz, double dI, double dObs, double err) {
    x1.push_back(0.0f);
    y1.push_back(0.0f);
    z1.push_back(0.0f);
    x2.push_back(static_cast<float>(vx));
    y2.push_back(static_cast<float>(vy));
    z2.push_back(static_cast<float>(vz));
    di.push_back(static_cast<float>(dI));
    d.push_back(static_cast<float>(dObs));
    dd.push_back(static_cast<float>(err));
  }
  int fit(float s[5], float sErr[5]) const {
    return findS(x1.data(), y1.data(), z1.data(), x2.data(), y2.data(), z2.data(), di.data(),
                 d.data(), dd.data(), s, sErr, static_cast<int>(d.size()));
  }
};

// Unit directions whose basis rows are independent: z, x, (x+y), (x+z), (y+z).
const double kDirs[5][3] = {{0, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}};

class SvdFit : public ::testing::Test {
 protected:
  void TearDown() override { dipolarFree(); }
};

TEST_F(SvdFit, ExactAndOverdeterminedSystems) {
  // Exactly determined: A x = b with x = (1, -2, 3) and b computed by hand.
  const float a3[9] = {2, 1, 0, 1, 3, 1, 0, 1, 4};
  const float b3[3] = {0, -2, 10};
  float x3[3] = {};
  ASSERT_EQ(svdLSMat(a3, b3, 3, 3, x3, nullptr, 1), 0);
  EXPECT_NEAR(x3[0], 1.0, 1e-5);
  EXPECT_NEAR(x3[1], -2.0, 1e-5);
  EXPECT_NEAR(x3[2], 3.0, 1e-5);

  // Straight line y = c0 + c1 t through (0,1) (1,3) (2,2) (3,5) (4,4): by hand, slope
  // Sty/Stt = 8/10 and intercept 3 - 0.8 * 2; covariance (A^T A)^-1 = [[30,-10],[-10,5]] / 50.
  const float al[10] = {1, 0, 1, 1, 1, 2, 1, 3, 1, 4};
  const float bl[5] = {1, 3, 2, 5, 4};
  float xl[2] = {};
  float cvm[4] = {};
  ASSERT_EQ(svdLSMat(al, bl, 5, 2, xl, cvm, 1), 0);
  EXPECT_NEAR(xl[0], 1.4, 1e-5);
  EXPECT_NEAR(xl[1], 0.8, 1e-5);
  EXPECT_NEAR(cvm[0], 0.6, 1e-5);
  EXPECT_NEAR(cvm[1], -0.2, 1e-5);
  EXPECT_NEAR(cvm[2], -0.2, 1e-5);
  EXPECT_NEAR(cvm[3], 0.1, 1e-5);

  // Reusing that decomposition with another right side: y = 2 + 0.5 t exactly.
  const float b2[5] = {2, 2.5, 3, 3.5, 4};
  ASSERT_EQ(svdLSMat(al, b2, 5, 2, xl, nullptr, 0), 0);
  EXPECT_NEAR(xl[0], 2.0, 1e-5);
  EXPECT_NEAR(xl[1], 0.5, 1e-5);

  // Without a decomposition of this shape in the workspace, decompose = 0 still decomposes.
  svdPolyFree();
  ASSERT_EQ(svdLSMat(al, bl, 5, 2, xl, nullptr, 0), 0);
  EXPECT_NEAR(xl[0], 1.4, 1e-5);
  EXPECT_NEAR(xl[1], 0.8, 1e-5);

  EXPECT_EQ(svdLSMat(al, bl, 0, 2, xl, nullptr, 1), 1);
  EXPECT_EQ(svdLSMat(al, bl, 5, 0, xl, nullptr, 1), 1);
}

TEST_F(SvdFit, WeightedCovarianceMatchesNormalEquations) {
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
  const std::vector<double> cRef = normalSolve(a, b, n, m, &xRef);
  float x[4] = {}, cvm[16] = {};
  ASSERT_EQ(svdLSMat(af.data(), bf.data(), n, m, x, cvm, 1), 0);
  for (int j = 0; j < m; j++) EXPECT_NEAR(x[j], xRef[j], 1e-4 * (1.0 + std::fabs(xRef[j])));
  for (int k = 0; k < m * m; k++) EXPECT_NEAR(cvm[k], cRef[k], 1e-4 * std::fabs(cRef[0]));
}

TEST_F(SvdFit, DegenerateSystemsGiveMinimumNorm) {
  // Rows k_i * u with u = (1, 2, 2), |u|^2 = 9. Only u.x is determined: u.x = (k.b)/(k.k) = 29/14,
  // and the minimum-norm x is (29/14) u / 9; the covariance is u u^T / (9 * 9 * 14).
  const float a[9] = {1, 2, 2, 2, 4, 4, 3, 6, 6};
  const float b[3] = {1, 5, 6};
  float x[3] = {}, cvm[9] = {};
  ASSERT_EQ(svdLSMat(a, b, 3, 3, x, cvm, 1), 0);
  const double u[3] = {1, 2, 2};
  for (int j = 0; j < 3; j++) EXPECT_NEAR(x[j], 29.0 / 126.0 * u[j], 1e-5);
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) EXPECT_NEAR(cvm[i * 3 + j], u[i] * u[j] / 1134.0, 1e-6);
  }

  // diag(1, eps) x = (1, 1): the second singular value is kept only at or above 1e-5.
  struct {
    float eps;
    double x2;
  } cases[] = {{1e-6f, 0.0}, {9e-6f, 0.0}, {2e-5f, 1.0 / 2e-5}, {1e-4f, 1.0 / 1e-4}};
  for (const auto& c : cases) {
    const float ad[4] = {1, 0, 0, c.eps};
    const float bd[2] = {1, 1};
    float xd[2] = {};
    ASSERT_EQ(svdLSMat(ad, bd, 2, 2, xd, nullptr, 1), 0);
    EXPECT_NEAR(xd[0], 1.0, 1e-6) << c.eps;
    EXPECT_NEAR(xd[1], c.x2, 1e-5 * (1.0 + c.x2)) << c.eps;
  }
}

TEST_F(SvdFit, FiveIndependentCouplingsAreReproduced) {
  Couplings c;
  const double dI[5] = {-21523, 43122, -1976, 6822, -2609};
  const double dObs[5] = {12.5, -30.0, 4.0, 8.0, -1.5};
  for (int i = 0; i < 5; i++) c.add(kDirs[i][0], kDirs[i][1], kDirs[i][2], dI[i], dObs[i], 0.0);
  float s[5], sErr[5];
  ASSERT_EQ(c.fit(s, sErr), 0);
  for (int i = 0; i < 5; i++) {
    const double r = std::sqrt(kDirs[i][0] * kDirs[i][0] + kDirs[i][1] * kDirs[i][1] +
                               kDirs[i][2] * kDirs[i][2]);
    double a[5];
    basisRow(kDirs[i][0] / r, kDirs[i][1] / r, kDirs[i][2] / r, a);
    double pred = 0.0;
    for (int k = 0; k < 5; k++) pred += a[k] * s[k];
    EXPECT_NEAR(std::fabs(dI[i]) * pred, dObs[i], 1e-4 * std::fabs(dObs[i])) << i;
  }
}

TEST_F(SvdFit, ErrorsWeightEachCouplingByItsRelativePrecision) {
  // Five independent rows: sErr^2 is the diagonal of (A^T A)^-1 / weight^2, with A the unit-weight
  // basis rows. DD = 0 and DD = |DI| both mean weight 1; DD = |DI|/2 means weight 2.
  std::vector<double> a(25);
  for (int i = 0; i < 5; i++) {
    const double r = std::sqrt(kDirs[i][0] * kDirs[i][0] + kDirs[i][1] * kDirs[i][1] +
                               kDirs[i][2] * kDirs[i][2]);
    basisRow(kDirs[i][0] / r, kDirs[i][1] / r, kDirs[i][2] / r, &a[i * 5]);
  }
  std::vector<double> xRef;
  const std::vector<double> cRef = normalSolve(a, std::vector<double>(5, 0.0), 5, 5, &xRef);
  struct {
    double ddOverDi;
    double weight;
  } cases[] = {{0.0, 1.0}, {1.0, 1.0}, {0.5, 2.0}, {0.25, 4.0}};
  for (const auto& cs : cases) {
    Couplings c;
    for (int i = 0; i < 5; i++) {
      c.add(kDirs[i][0], kDirs[i][1], kDirs[i][2], -8000.0, 3.0, 8000.0 * cs.ddOverDi);
    }
    float s[5], sErr[5];
    ASSERT_EQ(c.fit(s, sErr), 0);
    for (int k = 0; k < 5; k++) {
      EXPECT_NEAR(sErr[k], std::sqrt(cRef[k * 5 + k]) / cs.weight, 1e-5) << cs.ddOverDi;
    }
  }

  // Overdetermined with unequal weights: the fit is the weighted normal-equation solution.
  Lcg rng{777};
  Couplings c;
  std::vector<double> aw, bw;
  for (int i = 0; i < 9; i++) {
    const double v[3] = {rng.next(), rng.next(), rng.next()};
    const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const double dI = (i % 2 ? -1.0 : 1.0) * (5000.0 + 1000.0 * i);
    const double dObs = 20.0 * rng.next();
    const double err = 0.5 + 0.25 * i;
    c.add(v[0], v[1], v[2], dI, dObs, err);
    double row[5];
    basisRow(v[0] / r, v[1] / r, v[2] / r, row);
    const double w = std::fabs(dI) / err;
    for (double e : row) aw.push_back(w * e);
    bw.push_back(w * dObs / std::fabs(dI));
  }
  std::vector<double> sRef;
  const std::vector<double> covRef = normalSolve(aw, bw, 9, 5, &sRef);
  float s[5], sErr[5];
  ASSERT_EQ(c.fit(s, sErr), 0);
  for (int k = 0; k < 5; k++) {
    EXPECT_NEAR(s[k], sRef[k], 1e-4 * std::fabs(sRef[k]) + 1e-8) << k;
    EXPECT_NEAR(sErr[k], std::sqrt(covRef[k * 5 + k]), 1e-4 * std::sqrt(covRef[k * 5 + k])) << k;
  }

  // Doubling every DI, D and DD changes no relative error and no unit: the fit is unchanged.
  Couplings c2 = c;
  for (size_t i = 0; i < c2.d.size(); i++) {
    c2.di[i] *= 2.0f;
    c2.d[i] *= 2.0f;
    c2.dd[i] *= 2.0f;
  }
  float s2[5], sErr2[5];
  ASSERT_EQ(c2.fit(s2, sErr2), 0);
  for (int k = 0; k < 5; k++) {
    EXPECT_NEAR(s2[k], s[k], 1e-6 * std::fabs(s[k]) + 1e-10) << k;
    EXPECT_NEAR(sErr2[k], sErr[k], 1e-6 * sErr[k]) << k;
  }
}

TEST_F(SvdFit, RecoversSaupeVectorFromNoiseFreeCouplings) {
  Lcg rng{2024};
  double sTrue[5];
  for (double& v : sTrue) v = 1e-3 * rng.next();
  Couplings c;
  for (int i = 0; i < 40; i++) {
    // Atom I away from the origin and a bond length near 1 A, as in a structure.
    const double p[3] = {10.0 * rng.next(), 10.0 * rng.next(), 10.0 * rng.next()};
    const double v[3] = {rng.next(), rng.next(), rng.next()};
    const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    double a[5];
    basisRow(v[0] / r, v[1] / r, v[2] / r, a);
    const double dI = i % 3 == 0 ? -21523.0 : 43122.0;
    double dObs = 0.0;
    for (int k = 0; k < 5; k++) dObs += a[k] * sTrue[k];
    dObs *= std::fabs(dI);
    c.x1.push_back(static_cast<float>(p[0]));
    c.y1.push_back(static_cast<float>(p[1]));
    c.z1.push_back(static_cast<float>(p[2]));
    c.x2.push_back(static_cast<float>(p[0] + 1.04 * v[0] / r));
    c.y2.push_back(static_cast<float>(p[1] + 1.04 * v[1] / r));
    c.z2.push_back(static_cast<float>(p[2] + 1.04 * v[2] / r));
    c.di.push_back(static_cast<float>(dI));
    c.d.push_back(static_cast<float>(dObs));
    c.dd.push_back(1.0f);
  }
  float s[5], sErr[5];
  ASSERT_EQ(c.fit(s, sErr), 0);
  // Float coordinates limit the directions to about 1e-6 relative, so the tolerance is 1e-4 of
  // the tensor's size.
  for (int k = 0; k < 5; k++) EXPECT_NEAR(s[k], sTrue[k], 1e-7) << k;
}

TEST_F(SvdFit, TooFewOrEmptyCouplings) {
  Couplings c;
  for (int i = 0; i < 4; i++) c.add(kDirs[i][0], kDirs[i][1], kDirs[i][2], -21523, 10.0, 1.0);
  float s[5] = {9, 9, 9, 9, 9}, sErr[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(c.fit(s, sErr), 1);
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(s[k], 0.0f);
    EXPECT_EQ(sErr[k], 0.0f);
  }

  // A pair with DI = 0 predicts 0 whatever the tensor: it must leave the fit of the other five
  // untouched instead of turning it into NaN.
  Couplings five;
  const double dObs[5] = {12.5, -30.0, 4.0, 8.0, -1.5};
  for (int i = 0; i < 5; i++) five.add(kDirs[i][0], kDirs[i][1], kDirs[i][2], -8000, dObs[i], 0.0);
  Couplings six = five;
  six.add(0.3, 0.4, 0.5, 0.0, 7.0, 1.0);
  float s5[5], e5[5], s6[5], e6[5];
  ASSERT_EQ(five.fit(s5, e5), 0);
  ASSERT_EQ(six.fit(s6, e6), 0);
  for (int k = 0; k < 5; k++) {
    EXPECT_TRUE(std::isfinite(s6[k]));
    EXPECT_NEAR(s6[k], s5[k], 1e-6 * std::fabs(s5[k]) + 1e-10) << k;
    EXPECT_NEAR(e6[k], e5[k], 1e-6 * e5[k]) << k;
  }
}

TEST_F(SvdFit, WorkspacesKeptOnlyWhileLargerThanNeeded) {
  dipolarFree();
  long long base = 0;
  getMemUsed(&base, nullptr);
  auto inUse = [base]() {
    long long used = 0;
    getMemUsed(&used, nullptr);
    return used - base;
  };
  // 5 (n + 1) + (n + 1) floats of 4 bytes.
  auto dipolarBytes = [](int n) { return 24LL * (n + 1); };

  ASSERT_EQ(dipolarInit(10), 0);
  EXPECT_EQ(inUse(), dipolarBytes(10));
  struct {
    int n;
    int size;
  } steps[] = {{10, 10}, {4, 10}, {0, 10}, {20, 20}, {20, 20}, {15, 20}};
  for (const auto& st : steps) {
    ASSERT_EQ(dipolarInit(st.n), 0) << st.n;
    EXPECT_EQ(dipolarSize(), st.size) << st.n;
    EXPECT_EQ(inUse(), dipolarBytes(st.size)) << st.n;
  }

  // A fit adds the SVD workspace; refitting at the same size renews both and ends with the
  // same amount in use. Asking for fewer couplings than the workspace holds keeps both; asking
  // for exactly as many renews the dipolar workspace and drops the SVD one.
  Couplings c;
  Lcg rng{99};
  for (int i = 0; i < 20; i++) c.add(rng.next(), rng.next(), rng.next(), -21523, rng.next(), 1.0);
  float s[5], sErr[5];
  ASSERT_EQ(c.fit(s, sErr), 0);
  const long long afterFit = inUse();
  EXPECT_GT(afterFit, dipolarBytes(20));
  ASSERT_EQ(c.fit(s, sErr), 0);
  EXPECT_EQ(inUse(), afterFit);
  ASSERT_EQ(dipolarInit(19), 0);
  EXPECT_EQ(inUse(), afterFit);
  ASSERT_EQ(dipolarInit(20), 0);
  EXPECT_EQ(dipolarSize(), 20);
  EXPECT_EQ(inUse(), dipolarBytes(20));
  ASSERT_EQ(dipolarInit(21), 0);
  EXPECT_EQ(inUse(), dipolarBytes(21));

  dipolarFree();
  EXPECT_EQ(inUse(), 0);
  EXPECT_EQ(dipolarSize(), 0);
  dipolarNull();
  EXPECT_EQ(inUse(), 0);
}

}  // namespace
}  // namespace korva
