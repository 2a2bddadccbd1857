// Tensor forms: Da/Dr/angles to Saupe vector and back, the float eigen-solver and its ordering,
// coupling prediction and the tensor record set from a Saupe vector.
#include "tensor/tensor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace korva {
namespace {

constexpr double kDeg = 3.14159265 / 180.0;

// S = R^T diag(A) R with R = Rz(phi) Ry(theta) Rx(psi), computed in double by python3, with
// Axx = -Da + 1.5 Dr, Ayy = -Da - 1.5 Dr, Azz = 2 Da; unrotated, Szz = 2 Da and Sxx - Syy = 3 Dr.
TEST(Euler2Saupe, MatchesRotatedDiagonal) {
  const struct {
    double angles[3], a[3], s[5];
  } cases[] = {
      {{20, 35, -50},
       {-4e-4, -1.1e-3, 1.5e-3},
       {0.00044553602551789765, 0.00034442692762800864, -0.00010601477426801597,
        -0.001116802207815084, 0.00061072044063689582}},
      {{-70, 110, 15},
       {6e-4, 2e-4, -8e-4},
       {0.00018812426859555302, -0.0010906067758828996, 0.00042642134621443967,
        -0.00011880765476391765, 1.2277476767661562e-05}},
      {{0, 0, 0}, {-7e-4, -1.3e-3, 2e-3}, {2e-3, 6e-4, 0, 0, 0}},
      {{0, 0, 0}, {-1e-3, -1e-3, 2e-3}, {2e-3, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    const double da = c.a[2] / 2.0, dr = (c.a[0] - c.a[1]) / 3.0;
    float s[5];
    euler2saupe(s, c.angles[0], c.angles[1], c.angles[2], da, dr);
    for (int k = 0; k < 5; k++) EXPECT_NEAR(s[k], c.s[k], 2e-9) << c.angles[0] << " " << k;
  }
}

TEST(Saupe2Euler, AxialVectorGivesTwoSolutionsOfEitherSign) {
  for (float sign : {1.0f, -1.0f}) {
    const float s[5] = {sign * 2e-3f, sign * 6e-4f, 0, 0, 0};
    float psi[8], theta[8], phi[8], eig[3], da, dr;
    ASSERT_EQ(saupe2euler(s, psi, theta, phi, eig, &da, &dr, nullLog()), 2);
    EXPECT_NEAR(da, sign * 1e-3, 1e-9);
    EXPECT_NEAR(dr, sign * 2e-4, 1e-9);
    const float expected[2][3] = {{0, 0, 0}, {180, 180, 180}};
    for (int k = 0; k < 2; k++) {
      EXPECT_NEAR(psi[k], expected[k][0], 1e-3);
      EXPECT_NEAR(theta[k], expected[k][1], 1e-3);
      EXPECT_NEAR(phi[k], expected[k][2], 1e-3);
    }
    // Diagonal input: the solver leaves the diagonal (Sxx, Syy, Szz) as it is.
    EXPECT_FLOAT_EQ(eig[0], sign * -7e-4f);
    EXPECT_FLOAT_EQ(eig[1], sign * -1.3e-3f);
    EXPECT_FLOAT_EQ(eig[2], sign * 2e-3f);
  }
}

void expectRebuilds(const float s[5], double da, double dr, const float* psi, const float* theta,
                    const float* phi, int n, const char* what) {
  for (int k = 0; k < n; k++) {
    float back[5];
    euler2saupe(back, psi[k], theta[k], phi[k], da, dr);
    for (int e = 0; e < 5; e++) EXPECT_NEAR(back[e], s[e], 2e-8) << what << " solution " << k;
  }
}

TEST(Saupe2Euler, RandomTensorsRoundTrip) {
  std::mt19937 gen(20240611);
  std::uniform_real_distribution<double> angle(-180.0, 180.0);
  std::uniform_real_distribution<double> mag(5e-4, 2e-3);
  std::uniform_real_distribution<double> rhomb(0.05, 0.6);  // keeps |Axx| < |Ayy| < |Azz|
  for (int trial = 0; trial < 2000; trial++) {
    const double da = (trial % 2 ? -1.0 : 1.0) * mag(gen);
    const double dr = da * rhomb(gen);
    const double a[3] = {angle(gen), angle(gen) / 2.0, angle(gen)};
    float s[5];
    euler2saupe(s, a[0], a[1], a[2], da, dr);
    float psi[8], theta[8], phi[8], eig[3], gotDa, gotDr;
    const int n = saupe2euler(s, psi, theta, phi, eig, &gotDa, &gotDr, nullLog());
    ASSERT_EQ(n, 2) << trial;
    EXPECT_NEAR(gotDa, da, 1e-6 * std::fabs(da) + 1e-9) << trial;
    EXPECT_NEAR(gotDr, dr, 1e-5 * std::fabs(da) + 1e-9) << trial;
    // Same rotation written two ways: (psi + 180, 180 - theta, phi + 180).
    EXPECT_NEAR(std::fmod(psi[1] - psi[0] + 720.0, 360.0), 180.0, 1e-2) << trial;
    EXPECT_NEAR(theta[0] + theta[1], 180.0, 1e-2) << trial;
    EXPECT_LE(psi[0] * psi[0] + theta[0] * theta[0] + phi[0] * phi[0],
              psi[1] * psi[1] + theta[1] * theta[1] + phi[1] * phi[1]);
    expectRebuilds(s, da, dr, psi, theta, phi, n, "random");
  }
}

TEST(Rot2Euler, DegenerateTriplesReproduceTheMatrix) {
  // Ry(+-90) Rx(psi): row 0 = (0, sin(theta) sin(psi), sin(theta) cos(psi)), by hand.
  for (double thetaDeg : {90.0, -90.0}) {
    for (double psiDeg : {30.0, 150.0, -120.0}) {
      const double st = std::sin(thetaDeg * kDeg);
      const double sp = std::sin(psiDeg * kDeg), cp = std::cos(psiDeg * kDeg);
      const float r[3][3] = {{0.0f, static_cast<float>(st * sp), static_cast<float>(st * cp)},
                             {0.0f, static_cast<float>(cp), static_cast<float>(-sp)},
                             {static_cast<float>(-st), 0.0f, 0.0f}};
      float psi[8], theta[8], phi[8];
      const int n = rot2euler(r, psi, theta, phi);
      ASSERT_EQ(n, 2);
      for (int k = 0; k < n; k++) {
        EXPECT_EQ(phi[k], 0.0f);
        EXPECT_EQ(eulerTest(r, psi[k] * kDeg, theta[k] * kDeg, phi[k] * kDeg), 1)
            << thetaDeg << " " << psiDeg << " solution " << k << ": " << psi[k];
      }
    }
  }
}

TEST(Diag3By3, NonFiniteInputFailsAndSaupe2EulerReportsIt) {
  const float m[3][3] = {{NAN, 1, 0}, {1, 0, 0}, {0, 0, 1}};
  float eig[3], v[3][3];
  EXPECT_EQ(diag3By3(m, eig, v), 1);

  const float s[5] = {NAN, 0, 1e-3f, 0, 0};
  float psi[8], theta[8], phi[8], eigVal[3] = {7, 8, 9}, da = 1, dr = 1;
  TextLog log;
  EXPECT_EQ(saupe2euler(s, psi, theta, phi, eigVal, &da, &dr, log), 0);
  EXPECT_EQ(log.text(), "VANTRO Error: Saupe matrix could not be diagonalised.\n");
  EXPECT_EQ(da, 0.0f);
  EXPECT_EQ(dr, 0.0f);
  EXPECT_EQ(eigVal[0], 7.0f);  // left as it was
  EXPECT_EQ(psi[0], 0.0f);
}

TEST(EigSort, TiesSwapAndMovedColumnIsNegated) {
  // Hand-worked exchange sort of (1, -1, 0.5) with V = I: (0.5, -1, 1) and columns
  // (-e2, e1, e0), transposed into rows.
  float eig[3] = {1.0f, -1.0f, 0.5f};
  float v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  eigsrt3By3NegRevTP(eig, v);
  EXPECT_EQ(eig[0], 0.5f);
  EXPECT_EQ(eig[1], -1.0f);
  EXPECT_EQ(eig[2], 1.0f);
  const float rows[3][3] = {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}};
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) EXPECT_EQ(v[i][j], rows[i][j]) << i << j;
  }
}

}  // namespace
}  // namespace korva
