// Comparison of two Saupe matrices given on the command line.
#include "modes/compare_saupe.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "tensor/saupe_analysis.h"
#include "tensor/tensor.h"
#include "report/report.h"

namespace korva {
namespace {

constexpr double kPi = 3.14159265;
constexpr double kRadToDeg = 57.29577957855229;
// Scales the intermediate norms only; it cancels in the cosine.
constexpr float kCollScale = 776165248.0f;
constexpr size_t kRemarkMax = 6000;

struct saupeElements {
  float zz, xx, yy, xy, xz, yz;
};

saupeElements toElements(const double s[5]) {
  saupeElements e;
  e.zz = static_cast<float>(s[0]);
  e.xx = static_cast<float>(-0.5 * (s[0] - s[1]));
  e.yy = static_cast<float>(-0.5 * (s[0] + s[1]));
  e.xy = static_cast<float>(s[2]);
  e.xz = static_cast<float>(s[3]);
  e.yz = static_cast<float>(s[4]);
  return e;
}

// Frobenius inner product of two symmetric matrices from their six independent elements.
// The same inner product in double, from the Saupe vectors.
double innerProductWide(const double s[5], const double t[5]) {
  const double sxx = -0.5 * (s[0] - s[1]), syy = -0.5 * (s[0] + s[1]);
  const double txx = -0.5 * (t[0] - t[1]), tyy = -0.5 * (t[0] + t[1]);
  return sxx * txx + syy * tyy + s[0] * t[0] + 2.0 * (s[2] * t[2] + s[3] * t[3] + s[4] * t[4]);
}
float innerProduct(const saupeElements& a, const saupeElements& b) {
  return a.xx * b.xx + a.yy * b.yy + a.zz * b.zz + 2.0f * a.xy * b.xy + 2.0f * a.xz * b.xz +
         2.0f * a.yz * b.yz;
}

// Appends one formatted line to the remark text, never beyond its bound.
void appendRemark(std::string* text, const char* format, ...) {
  char line[kRemarkMax];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  const size_t room = kRemarkMax - 1 > text->size() ? kRemarkMax - 1 - text->size() : 0;
  text->append(line, std::min(room, std::strlen(line)));
}

struct tensorAnalysis {
  double irr[5];
  double gMag;
  double eigVec[3][3];
  double eigVal[3];
  double da, dr;
  double alpha[kSaupeFrames], beta[kSaupeFrames], gamma[kSaupeFrames];
};

int analyze(const double s[5], int euler, tensorAnalysis* a) {
  return analyzeSaupe(s, a->irr, &a->gMag, a->eigVec, a->eigVal, &a->da, &a->dr, a->alpha, a->beta,
                      a->gamma, euler);
}

}  // namespace

int addSaupe(int action, double c1, double c2, const double s1[5], const double s2[5],
             double out[5]) {
  for (int i = 0; i < 5; i++) out[i] = 0.0;
  if (action == kActionMax) {
    double g1 = 0.0, g2 = 0.0, irr[5];
    irreducRepres(s1, &g1, irr);
    irreducRepres(s2, &g2, irr);
    for (int i = 0; i < 5; i++) out[i] = g2 > g1 ? c2 * s2[i] : c1 * s1[i];
    return 0;
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
  return 0;
}

int calcDcos(const double eigVec1[3][3], const double eigVec2[3][3], float angles[3]) {
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
  return 0;
}

int irrCollinarity(const double s1[5], const double s2[5], float* coll, float* angle) {
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
  return 0;
}

int compareSaupe(const korvaInfo* info, const double saupe1[5], const double saupe2[5],
                 const char* outName, dTab* tab, const char* remark) {
  (void)remark;
  if (info->action == kActionDiv) {
    // Element-wise division by a zero element has no meaning as an order matrix.
    for (int i = 0; i < 5; i++) {
      if (static_cast<double>(info->c2) * saupe2[i] == 0.0) {
        std::fprintf(stderr,
                     "Matrix: division by element %d of the second order matrix, which is 0.\n",
                     i + 1);
        return 1;
      }
    }
  }
  double result[5];
  addSaupe(info->action, info->c1, info->c2, saupe1, saupe2, result);

  tensorAnalysis a1, a2, ar;
  if (analyze(saupe1, info->euler, &a1) != 0 || analyze(saupe2, info->euler, &a2) != 0 ||
      analyze(result, info->euler, &ar) != 0) {
    std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
    return 1;
  }
  float axes[3];
  calcDcos(a1.eigVec, a2.eigVec, axes);
  float coll = 0.0f, angle = 0.0f;
  irrCollinarity(saupe1, saupe2, &coll, &angle);

  std::string text;
  appendRemark(&text, "\nREMARK Input order matrices.\n\n");
  appendRemark(&text, "DATA SAUPE 1      % .4e % .4e % .4e % .4e % .4e\n", saupe1[0], saupe1[1],
               saupe1[2], saupe1[3], saupe1[4]);
  appendRemark(&text, "DATA SAUPE 2      % .4e % .4e % .4e % .4e % .4e\n", saupe2[0], saupe2[1],
               saupe2[2], saupe2[3], saupe2[4]);
  appendRemark(&text, "DATA SAUPE RESULT % .4e % .4e % .4e % .4e % .4e\n\n", result[0], result[1],
               result[2], result[3], result[4]);
  appendRemark(&text, "\nREMARK Relative Orientation of alignment tensors.\n\n");
  appendRemark(&text, "DATA ANGLE_3D_AXES (X/Y/Z)  %.2f %.2f %.2f\n", 180.0 * axes[0] / kPi,
               180.0 * axes[1] / kPi, 180.0 * axes[2] / kPi);
  appendRemark(&text, "\nDATA ANGLE_5D_SPACE  %.2f\n", static_cast<double>(angle));
  appendRemark(&text, "DATA COLL_5D         %.5f\n\n\n", static_cast<double>(coll));

  setTensorSaupe(tab, result);
  return writeDCmod(outName, "w", tab, info, text.c_str());
}

}  // namespace korva
