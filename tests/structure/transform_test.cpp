// The program-wide 4x4 transform: rotation order, products and aliasing.
#include "structure/transform.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

void apply(const m4x4 m, const double p[3], double out[3]) {
  for (int i = 0; i < 3; i++) out[i] = m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2] + m[i][3];
}

TEST(Transform, RotationAboutZMapsXOntoY) {
  pdb3dReset();
  pdb3dAppendRotation0(0.0, 0.0, 90.0);
  m4x4 m;
  pdb3dCopyCurrentMatrix(m);
  const double x[3] = {1.0, 0.0, 0.0};
  double out[3];
  apply(m, x, out);
  EXPECT_NEAR(out[0], 0.0, 1e-7);
  EXPECT_NEAR(out[1], 1.0, 1e-7);
  EXPECT_NEAR(out[2], 0.0, 1e-7);
  EXPECT_EQ(m[3][3], 1.0f);
}

TEST(Transform, RotationAndItsInverseGiveIdentity) {
  for (double u : {17.0, 90.0, -123.4}) {
    pdb3dReset();
    pdb3dAppendRotation0(u, 0.0, 0.0);
    pdb3dAppendRotation0(-u, 0.0, 0.0);
    m4x4 m;
    pdb3dCopyCurrentMatrix(m);
    for (int i = 0; i < 4; i++) {
      for (int j = 0; j < 4; j++) EXPECT_NEAR(m[i][j], i == j ? 1.0 : 0.0, 2e-7) << u;
    }
  }
}

TEST(Transform, AnglesComposeAsRzRyRx) {
  // Rz(60) Ry(45) Rx(30) in double by python3 with pi = 3.14159265.
  const double expected[3][3] = {{0.3535534, -0.5732233, 0.7391989},
                                 {0.6123724, 0.7391989, 0.2803301},
                                 {-0.7071068, 0.3535534, 0.6123724}};
  pdb3dReset();
  pdb3dAppendRotation0(30.0, 45.0, 60.0);
  m4x4 m;
  pdb3dCopyCurrentMatrix(m);
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) EXPECT_NEAR(m[i][j], expected[i][j], 3e-7) << i << j;
    EXPECT_EQ(m[i][3], 0.0f);
    EXPECT_EQ(m[3][i], 0.0f);
  }
}

TEST(Transform, AppendMultipliesFromTheLeft) {
  // First a translation by (1,0,0), then a 90 degree turn about z: x = (0,0,0) goes to (1,0,0) and
  // then to (0,1,0); the other order would leave (1,0,0).
  m4x4 shift;
  m4x4SetIdentity(shift);
  shift[0][3] = 1.0f;
  pdb3dReset();
  pdb3dAppendTransform(shift);
  pdb3dAppendRotation0(0.0, 0.0, 90.0);
  m4x4 m;
  pdb3dCopyCurrentMatrix(m);
  const double origin[3] = {0.0, 0.0, 0.0};
  double out[3];
  apply(m, origin, out);
  EXPECT_NEAR(out[0], 0.0, 1e-7);
  EXPECT_NEAR(out[1], 1.0, 1e-7);
}

TEST(Transform, MultAndTransposeAcceptAliasedArguments) {
  // a = [[1,2],[3,4]] in the top-left corner: a*a = [[7,10],[15,22]] by hand.
  m4x4 a;
  m4x4SetZero(a);
  a[0][0] = 1;
  a[0][1] = 2;
  a[1][0] = 3;
  a[1][1] = 4;
  m4x4Mult(a, a);
  EXPECT_EQ(a[0][0], 7.0f);
  EXPECT_EQ(a[0][1], 10.0f);
  EXPECT_EQ(a[1][0], 15.0f);
  EXPECT_EQ(a[1][1], 22.0f);
  m4x4Transpose(a, a);
  EXPECT_EQ(a[0][1], 15.0f);
  EXPECT_EQ(a[1][0], 10.0f);
  EXPECT_EQ(a[2][2], 0.0f);
}

}  // namespace
}  // namespace korva
