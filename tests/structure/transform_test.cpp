// 4x4 transforms as values: rotation order, products, aliasing, and the rotation frames.
#include "structure/transform.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korva {
namespace {

TEST(Transform, AnglesComposeAsRzRyRx) {
  // Rz(60) Ry(45) Rx(30) in double by python3 with pi = 3.14159265; single axes by hand.
  const struct {
    double u, v, w;
    double r[3][3];
  } cases[] = {
      {30.0,
       45.0,
       60.0,
       {{0.3535534, -0.5732233, 0.7391989},
        {0.6123724, 0.7391989, 0.2803301},
        {-0.7071068, 0.3535534, 0.6123724}}},
      {0.0, 0.0, 90.0, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}},  // x -> y
      {90.0, 0.0, 0.0, {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},  // y -> z
      {0.0, 90.0, 0.0, {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},  // z -> x
  };
  for (const auto& c : cases) {
    m4x4 m;
    m4x4Rotation0(c.u, c.v, c.w, m);
    for (int i = 0; i < 3; i++) {
      for (int j = 0; j < 3; j++) EXPECT_NEAR(m[i][j], c.r[i][j], 3e-7) << c.u << c.v << c.w;
      EXPECT_EQ(m[i][3], 0.0f);
      EXPECT_EQ(m[3][i], 0.0f);
    }
    EXPECT_EQ(m[3][3], 1.0f);
  }
}

TEST(Transform, AppendMultipliesFromTheLeftAndTransposeInPlace) {
  // A translation by (1,0,0), then a 90 degree turn about z: the origin goes to (0,1,0); the
  // other order would leave (1,0,0).
  m4x4 current, turn;
  m4x4SetIdentity(current);
  current[0][3] = 1.0f;
  m4x4Rotation0(0.0, 0.0, 90.0, turn);
  m4x4Append(turn, current);
  EXPECT_NEAR(current[0][3], 0.0, 1e-7);
  EXPECT_NEAR(current[1][3], 1.0, 1e-7);

  // Transposing in place: the translation moves to the bottom row.
  m4x4Transpose(current, current);
  EXPECT_NEAR(current[3][1], 1.0, 1e-7);
  EXPECT_NEAR(current[1][0], -1.0, 1e-7);
}

// The columns of R(theta, phi, psi) (phi about z, theta about the new y, psi about the new z,
// written out from the rotation's table), and its transpose from the negated, swapped angles.
TEST(Transform, RotationFrameColumnsAndTranspose) {
  const double t = 0.7, f = -1.1, p = 2.3;
  const double ct = std::cos(t), st = std::sin(t), cf = std::cos(f), sf = std::sin(f);
  const double cp = std::cos(p), sp = std::sin(p);
  const double r[3][3] = {{cp * ct * cf - sp * sf, cp * ct * sf + sp * cf, -cp * st},
                          {-sp * ct * cf - cp * sf, -sp * ct * sf + cp * cf, sp * st},
                          {st * cf, st * sf, ct}};
  double cols[3][3], rows[3][3];
  rotate_coorsystem(t, f, p, cols[0], cols[1], cols[2]);
  rotate_coorsystem(-t, -p, -f, rows[0], rows[1], rows[2]);
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) {
      EXPECT_NEAR(cols[j][i], r[i][j], 1e-15) << i << j;
      EXPECT_NEAR(rows[i][j], r[i][j], 1e-15) << i << j;
    }
  }
}

}  // namespace
}  // namespace korva
