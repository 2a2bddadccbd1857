// Element-wise arithmetic, axis angles and five-dimensional collinearity of two Saupe matrices.
#include "tensor/compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace korva {
namespace {

TEST(AddSaupe, ActionsCombineElementWise) {
  const double s1[5] = {1e-3, 2e-4, -3e-4, 4e-4, 5e-4};
  const double s2[5] = {2e-3, -1e-4, 1e-4, 2e-4, -5e-4};
  const struct {
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
    addSaupe(c.action, 2.0, 3.0, s1, s2, out);
    for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(out[i], c.f(s1[i], s2[i])) << c.action << i;
  }
  // Frobenius norms squared: (1e-3, 0, 0, 0, 0) gives 1.5e-6; (5e-4, 0, 9e-4, 0, 0) gives
  // 1.5 * 2.5e-7 + 2 * 8.1e-7 = 1.995e-6, larger although its Szz is smaller, so the whole scaled
  // tensor is taken; an element-wise maximum would mix (1e-3, 0, 9e-4, 0, 0). Ties go to the first.
  const double a[5] = {1e-3, 0, 0, 0, 0}, b[5] = {5e-4, 0, 9e-4, 0, 0};
  const struct {
    const double *first, *second, *expected;
    double scale;
  } maxCases[] = {{a, b, b, 3.0}, {b, a, b, 2.0}, {a, a, a, 2.0}};
  for (const auto& c : maxCases) {
    double out[5];
    addSaupe(kActionMax, 2.0, 3.0, c.first, c.second, out);
    for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(out[i], c.scale * c.expected[i]) << i;
  }
}

// coll is the cosine between the matrices as vectors; the 49.1066 degrees case is
// s1 = (1, 0, 0, 0, 0) (norm^2 1.5) against s2 = (1, 0, 1, 0, 0) (norm^2 3.5, product 1.5):
// cos = sqrt(1.5 / 3.5) = 0.6546537, acos = 49.10661 degrees (python3 math.acos).
TEST(IrrCollinarity, EdgeCasesAndAGeneralAngle) {
  const struct {
    double s1[5], s2[5];
    float coll, angle;
  } cases[] = {
      {{1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, {1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, 1.0f, 0.0f},
      {{1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, {-1e-3, -2e-4, -1e-4, 3e-4, -5e-5}, -1.0f, 0.0f},
      {{1e-3, 2e-4, 1e-4, -3e-4, 5e-5}, {0, 0, 0, 0, 0}, 0.0f, 90.0f},
      {{1, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, 0.0f, 90.0f},
      {{1, 0, 0, 0, 0}, {1, 0, 1, 0, 0}, 0.6546537f, 49.10661f},
      {{0, 1, 0, 0, 0}, {0, 1, 0, 0, 1}, 0.4472136f, 63.43495f},  // 0.5 / sqrt(0.5 * 2.5)
      // Elements near the single-precision limit: proportional tensors are still collinear.
      {{1e38, 1e38, 1e38, 1e38, 1e38}, {1, 1, 1, 1, 1}, 1.0f, 0.0f},
      {{3e38, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, 0.0f, 90.0f},
  };
  for (const auto& c : cases) {
    float coll = 9, angle = 9;
    irrCollinarity(c.s1, c.s2, &coll, &angle);
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
  calcDcos(e3, e1, a);
  EXPECT_NEAR(a[0], M_PI, 1e-3f);
  EXPECT_NEAR(a[2], M_PI / 6, 1e-6f);
}

// The two tensors of the comparison example, against numpy: the sum, coll 0.8756310 (28.880255
// degrees), and the acute angles between the principal axes ordered by |eigenvalue| (from
// numpy.linalg.eigh): x 36.244231, y 37.027610, z 12.797475 degrees. Eigenvector signs are
// arbitrary, so an angle may also come out as 180 minus it.
TEST(CompareSaupe, ExampleAgainstIndependentEigensystemAndDivisionByZero) {
  const double s1[5] = {1e-3, 2e-4, 3e-4, -1e-4, 5e-5}, s2[5] = {5e-4, 1e-4, 0, 0, 2e-4};
  saupeComparison cmp;
  ASSERT_TRUE(compareSaupe(kActionAdd, 1.0, 1.0, s1, s2, &cmp).ok());
  for (int i = 0; i < 5; i++) EXPECT_DOUBLE_EQ(cmp.result[i], s1[i] + s2[i]);
  EXPECT_NEAR(cmp.coll, 0.8756310, 1e-6);
  EXPECT_NEAR(cmp.angle, 28.880255, 1e-3);
  const double axes[3] = {36.244231, 37.027610, 12.797475};
  for (int k = 0; k < 3; k++) {
    const double deg = cmp.axes[k] * 180.0 / M_PI;
    EXPECT_NEAR(std::min(deg, 180.0 - deg), axes[k], 1e-3) << k;
  }
  const Status st = compareSaupe(kActionDiv, 1.0, 1.0, s1, s2, &cmp);
  EXPECT_EQ(st.message(),
            "Matrix: division by element 3 of the second order matrix, which is 0.\n");
  const double bad[5] = {NAN, 0, 0, 0, 0};
  EXPECT_EQ(compareSaupe(kActionAdd, 1.0, 1.0, bad, s2, &cmp).message(),
            "Utility Error: \nToo many iterations in routine jacobi\nAborting.\n"
            "Matrix: error in analyzeSaupe.\n");
}

}  // namespace
}  // namespace korva
