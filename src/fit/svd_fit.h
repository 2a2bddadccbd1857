// Order-matrix fit of a Saupe vector to dipolar couplings, and the scratch the fits share.
#pragma once

#include "core/alloc.h"
#include "numeric/svd.h"

namespace korva {

// Scratch of the coupling fits, owned by the caller, so that repeated fits (error-space mapping)
// allocate once and two fits never share memory.
struct fitWorkspace {
  tvector<float> pairs{TrackedAllocator<float>("DC Workspace")};    // per-coupling work arrays
  tvector<float> matrix{TrackedAllocator<float>("dipolarMatrix")};  // n x 5 design matrix
  tvector<float> rhs{TrackedAllocator<float>("dipolarRhs")};        // n right-hand sides
  svdWorkspace svd;
};

// Fits the Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz) to n couplings held in 0-based arrays:
// coupling i joins atom I at (x1[i], y1[i], z1[i]) to atom J at (x2[i], y2[i], z2[i]), has the
// interaction constant di[i] (Hz), the observed value d[i] and its error dd[i]. Each coupling
// enters in units of |di[i]|, weighted by |di[i]| / dd[i] (weight 1 when dd[i] is 0); one with
// di[i] = 0 carries no information and enters as an empty row. s and sErr (5 values each,
// caller-owned) receive the vector and its standard errors; both are zeroed first. Returns 0, or
// 1 when n < 5 (the tensor then stays zero).
[[nodiscard]] int findS(const float* x1, const float* y1, const float* z1, const float* x2,
                        const float* y2, const float* z2, const float* di, const float* d,
                        const float* dd, float* s, float* sErr, int n, fitWorkspace* ws);

// The same fit for couplings given by their rows of the Saupe basis (basis[5 i .. 5 i + 4], as
// saupeBasis gives for a unit vector; for an ensemble the mean over its models) instead of their
// atoms. Returns 0, or 1 when n < 5.
[[nodiscard]] int findSBasis(const double* basis, const float* di, const float* d, const float* dd,
                             float* s, float* sErr, int n, fitWorkspace* ws);

}  // namespace korva
