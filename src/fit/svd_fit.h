// Order-matrix fit of a Saupe vector to dipolar couplings, and the dipolar workspace the fits
// share.
#pragma once

namespace korva {

// Fits the Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz) to n couplings held in 0-based arrays:
// coupling i joins atom I at (x1[i], y1[i], z1[i]) to atom J at (x2[i], y2[i], z2[i]), has the
// interaction constant di[i] (Hz), the observed value d[i] and its error dd[i]. Each coupling
// enters in units of |di[i]|, weighted by |di[i]| / dd[i] (weight 1 when dd[i] is 0); one with
// di[i] = 0 carries no information and enters as an empty row. s and sErr (5 values each,
// caller-owned) receive the vector and its standard errors; both are zeroed first. Returns 0, or
// 1 when n < 5 or a workspace cannot be had (the tensor then stays zero).
int findS(const float* x1, const float* y1, const float* z1, const float* x2, const float* y2,
          const float* z2, const float* di, const float* d, const float* dd, float* s, float* sErr,
          int n);

// Makes sure the dipolar workspace (an n x 5 design matrix and an n-vector right side) holds n
// couplings. A workspace made for more than n couplings is kept, together with the SVD
// workspace; otherwise (equal size included) both are released and a workspace for n couplings
// is allocated. Returns 0, or 1 after
// "VANTRO Error Allocating Dipolar Workspace." when the memory cannot be had.
int dipolarInit(int n);
// Releases the dipolar workspace and the SVD workspace; safe when nothing is held.
void dipolarFree();
// Marks the dipolar workspace empty, releasing anything it still holds so nothing leaks.
void dipolarNull();
// Number of couplings the dipolar workspace currently holds (0 when empty).
int dipolarSize();

}  // namespace korva
