// Special functions against published tables, closed forms and an independent high-precision
// integration.
#include "numeric/special.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace korva {
namespace {

double rel(double got, double want) {
  return std::fabs(got - want) / std::fabs(want);
}

// Abramowitz and Stegun, Handbook of Mathematical Functions (1964): Table 5.1 (E1, Ei; for
// x >= 10 as x e^x E1(x) = 0.9156333394 and x e^-x Ei(x) = 1.1314737 converted here) and
// Table 9.8 (K0, K1; for x > 2 as e^x K(x) converted here), ten significant digits.
TEST(Special, MatchesPublishedTables) {
  struct Row {
    double x, e1, ei, k0, k1;
  };
  const Row rows[] = {
      {0.5, 0.5597735948, 0.4542199049, 0.9244190712, 1.656441120},
      {1.0, 0.2193839344, 1.895117816, 0.4210244382, 0.6019072302},
      {2.0, 0.04890051071, 4.954234356, 0.1138938727, 0.1398658818},
      {5.0, 1.148295591e-3, 40.18527536, 3.691098334e-3, 4.044613445e-3},
      {10.0, 4.156968929e-6, 2492.228976, 1.778006232e-5, 1.864877345e-5},
  };
  for (const Row& r : rows) {
    EXPECT_LT(rel(expIntE1(r.x), r.e1), 2e-9) << r.x;
    EXPECT_LT(rel(expIntEi(r.x), r.ei), 2e-9) << r.x;
    EXPECT_LT(rel(besselK0(r.x), r.k0), 2e-9) << r.x;
    EXPECT_LT(rel(besselK1(r.x), r.k1), 2e-9) << r.x;
    EXPECT_LT(rel(besselK0Scaled(r.x), r.k0 * std::exp(r.x)), 2e-9) << r.x;
  }
  EXPECT_TRUE(std::isnan(expIntE1(0.0)));
  EXPECT_TRUE(std::isnan(besselK0(-1.0)));
}

// F(b) = integral_0^b (exp(-s) - 1)/s ds by mpmath 1.2.1 quad at 30 digits, independent of the
// series and fractions here; both sides of each branch point (b = 8 and b = -40) and the
// asymptotic range, where F(-50) ~ 1.06e20 must keep its relative precision.
TEST(Special, Expm1IntegralMatchesHighPrecisionIntegration) {
  const double cases[][2] = {
      {-100.0, 2.71555274485387982e+41}, {-50.0, 1.05856368971316910e+20},
      {-40.0, 6.03971826361123731e+15},  {-10.0, 2489.34917548398218},
      {-1.0, 1.31790215145440389},       {-1e-3, 1.00025005556597391e-3},
      {1e-8, -9.99999997500000026e-9},   {1e-3, -9.99750055545140576e-4},
      {0.5, -0.443842079117748363},      {1.0, -0.796599599297053134},
      {1.5, -1.08270035541632989},       {10.0, -2.87980491486450823},
      {100.0, -5.18238585088962423},
  };
  for (const auto& c : cases) {
    EXPECT_LT(rel(expm1Integral(c[0]), c[1]), 1e-13) << c[0];
    EXPECT_LT(rel(expm1IntegralScaled(c[0]), c[1] * std::exp(std::fmin(c[0], 0.0))), 1e-13) << c[0];
  }
  EXPECT_EQ(expm1Integral(0.0), 0.0);
  // Continuity across the branch points: the jump over 2 delta is F'(b) 2 delta, F' = expm1(-b)/b.
  for (double b : {8.0, -40.0}) {
    const double delta = 1e-7 * std::fabs(b);
    const double jump = expm1Integral(b + delta) - expm1Integral(b - delta);
    EXPECT_NEAR(jump, std::expm1(-b) / b * 2.0 * delta, 1e-12 * std::fabs(expm1Integral(b))) << b;
  }
  // Far beyond exp()'s range the scaled form follows e^b Ei(-b) ~ (1 + 1/x + 2/x^2 + 6/x^3)/x,
  // x = -b = 1000 (the logarithmic part is below e^-990).
  EXPECT_LT(rel(expm1IntegralScaled(-1000.0), 1.001002006e-3), 1e-9);
}

TEST(Special, GaussLegendreIsExactToDegreeTwoNMinusOne) {
  double x[2], w[2];
  // integral_0^2 t^(2n-1) dt = 2^(2n) / (2n); for small n degree 2n visibly fails, so the check
  // is sharp (for large n the error of degree 2n is itself below rounding).
  for (int n : {1, 2, 5, 12, 20, 40}) {
    std::vector<double> nodes(n), weights(n);
    ASSERT_TRUE(gaussLegendre(n, 0.0, 2.0, nodes.data(), weights.data()).ok());
    double exact = 0.0, over = 0.0;
    for (int i = 0; i < n; ++i) {
      exact += weights[i] * std::pow(nodes[i], 2 * n - 1);
      over += weights[i] * std::pow(nodes[i], 2 * n);
    }
    EXPECT_LT(rel(exact, std::pow(2.0, 2 * n) / (2 * n)), 1e-13) << n;
    EXPECT_TRUE(n > 5 || rel(over, std::pow(2.0, 2 * n + 1) / (2 * n + 1)) > 1e-6) << n;
  }
  EXPECT_FALSE(gaussLegendre(0, 0.0, 1.0, x, w).ok());
  EXPECT_FALSE(gaussLegendre(2, 0.0, INFINITY, x, w).ok());
}

}  // namespace
}  // namespace korva
