// Order-matrix fit of a Saupe vector to dipolar couplings, and the scratch the fits share.
#pragma once

#include "core/alloc.h"
#include "numeric/svd.h"

namespace korva {

// What an order-matrix fit keeps of its first fit when later fits of the same table change only
// the observed values: the design matrix, its decomposition (in the fit's svdWorkspace) and its
// covariance stay, and each row's right-hand side and prediction need no geometry again.
struct keptDesign {
  int rows = -1;  // couplings in the fit; -1 while nothing is kept
  tvector<int> index{TrackedAllocator<int>("keptDesign")};        // table index of each row
  tvector<double> scale{TrackedAllocator<double>("keptDesign")};  // weight w and |DI| per row
  tvector<float> predict{TrackedAllocator<float>("keptDesign")};  // prediction row (5) per row
  tvector<float> di{TrackedAllocator<float>("keptDesign")};       // DI per row, Hz
  float sErr[5] = {};                                             // errors of the Saupe vector
};

// Scratch of the coupling fits, owned by the caller, so that repeated fits (error-space mapping)
// allocate once and two fits never share memory.
struct fitWorkspace {
  tvector<float> pairs{TrackedAllocator<float>("DC Workspace")};    // per-coupling work arrays
  tvector<float> matrix{TrackedAllocator<float>("dipolarMatrix")};  // n x 5 design matrix
  tvector<float> rhs{TrackedAllocator<float>("dipolarRhs")};        // n right-hand sides
  svdWorkspace svd;
  // Set by a caller whose successive fits of one table differ in the observed values alone (the
  // couplings, their atoms, DI and errors stay): the SVD fit then builds and decomposes its
  // design matrix once and keeps it in `kept`.
  int keepDesign = 0;
  keptDesign kept;
};

// The row of the design matrix for the coupling from (x1, y1, z1) to (x2, y2, z2) with constant
// di and error dd, as findS builds it: the unit vector's basis times the weight |di| / dd (1 when
// dd is 0). w and m receive the weight and |di| that scale the observed value into the row's
// right-hand side w d / m; m is 0 for a row that carries no information (di 0 or not finite),
// whose elements are then 0.
void designRow(float x1, float y1, float z1, float x2, float y2, float z2, float di, float dd,
               float row[5], double* w, double* m);
// The right-hand side of a row of weight w and |DI| m for the observed value d.
inline float designRhs(double w, double m, float d) {
  return m == 0.0 ? 0.0f : static_cast<float>(w * d / m);
}

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
