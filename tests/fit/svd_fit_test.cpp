// Order-matrix fit of the Saupe vector against independent least-squares solutions.
#include "fit/svd_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/reference.h"

namespace korva {
namespace {

using testing::basisRow;
using testing::Lcg;

// A coupling set with atom I at p and atom J at p + v.
struct Couplings {
  std::vector<float> x1, y1, z1, x2, y2, z2, di, d, dd;
  void add(const double v[3], double dI, double dObs, double err, const double p[3] = nullptr) {
    const double o[3] = {p ? p[0] : 0.0, p ? p[1] : 0.0, p ? p[2] : 0.0};
    std::vector<float>* to[9] = {&x1, &y1, &z1, &x2, &y2, &z2, &di, &d, &dd};
    const double values[9] = {o[0],        o[1], o[2], o[0] + v[0], o[1] + v[1],
                              o[2] + v[2], dI,   dObs, err};
    for (int k = 0; k < 9; k++) to[k]->push_back(static_cast<float>(values[k]));
  }
  int fit(float s[5], float sErr[5]) const {
    fitWorkspace ws;
    return findS(x1.data(), y1.data(), z1.data(), x2.data(), y2.data(), z2.data(), di.data(),
                 d.data(), dd.data(), s, sErr, static_cast<int>(d.size()), &ws);
  }
};

// The basis row of the direction of v.
void unitRow(const double v[3], double row[5]) {
  const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  basisRow(v[0] / r, v[1] / r, v[2] / r, row);
}

// Unit directions whose basis rows are independent: z, x, (x+y), (x+z), (y+z).
const double kDirs[5][3] = {{0, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}};

TEST(FindS, ErrorsWeightEachCouplingByItsRelativePrecision) {
  // Five independent rows: sErr^2 is the diagonal of (A^T A)^-1 / weight^2, with A the unit-weight
  // basis rows. DD = 0 and DD = |DI| both mean weight 1; DD = |DI|/2 means weight 2.
  std::vector<double> a(25), xRef;
  for (int i = 0; i < 5; i++) unitRow(kDirs[i], &a[i * 5]);
  const std::vector<double> cRef =
      testing::normalSolve(a, std::vector<double>(5, 0.0), 5, 5, &xRef);
  const struct {
    double ddOverDi;
    double weight;
  } cases[] = {{0.0, 1.0}, {1.0, 1.0}, {0.5, 2.0}, {0.25, 4.0}};
  for (const auto& cs : cases) {
    Couplings c;
    for (int i = 0; i < 5; i++) c.add(kDirs[i], -8000.0, 3.0, 8000.0 * cs.ddOverDi);
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
    const double dI = (i % 2 ? -1.0 : 1.0) * (5000.0 + 1000.0 * i);
    const double dObs = 20.0 * rng.next();
    const double err = 0.5 + 0.25 * i;
    c.add(v, dI, dObs, err);
    double row[5];
    unitRow(v, row);
    const double w = std::fabs(dI) / err;
    for (double e : row) aw.push_back(w * e);
    bw.push_back(w * dObs / std::fabs(dI));
  }
  std::vector<double> sRef;
  const std::vector<double> covRef = testing::normalSolve(aw, bw, 9, 5, &sRef);
  float s[5], sErr[5];
  ASSERT_EQ(c.fit(s, sErr), 0);
  for (int k = 0; k < 5; k++) {
    EXPECT_NEAR(s[k], sRef[k], 1e-4 * std::fabs(sRef[k]) + 1e-8) << k;
    EXPECT_NEAR(sErr[k], std::sqrt(covRef[k * 5 + k]), 1e-4 * std::sqrt(covRef[k * 5 + k])) << k;
  }
}

TEST(FindS, TooFewOrUninformativeCouplings) {
  Couplings c;
  for (int i = 0; i < 4; i++) c.add(kDirs[i], -21523, 10.0, 1.0);
  float s[5] = {9, 9, 9, 9, 9}, sErr[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(c.fit(s, sErr), 1);
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(s[k], 0.0f);
    EXPECT_EQ(sErr[k], 0.0f);
  }

  // A pair with DI = 0 predicts 0 whatever the tensor: it must leave the fit of the other five
  // untouched instead of turning it into NaN.
  const double obs[5] = {12.5, -30.0, 4.0, 8.0, -1.5};
  Couplings five;
  for (int i = 0; i < 5; i++) five.add(kDirs[i], -8000, obs[i], 0.0);
  Couplings six = five;
  const double v[3] = {0.3, 0.4, 0.5};
  six.add(v, 0.0, 7.0, 1.0);
  float s5[5], e5[5], s6[5], e6[5];
  ASSERT_EQ(five.fit(s5, e5), 0);
  ASSERT_EQ(six.fit(s6, e6), 0);
  for (int k = 0; k < 5; k++) {
    EXPECT_NEAR(s6[k], s5[k], 1e-6 * std::fabs(s5[k]) + 1e-10) << k;
    EXPECT_NEAR(e6[k], e5[k], 1e-6 * e5[k]) << k;
  }
}

}  // namespace
}  // namespace korva
