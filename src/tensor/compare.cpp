// Comparison of two Saupe matrices: arithmetic, principal-axis angles and collinearity.
#include "tensor/compare.h"
#include "numeric/constants.h"

#include <cmath>

#include "numeric/constants.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

// Scales the intermediate norms only; it cancels in the cosine.
constexpr float kCollScale = 776165248.0f;

struct saupeElements {
  float zz, xx, yy, xy, xz, yz;
};

saupeElements toElements(const double s[5]) {
  double m[3][3];
  saupeMatrix(s, m);
  saupeElements e;
  e.zz = static_cast<float>(m[2][2]);
  e.xx = static_cast<float>(m[0][0]);
  e.yy = static_cast<float>(m[1][1]);
  e.xy = static_cast<float>(m[0][1]);
  e.xz = static_cast<float>(m[0][2]);
  e.yz = static_cast<float>(m[1][2]);
  return e;
}

// The same inner product in double, from the Saupe vectors.
double innerProductWide(const double s[5], const double t[5]) {
  double a[3][3], b[3][3];
  saupeMatrix(s, a);
  saupeMatrix(t, b);
  return a[0][0] * b[0][0] + a[1][1] * b[1][1] + s[0] * t[0] +
         2.0 * (s[2] * t[2] + s[3] * t[3] + s[4] * t[4]);
}
// Frobenius inner product of two symmetric matrices from their six independent elements.
float innerProduct(const saupeElements& a, const saupeElements& b) {
  return a.xx * b.xx + a.yy * b.yy + a.zz * b.zz + 2.0f * a.xy * b.xy + 2.0f * a.xz * b.xz +
         2.0f * a.yz * b.yz;
}

}  // namespace

void addSaupe(int action, double c1, double c2, const double s1[5], const double s2[5],
              double out[5]) {
  for (int i = 0; i < 5; i++) out[i] = 0.0;
  if (action == kActionMax) {
    double g1 = 0.0, g2 = 0.0, irr[5];
    irreducRepres(s1, &g1, irr);
    irreducRepres(s2, &g2, irr);
    for (int i = 0; i < 5; i++) out[i] = g2 > g1 ? c2 * s2[i] : c1 * s1[i];
    return;
  }
  for (int i = 0; i < 5; i++) {
    switch (action) {
      case kActionAdd:
        out[i] = c1 * s1[i] + c2 * s2[i];
        break;
      case kActionSub:
        out[i] = c1 * s1[i] - c2 * s2[i];
        break;
      case kActionMul:
        out[i] = c1 * s1[i] * c2 * s2[i];
        break;
      case kActionDiv:
        out[i] = c1 * s1[i] / (c2 * s2[i]);
        break;
      default:
        break;
    }
  }
}

void calcDcos(const double eigVec1[3][3], const double eigVec2[3][3], float angles[3]) {
  for (int k = 0; k < 3; k++) {
    const int col = 2 - k;
    float d = 0.0f;
    for (int i = 0; i < 3; i++) {
      d += static_cast<float>(eigVec1[i][col]) * static_cast<float>(eigVec2[i][col]);
    }
    // Rounding can carry |d| of two parallel unit vectors just past 1.
    const float sine2 = std::fmax(0.0f, 1.0f - d * d);
    angles[k] = std::atan2(std::sqrt(sine2), d);
  }
}

void irrCollinarity(const double s1[5], const double s2[5], float* coll, float* angle) {
  const saupeElements a = toElements(s1);
  const saupeElements b = toElements(s2);
  const float n1 = std::sqrt(kCollScale * innerProduct(a, a));
  const float n2 = std::sqrt(kCollScale * innerProduct(b, b));
  *coll = n1 * n2 != 0.0f ? kCollScale * innerProduct(a, b) / (n1 * n2) : 0.0f;
  if (!std::isfinite(*coll)) {
    // Elements near the single-precision limit overflow the scaled sums; the cosine itself is
    // scale free, so take it in double without the scale.
    const double ab = innerProductWide(s1, s2), aa = innerProductWide(s1, s1),
                 bb = innerProductWide(s2, s2);
    const double norms = std::sqrt(aa) * std::sqrt(bb);
    *coll = norms > 0.0 && std::isfinite(norms) ? static_cast<float>(ab / norms) : 0.0f;
  }
  *angle = 0.0f;
  if (*coll > -1.0f && *coll < 1.0f) {
    *angle = static_cast<float>(
        90.0 - kRadToDeg * std::atan2(static_cast<double>(*coll),
                                      std::sqrt(1.0 - static_cast<double>(*coll) * *coll)));
  }
}

Status compareSaupe(int action, double c1, double c2, const double saupe1[5],
                    const double saupe2[5], saupeComparison* out) {
  if (action == kActionDiv) {
    // Element-wise division by a zero element has no meaning as an order matrix.
    for (int i = 0; i < 5; i++) {
      if (c2 * saupe2[i] == 0.0) {
        return Status::failure(
            "Matrix: division by element %d of the second order matrix, which is 0.\n", i + 1);
      }
    }
  }
  addSaupe(action, c1, c2, saupe1, saupe2, out->result);
  saupeAnalysis a1, a2, ar;
  Status st = analyzeSaupe(saupe1, false, &a1);
  if (st.ok()) st = analyzeSaupe(saupe2, false, &a2);
  if (st.ok()) st = analyzeSaupe(out->result, false, &ar);
  if (!st.ok()) return st.append("Matrix: error in analyzeSaupe.\n");
  calcDcos(a1.eigVec, a2.eigVec, out->axes);
  irrCollinarity(saupe1, saupe2, &out->coll, &out->angle);
  return Status::success();
}

}  // namespace korva
