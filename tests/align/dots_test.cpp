// Tests of the unit-sphere dot distributions: counts, geometry, symmetry and cube grouping.
#include "align/dots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace korva {
namespace {

// Densities and the type and count that the two tessellation formulas give (10 t^2 + 2 for the
// arc type, 30 t^2 + 2 for the dodecahedron type), worked out by hand.
TEST(UnitSphereDots, CountAndTypeForEachDensity) {
  struct Case {
    int density, type, count;
  } cases[] = {{3, 10, 12},    {12, 10, 12},  {13, 9, 32},     {32, 9, 32},   {33, 10, 42},
               {42, 10, 42},   {43, 10, 92},  {100, 9, 122},   {122, 9, 122}, {123, 10, 162},
               {162, 10, 162}, {700, 9, 752}, {1000, 10, 1002}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.density);
    EXPECT_EQ(unsp_type(c.density), c.type);
    const double* p = nullptr;
    int n = 0;
    ASSERT_EQ(do_unsp(c.density, &p, &n), 0);
    EXPECT_EQ(n, c.count);
    double minSq = 4.0;
    for (int i = 0; i < n; ++i) {
      EXPECT_NEAR(p[3 * i] * p[3 * i] + p[3 * i + 1] * p[3 * i + 1] + p[3 * i + 2] * p[3 * i + 2],
                  1.0, 1e-12);
      for (int j = i + 1; j < n; ++j) {
        double d = 0;
        for (int k = 0; k < 3; ++k)
          d += (p[3 * i + k] - p[3 * j + k]) * (p[3 * i + k] - p[3 * j + k]);
        minSq = std::min(minSq, d);
      }
    }
    // No dot is generated twice: neighbours are at least a fraction of the mean spacing apart.
    EXPECT_GT(minSq, 0.25 * 4.0 * 3.14159265 / n);
  }
}

// The default orientation points in their order: an independent python3 construction of the
// 12 vertices, 20 face centres and 90 arc midpoints (t = 2) followed by the swap-based cube
// grouping gives these three dots (first, 61st and last) exactly.
TEST(UnitSphereDots, DefaultOrientationOrderMatchesIndependentConstruction) {
  const double* p = nullptr;
  int n = 0;
  ASSERT_EQ(do_unsp(100, &p, &n), 0);
  ASSERT_EQ(n, 122);
  const struct {
    int index;
    double v[3];
  } expected[] = {
      {0, {-0.68819093826563327, -0.5000000583620664, -0.52573108537254831}},
      {60, {0.18759256558961399, -0.57735027920788806, -0.79465444341177649}},
      {121, {0.68819096894839027, 0.5000000245016365, 0.52573107741148284}},
  };
  for (const auto& e : expected) {
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(p[3 * e.index + a], e.v[a], 1e-15) << e.index;
  }
}

// divarc against the closed form: the point m/n of the way along a quarter circle is at angle
// 90 m/n degrees.
TEST(UnitSphereDots, DivarcFollowsTheGreatCircle) {
  const double a[3] = {1, 0, 0}, b[3] = {0, 1, 0};
  for (int m : {1, 2, 3}) {
    double out[3];
    ASSERT_EQ(divarc(a, b, m, 4, out), 0);
    const double angle = 1.5707963267948966 * m / 4;
    EXPECT_NEAR(out[0], std::cos(angle), 1e-12);
    EXPECT_NEAR(out[1], std::sin(angle), 1e-12);
    EXPECT_NEAR(out[2], 0.0, 1e-12);
  }
}

// Bad inputs fail after the module's error block (printed by the module itself).
TEST(UnitSphereDots, BadInputsFail) {
  const double cases[3][2][3] = {{{1, 0, 0}, {1, 0.0001, 0}},  // nearly parallel
                                 {{0.5, 0, 0}, {0, 2, 0}},     // vector 1 too short
                                 {{2, 0, 0}, {0, 0.5, 0}}};    // vector 2 too short
  for (const auto& c : cases) {
    double out[3];
    EXPECT_EQ(divarc(c[0], c[1], 1, 2, out), 1);
  }
  int n = 0;
  EXPECT_EQ(make_unsp(100, 5, &n, 4), 1);
  for (int density : {2, 0, -7}) {
    const double* p = nullptr;
    EXPECT_EQ(do_unsp(density, &p, &n), 1);
  }
}

}  // namespace
}  // namespace korva
