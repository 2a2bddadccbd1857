// 4x4 transforms and rotation frames.
#include "structure/transform.h"
#include "numeric/constants.h"

#include <cmath>
#include <cstring>

namespace korva {

namespace {

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

void m4x4Append(const m4x4 m, m4x4 current) {
  m4x4Mult(m, current);
}

void m4x4Rotation0(double u, double v, double w, m4x4 out) {
  m4x4SetIdentity(out);
  m4x4 r;
  buildAxisRotation(r, 0, u);
  m4x4Append(r, out);
  buildAxisRotation(r, 1, v);
  m4x4Append(r, out);
  buildAxisRotation(r, 2, w);
  m4x4Append(r, out);
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
  rotationColumns(std::cos(theta), std::sin(theta), std::cos(phi), std::sin(phi), std::cos(psi),
                  std::sin(psi), ex, ey, ez);
}

void rotationColumns(double ct, double st, double cf, double sf, double cp, double sp, double ex[3],
                     double ey[3], double ez[3]) {
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

}  // namespace korva
