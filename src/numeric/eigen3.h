// The symmetric 3x3 eigen-solver of the program: cyclic Jacobi rotations with a threshold, the
// classical textbook scheme. It is written once for both precisions: the tensor conversions work
// in single precision as their records do, the Saupe analysis in double.
#pragma once

#include <cmath>

namespace korva {

constexpr int kJacobiMaxSweeps = 50;

namespace detail {

// Jacobi rotation of the pair (a[i][j], a[k][l]).
template <class T>
inline void jacobiRotate(T& aij, T& akl, T s, T tau) {
  const T g = aij;
  const T h = akl;
  aij = g - s * (h + tau * g);
  akl = h + s * (g - tau * h);
}

// True when adding g to |x| leaves it unchanged in the working precision.
template <class T>
inline bool negligibleAgainst(T g, T x) {
  return static_cast<T>(std::fabs(x) + g) == static_cast<T>(std::fabs(x));
}

}  // namespace detail

// Diagonalises the symmetric matrix a, which is destroyed: d receives the eigenvalues and the
// columns of v the eigenvectors (det v = +1, unsorted). rotations (may be null) receives the
// number of rotations made. Returns 0, or 1 after kJacobiMaxSweeps sweeps without convergence
// (only a non-finite matrix gets there).
template <class T>
[[nodiscard]] int jacobi3(T a[3][3], T d[3], T v[3][3], int* rotations) {
  T b[3];
  T z[3];
  for (int p = 0; p < 3; p++) {
    for (int q = 0; q < 3; q++) v[p][q] = p == q ? T(1) : T(0);
    b[p] = d[p] = a[p][p];
    z[p] = T(0);
  }
  int nrot = 0;
  for (int sweep = 1; sweep <= kJacobiMaxSweeps; sweep++) {
    T sm = T(0);
    for (int p = 0; p < 2; p++) {
      for (int q = p + 1; q < 3; q++) sm += std::fabs(a[p][q]);
    }
    if (sm == T(0)) {
      if (rotations != nullptr) *rotations = nrot;
      return 0;
    }
    const T tresh = sweep < 4 ? T(0.2) * sm / T(9) : T(0);
    for (int p = 0; p < 2; p++) {
      for (int q = p + 1; q < 3; q++) {
        const T g = T(100) * std::fabs(a[p][q]);
        if (sweep > 4 && detail::negligibleAgainst(g, d[p]) && detail::negligibleAgainst(g, d[q])) {
          a[p][q] = T(0);
        } else if (std::fabs(a[p][q]) > tresh) {
          T h = d[q] - d[p];
          T t;
          if (detail::negligibleAgainst(g, h)) {
            t = a[p][q] / h;
          } else {
            const T theta = T(0.5) * h / a[p][q];
            t = T(1) / (std::fabs(theta) + std::sqrt(T(1) + theta * theta));
            if (theta < T(0)) t = -t;
          }
          const T c = T(1) / std::sqrt(T(1) + t * t);
          const T s = t * c;
          const T tau = s / (T(1) + c);
          h = t * a[p][q];
          z[p] -= h;
          z[q] += h;
          d[p] -= h;
          d[q] += h;
          a[p][q] = T(0);
          for (int j = 0; j < p; j++) detail::jacobiRotate(a[j][p], a[j][q], s, tau);
          for (int j = p + 1; j < q; j++) detail::jacobiRotate(a[p][j], a[j][q], s, tau);
          for (int j = q + 1; j < 3; j++) detail::jacobiRotate(a[p][j], a[q][j], s, tau);
          for (int j = 0; j < 3; j++) detail::jacobiRotate(v[j][p], v[j][q], s, tau);
          ++nrot;
        }
      }
    }
    for (int p = 0; p < 3; p++) {
      b[p] += z[p];
      d[p] = b[p];
      z[p] = T(0);
    }
  }
  if (rotations != nullptr) *rotations = nrot;
  return 1;
}

}  // namespace korva
