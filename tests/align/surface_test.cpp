// Tests of the DCLM surface areas, the neighbour search and the surface-atom choice.
#include "align/surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "align/dots.h"

namespace korva {
namespace {

constexpr double kFourPi = 12.566370614359172;

// Straightforward reference: every other sphere is a candidate neighbour, same burial test.
std::vector<double> bruteForceAreas(const std::vector<double>& c, const std::vector<double>& r) {
  const double* u = nullptr;
  int n = 0;
  EXPECT_EQ(do_unsp(kSurfaceDensity, &u, &n), 0);
  const int nat = static_cast<int>(r.size());
  std::vector<double> area(nat);
  for (int i = 0; i < nat; ++i) {
    int free = 0;
    for (int k = 0; k < n; ++k) {
      bool buried = false;
      for (int j = 0; j < nat && !buried; ++j) {
        if (j == i) continue;
        double d[3], d2 = 0;
        for (int a = 0; a < 3; ++a) d[a] = c[3 * j + a] - c[3 * i + a], d2 += d[a] * d[a];
        if (d2 > (r[i] + r[j]) * (r[i] + r[j])) continue;
        const double aj = (d2 + r[i] * r[i] - r[j] * r[j]) / (2 * r[i]);
        buried = u[3 * k] * d[0] + u[3 * k + 1] * d[1] + u[3 * k + 2] * d[2] > aj;
      }
      free += !buried;
    }
    area[i] = r[i] * r[i] * (kFourPi / n) * free;
  }
  return area;
}

TEST(SurfaceArea, CellListFindsExactlyTheNeighbours) {
  std::mt19937 rng(7);
  // Compact clusters, a sparse set that forces wide cells, and touching spheres on a line.
  for (int trial = 0; trial < 6; ++trial) {
    SCOPED_TRACE(trial);
    const int nat = 40 + 10 * trial;
    const double spread = trial == 5 ? 400.0 : 6.0 + trial;
    std::uniform_real_distribution<double> pos(-spread, spread), rad(2.8, 3.3);
    std::vector<double> c(3 * nat), r(nat);
    for (double& v : c) v = pos(rng);
    for (double& v : r) v = rad(rng);
    if (trial == 0) {
      for (int i = 0; i < 5; ++i)
        c[3 * i] = 6.2 * i, c[3 * i + 1] = c[3 * i + 2] = 50.0, r[i] = 3.1;
    }
    tvector<double> areas;
    double total = 0;
    ASSERT_EQ(nsc_dclm(c.data(), r.data(), nat, kSurfaceDensity, kNscFlagAreas, &total, &areas,
                       nullptr, nullptr, nullptr),
              0);
    const std::vector<double> expected = bruteForceAreas(c, r);
    double sum = 0;
    for (int i = 0; i < nat; ++i) {
      EXPECT_EQ(areas[i], expected[i]) << "atom " << i;
      sum += areas[i];
    }
    EXPECT_NEAR(total, sum, 1e-9 * sum);
  }
}

// Closed forms: a lone sphere is wholly exposed; of two spheres at distance d, the part of sphere 1
// inside sphere 2 is a cap of fraction (1 - cos a)/2 with cos a = (d^2 + r1^2 - r2^2)/(2 d r1).
// The two-sphere volume is the sum of the spheres minus the lens; dots approximate both.
TEST(SurfaceArea, MatchesSphereAndCapClosedForms) {
  const double lone[3] = {1, 2, 3}, r0 = 3.1;
  tvector<double> areas;
  double total = 0, volume = 0;
  ASSERT_EQ(nsc_dclm(lone, &r0, 1, kSurfaceDensity, 6, &total, &areas, &volume, nullptr, nullptr),
            0);
  EXPECT_DOUBLE_EQ(areas[0], kFourPi * r0 * r0);
  EXPECT_NEAR(volume, kFourPi / 3 * r0 * r0 * r0, 1e-9);

  const double c[6] = {0, 0, 0, 4.0, 0, 0}, r[2] = {3.0, 2.5};
  ASSERT_EQ(nsc_dclm(c, r, 2, kSurfaceDensity, 6, &total, &areas, &volume, nullptr, nullptr), 0);
  const double cos1 = (16.0 + 9.0 - 6.25) / (2 * 4.0 * 3.0),
               cos2 = (16.0 + 6.25 - 9.0) / (2 * 4.0 * 2.5);
  EXPECT_NEAR(areas[0], kFourPi * 9.0 * (1 - (1 - cos1) / 2), 0.02 * kFourPi * 9.0);
  EXPECT_NEAR(areas[1], kFourPi * 6.25 * (1 - (1 - cos2) / 2), 0.02 * kFourPi * 6.25);
  const double h1 = 3.0 * (1 - cos1), h2 = 2.5 * (1 - cos2);
  const double lens = 3.14159265 / 3 * (h1 * h1 * (3 * 3.0 - h1) + h2 * h2 * (3 * 2.5 - h2));
  const double vol = kFourPi / 3 * (27.0 + 15.625) - lens;
  EXPECT_NEAR(volume, vol, 0.02 * vol);
}

// A 3 x 3 x 3 lattice of step 2 A: every point 3.1 A from the centre lies within 1.74 A of an
// outer lattice point, so the centre atom is wholly buried; a lone atom has relative exposure
// (3.1/1.7)^2 = 3.33 and stays.
TEST(SurfaceArea, SurfSelKeepsExposedAtomsInOrder) {
  double x[28], y[28], z[28];
  int n = 0;
  for (int i = -1; i <= 1; ++i)
    for (int j = -1; j <= 1; ++j)
      for (int k = -1; k <= 1; ++k) ++n, x[n] = 2.0 * i, y[n] = 2.0 * j, z[n] = 2.0 * k;
  int nsel = 0;
  ASSERT_EQ(surfSel(n, x, y, z, &nsel), 0);
  EXPECT_LT(nsel, 27);
  EXPECT_GE(nsel, 8);
  EXPECT_EQ(x[1], -2.0);  // the first corner keeps its place
  for (int i = 1; i <= nsel; ++i) EXPECT_FALSE(x[i] == 0 && y[i] == 0 && z[i] == 0);
  for (int i = 2; i <= nsel; ++i) {  // order preserved: the lattice order is lexicographic
    EXPECT_TRUE(x[i - 1] < x[i] ||
                (x[i - 1] == x[i] && (y[i - 1] < y[i] || (y[i - 1] == y[i] && z[i - 1] < z[i]))));
  }
  double lx[2] = {0, 5}, ly[2] = {0, 6}, lz[2] = {0, 7};
  ASSERT_EQ(surfSel(1, lx, ly, lz, &nsel), 0);
  EXPECT_EQ(nsel, 1);
  EXPECT_EQ(lx[1], 5.0);
}

}  // namespace
}  // namespace korva
