// Coordinate transforms as values: 4x4 single-precision matrices and the helpers that build and
// combine them, and the double-precision rotation frames of the simulation.
#pragma once

namespace korva {

// Row-major 4x4 single-precision matrix acting on column vectors (p' = M p).
using m4x4 = float[4][4];

// out = Rz(w) Ry(v) Rx(u) (degrees), built as the identity with Rx(u), then Ry(v), then Rz(w)
// appended (each appended matrix multiplies from the left); every sine and cosine is rounded to
// float first.
void m4x4Rotation0(double u, double v, double w, m4x4 out);
// current = m x current.
void m4x4Append(const m4x4 m, m4x4 current);

void m4x4SetZero(m4x4 m);
void m4x4SetIdentity(m4x4 m);
// b = a x b, each element accumulated in double and stored as float. a and b may be the same.
void m4x4Mult(const m4x4 a, m4x4 b);
// t = transpose of m. t and m may be the same.
void m4x4Transpose(m4x4 t, const m4x4 m);

// Writes the three columns of R(theta, phi, psi) into ex, ey, ez.
void rotate_coorsystem(double theta, double phi, double psi, double ex[3], double ey[3],
                       double ez[3]);
// The same from the cosines and sines of the three angles, for a caller that reuses them.
void rotationColumns(double ct, double st, double cf, double sf, double cp, double sp, double ex[3],
                     double ey[3], double ez[3]);

}  // namespace korva
