// The electrostatic excess against direct integration over the position, with the potentials
// written out here from their definitions (std::cyl_bessel_k for the rod).
#include "align/electrostatic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace korva {
namespace {

// Composite Simpson rule on [a, b] with 2 * half intervals.
double simpson(const std::function<double(double)>& f, double a, double b, int half) {
  const double h = (b - a) / (2 * half);
  double sum = f(a) + f(b);
  for (int i = 1; i < 2 * half; ++i) sum += (i % 2 ? 4.0 : 2.0) * f(a + i * h);
  return sum * h / 3.0;
}

struct Case {
  double y0, debye;
  std::vector<double> q, n, m;
  double pc, pEnd;
};

// X = (1/g) integral (exp(-beta E) - 1) mu dp by Simpson in p, fine enough for 1e-9 relative
// (optionally divided by exp(shift)), beta E from the definitions: a charge inside the obstacle
// sits on its surface.
double directExcess(int model, const Case& c, double rM, double shift = 0.0) {
  const auto f = [&](double p) {
    double e = 0.0;
    for (size_t j = 0; j < c.q.size(); ++j) {
      const double r = std::max(std::hypot(p + c.n[j], c.m[j]), rM);
      e += c.q[j] * (model == kModelWall ? std::exp(-std::max(p + c.n[j] - rM, 0.0) / c.debye)
                                         : std::cyl_bessel_k(0.0, r / c.debye) /
                                               std::cyl_bessel_k(0.0, rM / c.debye));
    }
    const double mu = model == kModelWall ? 1.0 : p / rM;
    return (std::exp(-c.y0 * e - shift) - std::exp(-shift)) * mu / 0.2;
  };
  // The Boltzmann factor changes fastest near contact: a fine rule there, a coarser one beyond.
  const double near = std::min(c.pc + 20.0, c.pEnd);
  return simpson(f, c.pc, near, 20000) + simpson(f, near, c.pEnd, 4000);
}

// The model's X with the grid step 0.2 A, or its setup's failure.
scaledValue modelExcess(int model, const Case& c, double rM, int nodes = kDefaultRodNodes,
                        bool* ok = nullptr) {
  electrostaticModel e;
  elecParams p;
  p.model = model, p.y0 = c.y0, p.debye = c.debye, p.rM = rM, p.nodes = nodes;
  const bool done = e.setup(p, c.q.data(), static_cast<int>(c.q.size()), c.pEnd + 40.0).ok();
  if (ok != nullptr) *ok = done;
  return done ? e.excess(c.n.data(), c.m.data(), c.pc, c.pEnd) : scaledValue();
}

// Wall (rM 20, g 0.2): repulsion and attraction at the Debye lengths of low and high salt, a
// charge left 2 A inside the wall, and an energy of -240 kT.
TEST(Electrostatic, WallClosedFormMatchesIntegrationOverPosition) {
  const std::vector<double> q = {1, -1, 1, 1}, n = {-15, -10, 0, 12}, m(4, 0.0);
  const Case cases[] = {
      {4.25, 10.0, q, n, m, 36.0, 419.0},
      {-4.5, 10.0, q, n, m, 36.0, 419.0},
      {-4.5, 2.0, q, n, m, 36.0, 60.0},
      {3.0, 10.0, {1, -1}, {-18, 5}, m, 36.0, 419.0},
      {-60.0, 10.0, {1, 1, 1, 1}, {-16, -16, -16, -16}, m, 36.0, 419.0},
  };
  for (const Case& c : cases) {
    const scaledValue x = modelExcess(kModelWall, c, 20.0);
    const double want = directExcess(kModelWall, c, 20.0);
    EXPECT_EQ(x.logScale, 0.0);
    EXPECT_NEAR(x.value, want, 1e-9 * std::fabs(want)) << c.y0 << " " << c.debye;
  }
}

// Rod (rM 33.5, g 0.2, the steric cell edge 147.5 A): the quadrature against Simpson in p and
// its convergence with the nodes down to the table's ~1e-9; the strong attraction needs panels.
TEST(Electrostatic, RodQuadratureConvergesToIntegrationOverPosition) {
  const std::vector<double> q = {1, -1, 1, 0.05}, n = {-20, -5, 10, 3}, m = {3, -12, 0, 15};
  const Case cases[] = {
      {-4.5, 10.0, q, n, m, 55.0, 147.5},
      {4.25, 30.0, q, n, m, 55.0, 147.5},
      {-40.0, 10.0, q, n, m, 55.0, 147.5},
      {2.0, 1.0, q, n, m, 55.0, 147.5},
  };
  for (const Case& c : cases) {
    const double want = directExcess(kModelRod, c, 33.5);
    double lastError = INFINITY;
    for (int nodes : {4, 8, 16, 32}) {
      const scaledValue x = modelExcess(kModelRod, c, 33.5, nodes);
      const double error = std::fabs(x.value - want) / std::fabs(want);
      EXPECT_LT(error, std::max(lastError, 1e-8)) << c.y0 << " " << nodes;
      EXPECT_TRUE(nodes < 8 || error < 1e-5) << c.y0 << " " << nodes << " " << error;
      lastError = error;
    }
  }
}

// A neutral medium gives exactly nothing; beyond exp()'s range the value is carried in log form.
TEST(Electrostatic, ZeroPotentialIsExactAndHugeEnergiesStayFinite) {
  const std::vector<double> q = {1, -1}, n = {-10, 0}, m = {5, 5};
  for (int model : {kModelWall, kModelRod}) {
    const scaledValue x = modelExcess(model, {0.0, 10.0, q, n, m, 50.0, 147.5}, 33.5);
    EXPECT_EQ(x.value, 0.0);
    EXPECT_EQ(x.logScale, 0.0);
  }
  // One charge at the wall, a = -1000: X = [F(a) - F(a')] / (kappa g) with F(a) ~ e^-a/(-a) (1 +
  // 1/x + 2/x^2 + 6/x^3), x = 1000, and F(a') below e^-900: ln X = 1000 - ln 1000 + ln(1.001002006)
  // - ln(0.02).
  const Case wall = {-1000.0, 10.0, {1.0}, {-16.0}, {0.0}, 36.0, 419.0};
  const scaledValue x = modelExcess(kModelWall, wall, 20.0);
  EXPECT_NEAR(x.logScale + std::log(x.value),
              1000.0 - std::log(1000.0) + std::log(1.001002006) - std::log(0.02), 1e-8);
  // A charge left 3 A inside the wall, a weak opposite one meeting it 0.1 A before: the closed
  // part beyond the contact carries the larger exponent.
  const Case mixed = {-1000.0, 10.0, {1.0, -0.001}, {-16.0, -15.9}, {0.0, 0.0}, 33.0, 419.0};
  const scaledValue w = modelExcess(kModelWall, mixed, 20.0);
  ASSERT_GT(w.logScale, 700.0);
  const double wantMixed = directExcess(kModelWall, mixed, 20.0, w.logScale);
  EXPECT_NEAR(w.value, wantMixed, 1e-4 * wantMixed);  // the kink at 35.9 A
  const Case rod = {-700.0, 10.0, {1.0, 0.5}, {-20.0, -10.0}, {3.0, 5.0}, 55.0, 147.5};
  const scaledValue r = modelExcess(kModelRod, rod, 33.5);
  ASSERT_GT(r.logScale, 600.0);
  const double want = directExcess(kModelRod, rod, 33.5, r.logScale);
  EXPECT_NEAR(r.value, want, 1e-6 * want);
}

TEST(Electrostatic, RodTableMatchesBesselRatio) {
  for (double debye : {0.5, 10.0, 1000.0}) {
    electrostaticModel e;
    elecParams p;
    p.model = kModelRod, p.y0 = 1.0, p.debye = debye, p.rM = 33.5;
    const double q = 1.0;
    ASSERT_TRUE(e.setup(p, &q, 1, 233.5).ok());
    double worst = 0.0;
    for (double r = 33.5; r < 33.5 + std::min(60 * debye, 200.0); r += 0.0137 * debye) {
      const double want = std::cyl_bessel_k(0.0, r / debye) / std::cyl_bessel_k(0.0, 33.5 / debye);
      worst = std::max(worst, std::fabs(e.rodRatio(r) - want));
    }
    EXPECT_LT(worst, 1e-9) << debye;
    EXPECT_EQ(e.rodRatio(20.0), 1.0) << "inside the rod: at its surface";
  }
}

TEST(Electrostatic, SetupRejectsBadParameters) {
  const Case c = {1.0, 10.0, {1.0}, {0.0}, {0.0}, 50.0, 147.5};
  const struct {
    double debye, rM, y0;
    int nodes;
  } bad[] = {{0, 20, 1, 8}, {-3, 20, 1, 8}, {NAN, 20, 1, 8},
             {10, 0, 1, 8}, {10, 20, 1, 1}, {10, 20, 2e6, 8}};
  for (const auto& b : bad) {
    bool ok = true;
    Case d = c;
    d.debye = b.debye, d.y0 = b.y0;
    (void)modelExcess(kModelRod, d, b.rM, b.nodes, &ok);
    EXPECT_FALSE(ok) << b.debye << " " << b.rM << " " << b.y0 << " " << b.nodes;
  }
  electrostaticModel e;
  elecParams p;
  p.y0 = 1.0;
  EXPECT_FALSE(e.setup(p, nullptr, 1, 100.0).ok());  // a charge without its value
}

// By hand: 78.5 x 8.8541878128e-12 F/m x 1e9 /m x 0.0256926 V / 1.602e-19 C = 0.111459 e/nm^2
// per kT/e at L_D = 10 A; the rod's factor K1/K0 at 3.35 is 1.140452 (scipy); 3.04/sqrt(0.1).
TEST(Electrostatic, SaltAndSurfaceChargeFollowTheirFormulas) {
  EXPECT_NEAR(surfaceChargeDensity(kModelWall, -4.5, 10.0, 20.0), -0.501566, 1e-5);
  EXPECT_NEAR(surfaceChargeDensity(kModelRod, -4.5, 10.0, 33.5), -0.572012, 1e-5);
  double debye = 0.0;
  ASSERT_TRUE(debyeLengthForSalt(100.0, &debye).ok());
  EXPECT_NEAR(debye, 9.613324, 1e-5);
  EXPECT_FALSE(debyeLengthForSalt(0.0, &debye).ok());
  EXPECT_FALSE(debyeLengthForSalt(-5.0, &debye).ok());
}

// By hand: steric sums s/z0 unchanged without excess; with X = 20 for one of n = 4 orientations
// and d = (1, 0, 0, 0, 0), S0 = (1e-3 + 20/4) / (10 + 20/4) and the fraction (20/4) / 15.
TEST(Electrostatic, CombineSaupeWeighsTheExcess) {
  const double steric[5] = {1e-3, 2e-3, -3e-3, 4e-3, 5e-3}, d[5] = {1, 0, 0, 0, 0};
  double S[5], fraction = -1.0;
  ASSERT_TRUE(combineSaupe(steric, 10.0, excessSums(), 4, S, &fraction).ok());
  for (int k = 0; k < 5; ++k) EXPECT_EQ(S[k], steric[k] / 10.0);
  EXPECT_EQ(fraction, 0.0);
  excessSums sums;
  sums.add({20.0, 0.0}, d);
  ASSERT_TRUE(combineSaupe(steric, 10.0, sums, 4, S, &fraction).ok());
  EXPECT_DOUBLE_EQ(S[0], 5.001 / 15.0);
  EXPECT_DOUBLE_EQ(fraction, 5.0 / 15.0);
  // One orientation at e^1000 outweighs everything: S is its d, the fraction 1.
  sums.add({2.0, 1000.0}, d);
  ASSERT_TRUE(combineSaupe(steric, 10.0, sums, 4, S, &fraction).ok());
  EXPECT_DOUBLE_EQ(S[0], 1.0);
  EXPECT_DOUBLE_EQ(fraction, 1.0);
  // Weights that cancel the steric ones leave nothing to normalise.
  excessSums negative;
  negative.add({-40.0, 0.0}, d);
  EXPECT_FALSE(combineSaupe(steric, 10.0, negative, 4, S, nullptr).ok());
}

}  // namespace
}  // namespace korva
