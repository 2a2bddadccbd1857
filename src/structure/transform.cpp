// The program-wide current transform and the 4x4 matrix helpers behind it.
#include "structure/transform.h"

#include <cmath>
#include <cstring>

namespace korva {

namespace {

constexpr double kPi = 3.14159265;
constexpr double kDegToRad = kPi / 180.0;

struct TransformState {
  m4x4 current;
};

TransformState& st() {
  static TransformState state = {};
  return state;
}

void copy4x4(m4x4 dst, const m4x4 src) {
  std::memcpy(dst, src, sizeof(m4x4));
}

// Elementary rotation about one axis; c and s are already rounded to float so the stored matrix
// equals the rounded trigonometric values exactly.
void buildAxisRotation(m4x4 r, int axis, double degrees) {
  const float c = static_cast<float>(std::cos(degrees * kDegToRad));
  const float s = static_cast<float>(std::sin(degrees * kDegToRad));
  m4x4SetIdentity(r);
  // The two coordinates that the rotation mixes, in right-handed order (y,z), (z,x), (x,y).
  const int i = (axis + 1) % 3;
  const int j = (axis + 2) % 3;
  r[i][i] = c;
  r[i][j] = -s;
  r[j][i] = s;
  r[j][j] = c;
}

}  // namespace

void pdb3dReset() {
  m4x4SetIdentity(st().current);
}

void pdb3dAppendTransform(const m4x4 m) {
  m4x4Mult(m, st().current);
}

void pdb3dAppendRotation0(double u, double v, double w) {
  m4x4 r;
  buildAxisRotation(r, 0, u);
  pdb3dAppendTransform(r);
  buildAxisRotation(r, 1, v);
  pdb3dAppendTransform(r);
  buildAxisRotation(r, 2, w);
  pdb3dAppendTransform(r);
}

void pdb3dCopyCurrentMatrix(m4x4 m) {
  copy4x4(m, st().current);
}

void m4x4SetZero(m4x4 m) {
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) m[i][j] = 0.0f;
  }
}

void m4x4SetIdentity(m4x4 m) {
  m4x4SetZero(m);
  for (int i = 0; i < 4; i++) m[i][i] = 1.0f;
}

void m4x4Mult(const m4x4 a, m4x4 b) {
  // Formed in a temporary so that b can be read whole while the product is built.
  m4x4 p;
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) {
      double sum = 0.0;
      for (int k = 0; k < 4; k++) sum += static_cast<double>(a[i][k]) * b[k][j];
      p[i][j] = static_cast<float>(sum);
    }
  }
  copy4x4(b, p);
}

void m4x4Transpose(m4x4 t, const m4x4 m) {
  m4x4 p;
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) p[i][j] = m[j][i];
  }
  copy4x4(t, p);
}

void rotate_coorsystem(double theta, double phi, double psi, double ex[3], double ey[3],
                       double ez[3]) {
  const double ct = std::cos(theta), st = std::sin(theta);
  const double cf = std::cos(phi), sf = std::sin(phi);
  const double cp = std::cos(psi), sp = std::sin(psi);
  ex[0] = cp * ct * cf - sp * sf;
  ex[1] = -sp * ct * cf - cp * sf;
  ex[2] = st * cf;
  ey[0] = cp * ct * sf + sp * cf;
  ey[1] = -sp * ct * sf + cp * cf;
  ey[2] = st * sf;
  ez[0] = -cp * st;
  ez[1] = sp * st;
  ez[2] = ct;
}

void rotate_vector(double theta, double phi, double psi, const double v[3], double out[3]) {
  double ex[3], ey[3], ez[3];
  rotate_coorsystem(theta, phi, psi, ex, ey, ez);
  for (int i = 0; i < 3; ++i) out[i] = ex[i] * v[0] + ey[i] * v[1] + ez[i] * v[2];
}

}  // namespace korva
