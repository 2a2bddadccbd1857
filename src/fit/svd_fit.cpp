// Order-matrix (SVD) fit of the Saupe vector and the dipolar workspace behind it.
#include "fit/svd_fit.h"

#include <cmath>
#include <cstddef>
#include <cstdio>

#include "core/alloc.h"
#include "numeric/svd.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;
constexpr const char* kMatrixLabel = "dipolarMatrix";
constexpr const char* kRhsLabel = "dipolarRhs";

// Kept for the whole run so that repeated fits (error-space mapping) reuse one buffer.
struct DipolarState {
  float* matrix = nullptr;  // 5 * (size + 1) floats, row-major rows of five
  float* rhs = nullptr;     // size + 1 floats
  int size = 0;             // couplings the buffers were made for
};

DipolarState& dipolarState() {
  static DipolarState s;
  return s;
}

void releaseDipolar() {
  DipolarState& st = dipolarState();
  const size_t rows = static_cast<size_t>(st.size) + 1;
  if (st.matrix != nullptr) unAlloc(kMatrixLabel, st.matrix, kSaupeCount * rows * sizeof(float));
  if (st.rhs != nullptr) unAlloc(kRhsLabel, st.rhs, rows * sizeof(float));
  st = DipolarState{};
}

}  // namespace

int dipolarInit(int n) {
  DipolarState& st = dipolarState();
  // Only a strictly larger workspace is kept; one of exactly n couplings is renewed together
  // with the SVD workspace, so every fit that reaches its full size starts from fresh buffers.
  if (st.matrix != nullptr && st.size > n) return 0;
  if (st.matrix == nullptr && n <= 0) return 0;
  dipolarFree();
  const size_t rows = static_cast<size_t>(n) + 1;
  st.matrix = fltAlloc(kMatrixLabel, kSaupeCount * rows);
  st.rhs = st.matrix != nullptr ? fltAlloc(kRhsLabel, rows) : nullptr;
  if (st.matrix == nullptr || st.rhs == nullptr) {
    if (st.matrix != nullptr) unAlloc(kMatrixLabel, st.matrix, kSaupeCount * rows * sizeof(float));
    st = DipolarState{};
    std::fprintf(stderr, "VANTRO Error Allocating Dipolar Workspace.\n");
    return 1;
  }
  st.size = n;
  return 0;
}

void dipolarFree() {
  releaseDipolar();
  svdPolyFree();
}

void dipolarNull() {
  releaseDipolar();
}

int dipolarSize() {
  return dipolarState().size;
}

int findS(const float* x1, const float* y1, const float* z1, const float* x2, const float* y2,
          const float* z2, const float* di, const float* d, const float* dd, float* s, float* sErr,
          int n) {
  float cvm[kSaupeCount * kSaupeCount] = {};
  for (int k = 0; k < kSaupeCount; k++) s[k] = sErr[k] = 0.0f;
  if (n < kSaupeCount) return 1;
  const int status = dipolarInit(n);
  if (status != 0) return status;
  DipolarState& st = dipolarState();

  for (int i = 0; i < n; i++) {
    float* row = st.matrix + static_cast<size_t>(i) * kSaupeCount;
    const double m = std::fabs(static_cast<double>(di[i]));
    // The prediction is |DI| times the linear form, so a pair with DI = 0 says nothing about the
    // tensor; dividing by it would put NaN into every element of the fit.
    if (m == 0.0 || !std::isfinite(m)) {
      for (int k = 0; k < kSaupeCount; k++) row[k] = 0.0f;
      st.rhs[i] = 0.0f;
      continue;
    }
    const double vx = static_cast<double>(x2[i]) - x1[i];
    const double vy = static_cast<double>(y2[i]) - y1[i];
    const double vz = static_cast<double>(z2[i]) - z1[i];
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double cx = r > 0.0 ? vx / r : 0.0;
    const double cy = r > 0.0 ? vy / r : 0.0;
    const double cz = r > 0.0 ? vz / r : 0.0;
    // Dividing by the relative error makes every row count by its own precision.
    const double e = dd[i] / m;
    const double w = e != 0.0 ? 1.0 / e : 1.0;
    row[0] = static_cast<float>(w * 0.5 * (3.0 * cz * cz - 1.0));
    row[1] = static_cast<float>(w * 0.5 * (cx * cx - cy * cy));
    row[2] = static_cast<float>(w * 2.0 * cx * cy);
    row[3] = static_cast<float>(w * 2.0 * cx * cz);
    row[4] = static_cast<float>(w * 2.0 * cy * cz);
    st.rhs[i] = static_cast<float>(w * d[i] / m);
  }

  if (svdLSMat(st.matrix, st.rhs, n, kSaupeCount, s, cvm, 1) != 0) {
    for (int k = 0; k < kSaupeCount; k++) s[k] = 0.0f;
    return 1;
  }
  for (int k = 0; k < kSaupeCount; k++) {
    sErr[k] = static_cast<float>(std::sqrt(static_cast<double>(cvm[k * kSaupeCount + k])));
  }
  return 0;
}

}  // namespace korva
