// The program-wide 4x4 transform: one current single-precision matrix to which rotations are
// appended, plus the small 4x4 helpers that build and combine such matrices.
#pragma once

namespace korva {

// Row-major 4x4 single-precision matrix acting on column vectors (p' = M p).
using m4x4 = float[4][4];

// Sets the current matrix to the identity. Callers reset before their first append.
void pdb3dReset();
// Current matrix = m x current matrix.
void pdb3dAppendTransform(const m4x4 m);
// Appends Rx(u), then Ry(v), then Rz(w) (degrees), so the current matrix becomes
// Rz(w) Ry(v) Rx(u) x previous; every sine and cosine is rounded to float first.
void pdb3dAppendRotation0(double u, double v, double w);
// Copies the current matrix into m (caller's storage).
void pdb3dCopyCurrentMatrix(m4x4 m);

void m4x4SetZero(m4x4 m);
void m4x4SetIdentity(m4x4 m);
// b = a x b, each element accumulated in double and stored as float. a and b may be the same.
void m4x4Mult(const m4x4 a, m4x4 b);
// t = transpose of m. t and m may be the same.
void m4x4Transpose(m4x4 t, const m4x4 m);

// out = R(theta, phi, psi) v, with R = Rz(psi) Ry(theta) Rz(phi) acting on coordinates (radians).
void rotate_vector(double theta, double phi, double psi, const double v[3], double out[3]);
// Writes the three columns of R(theta, phi, psi) into ex, ey, ez.
void rotate_coorsystem(double theta, double phi, double psi, double ex[3], double ey[3],
                       double ez[3]);

}  // namespace korva
