// Saupe matrix analysis in double precision: Jacobi eigen-system, principal frames and angles,
// Da/Dr and the irreducible (spherical) representation.
#include "tensor/saupe_analysis.h"

#include "numeric/constants.h"
#include "numeric/eigen3.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace korva {

namespace {

constexpr double kSinBetaMin = 1e-10;  // below it z lies along +-z and only alpha + gamma counts
constexpr double k4PiOver5 = 2.51327412;
constexpr double k8PiOver15 = 1.67551608;
constexpr double kMagnitudeFactor = 776165279.7311264;  // 21523^2 * 8 pi / 15

// acos through atan2, clamped: normalised components can exceed 1 by rounding.
double acosSafe(double x) {
  x = std::clamp(x, -1.0, 1.0);
  return std::atan2(std::sqrt(1.0 - x * x), x);
}

void swapColumns(double v[3][3], int a, int b) {
  for (int k = 0; k < 3; k++) std::swap(v[k][a], v[k][b]);
}

}  // namespace

void saupeMatrix(const double s[5], double m[3][3]) {
  m[0][0] = -0.5 * (s[0] - s[1]);
  m[1][1] = -0.5 * (s[0] + s[1]);
  m[2][2] = s[0];
  m[0][1] = m[1][0] = s[2];
  m[0][2] = m[2][0] = s[3];
  m[1][2] = m[2][1] = s[4];
}

void saupeBasis(double cx, double cy, double cz, double a[5]) {
  a[0] = 0.5 * (3.0 * cz * cz - 1.0);
  a[1] = 0.5 * (cx * cx - cy * cy);
  a[2] = 2.0 * cx * cy;
  a[3] = 2.0 * cx * cz;
  a[4] = 2.0 * cy * cz;
}

void sort_eigensystem(double d[3], double v[3][3]) {
  const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (const auto& pr : pairs) {
    if (std::fabs(d[pr[1]]) > std::fabs(d[pr[0]])) {
      std::swap(d[pr[0]], d[pr[1]]);
      swapColumns(v, pr[0], pr[1]);
    }
  }
}

void cross_productM2(const double m[3][3], int ca, int cb, double out[3]) {
  out[0] = m[1][ca] * m[2][cb] - m[2][ca] * m[1][cb];
  out[1] = m[2][ca] * m[0][cb] - m[0][ca] * m[2][cb];
  out[2] = m[0][ca] * m[1][cb] - m[1][ca] * m[0][cb];
}

void mirror_solutions(const double z0[3], const double y0[3], double zSign, double ySign,
                      double frame[3][3]) {
  for (int k = 0; k < 3; k++) {
    frame[k][1] = ySign * y0[k];
    frame[k][2] = zSign * z0[k];
  }
  // x from y x z rather than the third eigenvector: that keeps every frame right-handed.
  double x[3];
  cross_productM2(frame, 1, 2, x);
  for (int k = 0; k < 3; k++) frame[k][0] = x[k];
}

void add_eigVec_List(const double frame[3][3], int index, double xList[kSaupeFrames][3],
                     double yList[kSaupeFrames][3], double zList[kSaupeFrames][3]) {
  if (index < 0 || index >= kSaupeFrames) return;
  for (int k = 0; k < 3; k++) {
    xList[index][k] = frame[k][0];
    yList[index][k] = frame[k][1];
    zList[index][k] = frame[k][2];
  }
}

int make_eigVecList(const double e[3][3], double xList[kSaupeFrames][3],
                    double yList[kSaupeFrames][3], double zList[kSaupeFrames][3]) {
  const double e0[3] = {e[0][0], e[1][0], e[2][0]};
  const double e1[3] = {e[0][1], e[1][1], e[2][1]};
  const double signs[kSaupeFrames][2] = {{1.0, 1.0}, {1.0, -1.0}, {-1.0, 1.0}, {-1.0, -1.0}};
  for (int f = 0; f < kSaupeFrames; f++) {
    double frame[3][3];
    mirror_solutions(e0, e1, signs[f][0], signs[f][1], frame);
    add_eigVec_List(frame, f, xList, yList, zList);
  }
  return kSaupeFrames;
}

void inv_euler(const double b[3][3], double angles[3]) {
  const double beta = acosSafe(b[2][2]);
  const double sb = std::sin(beta);
  double alpha;
  double gamma;
  if (std::fabs(sb) > kSinBetaMin) {
    alpha = acosSafe(b[2][0] / sb);
    if (b[2][1] / sb < 0.0) alpha = 2.0 * kPi - alpha;
    gamma = acosSafe(-b[0][2] / sb);
    if (b[1][2] / sb < 0.0) gamma = 2.0 * kPi - gamma;
  } else {
    const double sigma = b[2][2] < 0.0 ? -1.0 : 1.0;
    alpha = acosSafe(sigma * b[0][0]);
    if (sigma * b[0][1] < 0.0) alpha = 2.0 * kPi - alpha;
    gamma = 0.0;
  }
  angles[0] = alpha * kRadToDeg;
  angles[1] = beta * kRadToDeg;
  angles[2] = gamma * kRadToDeg;
}

void get_euler(const double a[3][3], double angles[3]) {
  double b[3][3];
  for (int c = 0; c < 3; c++) {
    const double len = std::sqrt(a[0][c] * a[0][c] + a[1][c] * a[1][c] + a[2][c] * a[2][c]);
    // A zero axis (only from a zero tensor's degenerate input) is left as it is, not divided.
    const double scale = len > 0.0 ? 1.0 / len : 1.0;
    for (int r = 0; r < 3; r++) b[r][c] = a[r][c] * scale;
  }
  return inv_euler(b, angles);
}

void eigVec2euler(const double v[3][3], double alphaList[kSaupeFrames],
                  double betaList[kSaupeFrames], double gammaList[kSaupeFrames]) {
  double xList[kSaupeFrames][3];
  double yList[kSaupeFrames][3];
  double zList[kSaupeFrames][3];
  const int n = make_eigVecList(v, xList, yList, zList);
  for (int f = 0; f < n; f++) {
    double frame[3][3];
    for (int k = 0; k < 3; k++) {
      frame[k][0] = xList[f][k];
      frame[k][1] = yList[f][k];
      frame[k][2] = zList[f][k];
    }
    double angles[3];
    get_euler(frame, angles);
    alphaList[f] = angles[0];
    betaList[f] = angles[1];
    gammaList[f] = angles[2];
  }
}

int saupe2eulerMz(const double saupe[5], double alphaList[kSaupeFrames],
                  double betaList[kSaupeFrames], double gammaList[kSaupeFrames],
                  double eigVec[3][3], double eigVal[3], int eulerFlag) {
  for (int f = 0; f < kSaupeFrames; f++) alphaList[f] = betaList[f] = gammaList[f] = 0.0;

  double a[3][3];
  saupeMatrix(saupe, a);

  double d[3];
  double v[3][3];
  const int status = jacobi3(a, d, v, nullptr);
  sort_eigensystem(d, v);
  if (eulerFlag) eigVec2euler(v, alphaList, betaList, gammaList);

  for (int i = 0; i < 3; i++) {
    eigVal[i] = d[i];
    for (int j = 0; j < 3; j++) eigVec[i][j] = v[i][j];
  }
  return status;
}

void pca_tensor(const double eigVal[3], double* da, double* dr) {
  double l[3] = {eigVal[0], eigVal[1], eigVal[2]};
  const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (const auto& pr : pairs) {
    if (std::fabs(l[pr[1]]) > std::fabs(l[pr[0]])) std::swap(l[pr[0]], l[pr[1]]);
  }
  const double lz = l[0], ly = l[1], lx = l[2];
  *da = (lz - (lx + ly) / 2.0) / 3.0;
  *dr = (lx - ly) / 3.0;
}

void irreducRepres(const double saupe[5], double* gMag, double irrSaupe[5]) {
  double m[3][3];
  saupeMatrix(saupe, m);
  const double sxx = m[0][0], syy = m[1][1], szz = m[2][2];
  const double sxy = m[0][1], sxz = m[0][2], syz = m[1][2];
  const double c1 = std::sqrt(k4PiOver5);
  const double c2 = std::sqrt(k8PiOver15);
  const double k = kIrreducScaleHz;

  irrSaupe[0] = k * c1 * szz;
  irrSaupe[1] = -k * c2 * sxz;
  irrSaupe[2] = k * c2 * syz;
  irrSaupe[3] = k * c2 * (sxx + szz / 2.0);
  irrSaupe[4] = -k * c2 * sxy;
  const double sumSq =
      sxx * sxx + syy * syy + szz * szz + 2.0 * sxy * sxy + 2.0 * sxz * sxz + 2.0 * syz * syz;
  *gMag = std::sqrt(sumSq * kMagnitudeFactor);
}

Status analyzeSaupe(const double saupe[5], bool frames, saupeAnalysis* out) {
  const int status = saupe2eulerMz(saupe, out->alpha, out->beta, out->gamma, out->eigVec,
                                   out->eigVal, frames ? 1 : 0);
  pca_tensor(out->eigVal, &out->da, &out->dr);
  irreducRepres(saupe, &out->gMag, out->irr);
  if (status == 0) return Status::success();
  return Status(1, "Utility Error: \nToo many iterations in routine jacobi\nAborting.\n");
}

}  // namespace korva
