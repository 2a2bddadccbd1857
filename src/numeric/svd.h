// Linear least squares by singular value decomposition, in single precision.
#pragma once

#include "core/alloc.h"

namespace korva {

// Relative cut below which a singular value counts as zero: w < kSvdThreshold * wMax.
constexpr float kSvdThreshold = 1e-5f;
// Implicit-shift QR sweeps allowed per singular value before moving on.
constexpr int kSvdMaxIterations = 1000;

// The routines below use 1-based storage: a matrix of r rows and c columns is a row-major block
// of (r + 1) * (c + 1) floats with element (i, j) at [i * (c + 1) + j], rows 1..r and columns
// 1..c used; a vector of c values has c + 1 floats with 1..c used.

// Decomposes a (m x n) into U * diag(w) * V^T: a is overwritten by U, w (n) receives the
// non-negative singular values and v (n x n) receives V; rv1 (n) is scratch. All storage belongs
// to the caller. Returns 0, or 1 when some singular value ran out of iterations (the result is
// then kept as it stands).
[[nodiscard]] int svdcmpUser(float* a, int m, int n, float* w, float* v, float* rv1);

// Solves for x (n) = V * diag(1/w) * U^T * b, skipping every w_j equal to 0, from the output of
// svdcmpUser (u is m x n, b has m values, tmp n scratch values). Returns 0.
void svbksbUser(const float* u, const float* w, const float* v, int m, int n, const float* b,
                float* x, float* tmp);

// Fills cvm (ma x ma) with the covariance sum_k v[i][k] v[j][k] / w_k^2, taking 1/w_k^2 as 0 for
// w_k = 0; wti (ma) is scratch. Returns 0.
void svdvarUser(const float* v, int ma, const float* w, float* cvm, float* wti);

// The storage of svdLSMat, owned by its caller: it keeps its arrays between solves of one shape,
// and the last decomposition for a caller that solves the same matrix again.
struct svdWorkspace {
  tvector<float> block{TrackedAllocator<float>("svdPoly")};
  int n = 0;           // equations the block was made for
  int m = 0;           // unknowns
  int decomposed = 0;  // the block holds a decomposition of an n x m matrix
  // Largest over smallest singular value of the last decomposition, before the cut (infinite
  // when the smallest is 0): how much the solution may amplify an error of the right side.
  double condition = 0.0;
};

// Least-squares solution x (m values) of the n x m system a x = b. a is 0-based row-major (n rows
// of m values) and b has n values; any weighting must already be in the rows. cvm, when not
// null, receives the m x m covariance, 0-based row-major. With decompose = 0 the decomposition
// held by ws is reused (it must be of the same matrix); when ws holds none of this shape the
// matrix is decomposed anyway. Singular values below 1e-5 of the largest are zeroed, so a
// rank-deficient system gives the minimum-norm solution. The caller owns a, b, x and cvm.
// Returns 0, or 1 when n or m is below 1 (x is untouched).
[[nodiscard]] int svdLSMat(svdWorkspace* ws, const float* a, const float* b, int n, int m, float* x,
                           float* cvm, int decompose);

}  // namespace korva
