// Saupe matrix analysis against hand-worked and independently computed eigen-systems.
#include "tensor/saupe_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace korva {
namespace {

constexpr double kDeg = 3.14159265 / 180.0;
const double kC2 = std::sqrt(8.0 * M_PI / 15.0);

struct Analysis : saupeAnalysis {
  int status = 0;
  std::string message;
};

Analysis analyze(const double s[5], bool frames = true) {
  Analysis a;
  const Status st = analyzeSaupe(s, frames, &a);
  a.status = st.code();
  a.message = st.message();
  return a;
}

// Sxx = -7e-4, Syy = -1.3e-3, Szz = 2e-3: ordered by magnitude, with axes z, y, x. Frames by
// hand: (z, y) = (+-e_z, +-e_y) with x = y x z give (alpha, beta, gamma) = (0,0,0), (180,0,0),
// (0,180,0), (180,180,0); degrees use 180/3.14159265, so a true pi reads 180.0000002. Irreducible
// parts by hand: A0 = K sqrt(4pi/5) Szz, A2R = K c2 (Sxx - Syy)/2, the others 0.
TEST(AnalyzeSaupe, AxialVectorOrdersEigenvaluesAndFrames) {
  const double s[5] = {2e-3, 6e-4, 0, 0, 0};
  const Analysis a = analyze(s);
  const double val[3] = {2e-3, -1.3e-3, -7e-4},
               irr[5] = {21523.0 * std::sqrt(4.0 * M_PI / 5.0) * 2e-3, 0, 0, 21523.0 * kC2 * 3e-4,
                         0};
  for (int k = 0; k < 3; k++) {
    EXPECT_DOUBLE_EQ(a.eigVal[k], val[k]);
    EXPECT_EQ(a.eigVec[2 - k][k], 1.0) << k;
  }
  EXPECT_NEAR(a.da, 1e-3, 1e-15);
  EXPECT_NEAR(a.dr, 2e-4, 1e-15);
  const double want[4][3] = {{0, 0, 0}, {180, 0, 0}, {0, 180, 0}, {180, 180, 0}};
  for (int f = 0; f < 4; f++) {
    const double got[3] = {a.alpha[f], a.beta[f], a.gamma[f]};
    for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], want[f][k], 1e-6) << f << k;
  }
  for (int k = 0; k < 5; k++) EXPECT_NEAR(a.irr[k], irr[k], 1e-6) << k;
}

// Rz(a) Ry(b) Rz(g) in double, the closed form the frame angles must rebuild.
void zyz(double a, double b, double g, double m[3][3]) {
  const double ca = std::cos(a * kDeg), sa = std::sin(a * kDeg);
  const double cb = std::cos(b * kDeg), sb = std::sin(b * kDeg);
  const double cg = std::cos(g * kDeg), sg = std::sin(g * kDeg);
  const double rz1[3][3] = {{ca, -sa, 0}, {sa, ca, 0}, {0, 0, 1}};
  const double ry[3][3] = {{cb, 0, sb}, {0, 1, 0}, {-sb, 0, cb}};
  const double rz2[3][3] = {{cg, -sg, 0}, {sg, cg, 0}, {0, 0, 1}};
  double t[3][3];
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) {
      t[i][j] = 0;
      for (int k = 0; k < 3; k++) t[i][j] += ry[i][k] * rz2[k][j];
    }
  }
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) {
      m[i][j] = 0;
      for (int k = 0; k < 3; k++) m[i][j] += rz1[i][k] * t[k][j];
    }
  }
}

TEST(AnalyzeSaupe, RotatedTensorsMatchIndependentEigensystem) {
  // Saupe vectors of R^T diag(Axx, Ayy, Azz) R, R = Rz(phi) Ry(theta) Rx(psi), with R's rows,
  // computed in double by python3; gMag = K sqrt(8pi/15) sqrt(sum A^2) there too.
  const struct {
    double s[5];
    double a[3];  // Axx, Ayy, Azz
    double rows[3][3];
    double gMag;
  } cases[] = {
      {{0.00044553602551789765, 0.00034442692762800864, -0.00010601477426801597,
        -0.001116802207815084, 0.00061072044063689582},
       {-4e-4, -1.1e-3, 1.5e-3},
       {{0.52654078540144067, 0.84594497304122473, 0.084450600324186831},
        {-0.62750687137878269, 0.45374423983921242, -0.63273319115180537},
        {-0.57357643577926543, 0.28016649942314092, 0.76975113180802612}},
       53.00677613},
      {{0.00018812426859555302, -0.0010906067758828996, 0.00042642134621443967,
        -0.00011880765476391765, 1.2277476767661562e-05},
       {6e-4, 2e-4, -8e-4},
       {{-0.33036608758461361, -0.94145529644955361, 0.067232231564320455},
        {-0.088521326269002373, 0.10182312284343653, 0.99085620876592739},
        {-0.93969262153621924, 0.32139380274282425, -0.11697777818412493}},
       28.41147465},
      {{0.00053582586767734379, -0.00079404440986906104, 9.3401536462053703e-05,
        -0.00020779390695132053, -0.00060426748518782939},
       {1e-3, -3e-4, -7e-4},
       {{-0.13302222245147038, -0.57459075172436924, 0.8075583919240118},
        {0.11161889843031975, -0.81830093295752115, -0.5638482106330146},
        {0.98480775273515875, 0.015134436021030206, 0.17298739549184458}},
       35.01915395},
  };
  for (const auto& c : cases) {
    const Analysis a = analyze(c.s);
    EXPECT_EQ(a.status, 0);
    EXPECT_NEAR(a.gMag, c.gMag, 1e-6);
    // Expected order by descending |A|, with the matching rows of R as axes.
    int order[3] = {0, 1, 2};
    for (int i = 0; i < 3; i++) {
      for (int j = i + 1; j < 3; j++) {
        if (std::fabs(c.a[order[j]]) > std::fabs(c.a[order[i]])) std::swap(order[i], order[j]);
      }
    }
    for (int k = 0; k < 3; k++) {
      EXPECT_NEAR(a.eigVal[k], c.a[order[k]], 1e-15) << k;
      double dot = 0;
      for (int i = 0; i < 3; i++) dot += a.eigVec[i][k] * c.rows[order[k]][i];
      EXPECT_NEAR(std::fabs(dot), 1.0, 1e-12) << k;
    }
    EXPECT_NEAR(a.da, c.a[order[0]] / 2.0, 1e-15);  // traceless: Da = Azz / 2
    // Each frame's angles rebuild it: rows of Rz(alpha) Ry(beta) Rz(gamma) are x, y, z, with
    // (z, y) = (+-e0, +-e1) in the order ++, +-, -+, --.
    const double sz[4] = {1, 1, -1, -1}, sy[4] = {1, -1, 1, -1};
    for (int f = 0; f < 4; f++) {
      double m[3][3];
      zyz(a.alpha[f], a.beta[f], a.gamma[f], m);
      for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(m[2][i], sz[f] * a.eigVec[i][0], 1e-7) << "frame " << f;
        EXPECT_NEAR(m[1][i], sy[f] * a.eigVec[i][1], 1e-7) << "frame " << f;
      }
      EXPECT_GE(a.alpha[f], 0.0);
      EXPECT_LT(a.alpha[f], 360.0);
      EXPECT_GE(a.gamma[f], 0.0);
      EXPECT_LT(a.gamma[f], 360.0);
    }
    EXPECT_NEAR(a.beta[0] + a.beta[2], 180.0, 1e-6);
    EXPECT_NEAR(a.beta[1] + a.beta[3], 180.0, 1e-6);

    const Analysis noAngles = analyze(c.s, false);
    for (int f = 0; f < 4; f++) EXPECT_EQ(noAngles.alpha[f] + noAngles.beta[f], 0.0);
  }
}

TEST(AnalyzeSaupe, SxyOnlyKeepsJacobiOrderForTie) {
  // Jacobi by hand: the one rotation has theta = 0, t = 1 and leaves d = (-Sxy, +Sxy, 0); equal
  // magnitudes are not swapped.
  const double sxy = 1e-3;
  const double s[5] = {0, 0, sxy, 0, 0};
  const Analysis a = analyze(s);
  EXPECT_NEAR(a.eigVal[0], -sxy, 1e-18);
  EXPECT_NEAR(a.eigVal[1], sxy, 1e-18);
  EXPECT_NEAR(a.eigVal[2], 0.0, 1e-18);
  for (int k : {0, 1, 2, 3}) EXPECT_EQ(a.irr[k], 0.0) << k;
  EXPECT_NEAR(a.irr[4], -21523.0 * kC2 * sxy, 1e-6);
  EXPECT_NEAR(a.gMag, 21523.0 * kC2 * std::sqrt(2.0) * sxy, 1e-6);
}

}  // namespace
}  // namespace korva
