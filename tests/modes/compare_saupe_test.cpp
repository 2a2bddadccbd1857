// Element-wise arithmetic, axis angles and five-dimensional collinearity of two Saupe matrices.
#include "modes/compare_saupe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korva {
namespace {

TEST(AddSaupe, ActionsCombineElementWise) {
  const double s1[5] = {1e-3, 2e-4, -3e-4, 4e-4, 5e-4};
  const double s2[5] = {2e-3, -1e-4, 1e-4, 2e-4, -5e-4};
  struct {
    int action;
    double (*f)(double, double);
  } cases[] = {
      {kActionAdd, [](double a, double b) { return 2 * a + 3 * b; }},
      {kActionSub, [](double a, double b) { return 2 * a - 3 * b; }},
      {kActionMul, [](double a, double b) { return 2 * a * 3 * b; }},
      {kActionDiv, [](double a, double b) { return 2 * a / (3 * b); }},
      {9, [](double, double) { return 0.0; }},
  };
  for (const auto& c : cases) {
    double out[5] = {7, 7, 7, 7, 7};
    EXPECT_EQ(addSaupe(c.action, 2.0, 3.0, s1, s2, out), 0);
    for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(out[i], c.f(s1[i], s2[i])) << c.action << i;
  }
}

// Frobenius norms squared: s1 = (1e-3, 0, 0, 0, 0) gives 1.5e-6; s2 = (5e-4, 0, 9e-4, 0, 0)
// gives 1.5 * 2.5e-7 + 2 * 8.1e-7 = 1.995e-6, larger although its Szz is smaller, so the whole
// scaled s2 is taken; an element-wise maximum would mix (1e-3, 0, 9e-4, 0, 0).
TEST(AddSaupe, MaxTakesTheWholeTensorOfLargerMagnitude) {
  const double s1[5] = {1e-3, 0, 0, 0, 0};
  const double s2[5] = {5e-4, 0, 9e-4, 0, 0};
  double out[5];
  addSaupe(kActionMax, 2.0, 3.0, s1, s2, out);
  for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(out[i], 3.0 * s2[i]) << i;
  addSaupe(kActionMax, 2.0, 3.0, s2, s1, out);
  for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(out[i], 2.0 * s2[i]) << i;
  addSaupe(kActionMax, 2.0, 3.0, s1, s1, out);  // a tie goes to the first
  for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(out[i], 2.0 * s1[i]) << i;
}

// coll is the cosine between the matrices as vectors; the 49.1066 degrees case is
// s1 = (1, 0, 0, 0, 0) (norm^2 1.5) against s2 = (1, 0, 1, 0, 0) (norm^2 3.5, product 1.5):
// cos = sqrt(1.5 / 3.5) = 0.6546537, acos = 49.10661 degrees (python3 math.acos).
TEST(IrrCollinarity, EdgeCasesAndAGeneralAngle) {
  struct {
    double s1[5], s2[5];
    float coll, angle;
  } cases[] = {
      {{1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, {1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, 1.0f, 0.0f},
      {{1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, {-1e-3, -2e-4, -1e-4, 3e-4, -5e-5}, -1.0f, 0.0f},
      {{1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, {0, 0, 0, 0, 0}, 0.0f, 90.0f},
      {{1, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, 0.0f, 90.0f},
      {{1, 0, 0, 0, 0}, {1, 0, 1, 0, 0}, 0.6546537f, 49.10661f},
      // Elements near the single-precision limit: proportional tensors are still collinear.
      {{1e38, 1e38, 1e38, 1e38, 1e38}, {1, 1, 1, 1, 1}, 1.0f, 0.0f},
      {{3e38, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, 0.0f, 90.0f},
  };
  for (const auto& c : cases) {
    float coll = 9, angle = 9;
    EXPECT_EQ(irrCollinarity(c.s1, c.s2, &coll, &angle), 0);
    EXPECT_NEAR(coll, c.coll, 1e-6f);
    EXPECT_NEAR(angle, c.angle, 2e-3f);
  }
}

// Axes as columns: the second matrix is the first turned by 30 degrees about z, with its z axis
// reversed in one case; the outputs are ordered third, second, first column.
TEST(CalcDcos, AnglesBetweenMatchingColumns) {
  const double c = std::cos(30.0 * M_PI / 180.0), s = std::sin(30.0 * M_PI / 180.0);
  const double e1[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double e2[3][3] = {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
  const double e3[3][3] = {{c, -s, 0}, {s, c, 0}, {0, 0, -1}};
  float a[3];
  calcDcos(e1, e2, a);
  EXPECT_NEAR(a[0], 0.0f, 1e-3f);  // parallel unit vectors: no NaN from rounding
  EXPECT_NEAR(a[1], M_PI / 6, 1e-6f);
  EXPECT_NEAR(a[2], M_PI / 6, 1e-6f);
  calcDcos(e1, e3, a);
  EXPECT_NEAR(a[0], M_PI, 1e-3f);
  calcDcos(e1, e1, a);
  for (float v : a) EXPECT_FALSE(std::isnan(v));
}

}  // namespace
}  // namespace korva
