// Conversions between the forms of an alignment tensor (Saupe vector; Da, Dr and angles; eigen-
// system) and the prediction of dipolar couplings from a Saupe vector.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "numeric/constants.h"
#include "numeric/eigen3.h"
#include "structure/transform.h"
#include "tensor/saupe_analysis.h"
#include "tensor/tensor.h"

namespace korva {

namespace {

constexpr double kEulerTolerance = 1e-5;
constexpr double kDegenerateCos = 1e-6;  // below this |cos theta| the x axis lies along +-z

// Maps an angle from atan2 into [-pi/2, 3 pi/2), the range of asin and pi - asin.
double toHalfOpenRange(double a) {
  return a < -0.5 * kPi ? a + 2.0 * kPi : a;
}

// The single-precision Saupe matrix: each element formed in double and stored in float.
void buildSaupeMatrix(const float s[5], float m[3][3]) {
  const double wide[5] = {s[0], s[1], s[2], s[3], s[4]};
  double md[3][3];
  saupeMatrix(wide, md);
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) m[i][j] = static_cast<float>(md[i][j]);
  }
}

}  // namespace

void dTensorNull(dTensor* t) {
  std::memset(t, 0, sizeof(*t));
  t->da = 1.0e-3f;
  t->daMin = -1.0e-2f;
  t->daMax = 1.0e-2f;
  t->dr = 1.0e-4f;
  t->drMin = -1.0e-2f;
  t->drMax = 1.0e-2f;
  t->psi = t->theta = t->phi = 45.0f;
  t->psiMin = t->thetaMin = t->phiMin = -360.0f;
  t->psiMax = t->thetaMax = t->phiMax = 360.0f;
  t->eulerFlag = 1;
  t->nEuler = 0;
  t->tensorMode = kTensorSVD;
}

void euler2saupe(float s[5], double psi, double theta, double phi, double da, double dr) {
  m4x4 a;
  m4x4SetIdentity(a);
  a[0][0] = static_cast<float>(-da + 1.5 * dr);
  a[1][1] = static_cast<float>(-da - 1.5 * dr);
  a[2][2] = static_cast<float>(2.0 * da);

  m4x4 r;
  m4x4 rt;
  m4x4Rotation0(psi, theta, phi, r);
  m4x4Transpose(rt, r);
  m4x4Mult(a, r);   // r = A R
  m4x4Mult(rt, r);  // r = R^T A R

  s[0] = r[2][2];
  s[1] = static_cast<float>(static_cast<double>(r[0][0]) - r[1][1]);
  s[2] = r[0][1];
  s[3] = r[0][2];
  s[4] = r[1][2];
}

int saupe2euler(const float s[5], float psiList[kMaxEuler], float thetaList[kMaxEuler],
                float phiList[kMaxEuler], float eigVal[3], float* da, float* dr, Log& log) {
  for (int k = 0; k < kMaxEuler; k++) psiList[k] = thetaList[k] = phiList[k] = 0.0f;
  *da = 0.0f;
  *dr = 0.0f;

  float m[3][3];
  buildSaupeMatrix(s, m);
  float eig[3];
  float v[3][3];
  if (diag3By3(m, eig, v) != 0) {
    // Only a non-finite Saupe vector keeps a 3x3 Jacobi from converging; say so rather than
    // let a zero Da pass for a result.
    log.printf("VANTRO Error: Saupe matrix could not be diagonalised.\n");
    return 0;
  }
  for (int k = 0; k < 3; k++) eigVal[k] = eig[k];

  eigsrt3By3NegRevTP(eig, v);
  const double lx = eig[0];
  const double ly = eig[1];
  const double lz = eig[2];
  *da = static_cast<float>((lz - (lx + ly) * 0.5) / 3.0);
  *dr = static_cast<float>((lx - ly) / 3.0);
  return rot2euler(v, psiList, thetaList, phiList);
}

int eulerNEQ(int index, double a, double b) {
  (void)index;
  return std::fabs(static_cast<float>(a - b)) > kEulerTolerance ? 1 : 0;
}

int eulerTest(const float r[3][3], double psi, double theta, double phi) {
  const double cp = std::cos(psi), sp = std::sin(psi);
  const double ct = std::cos(theta), st = std::sin(theta);
  const double cf = std::cos(phi), sf = std::sin(phi);
  // Elements of Rz(phi) Ry(theta) Rx(psi); the other three fixed the candidate's angles already.
  const struct {
    int row, col;
    double value;
  } checks[] = {
      {0, 0, cf * ct},
      {0, 1, cf * st * sp - sf * cp},
      {0, 2, cf * st * cp + sf * sp},
      {1, 1, sf * st * sp + cf * cp},
      {1, 2, sf * st * cp - cf * sp},
      {2, 2, ct * cp},
  };
  for (const auto& c : checks) {
    if (eulerNEQ(c.row * 3 + c.col, r[c.row][c.col], c.value)) return 0;
  }
  return 1;
}

int rot2euler(const float r[3][3], float psiList[kMaxEuler], float thetaList[kMaxEuler],
              float phiList[kMaxEuler]) {
  int n = 0;
  auto append = [&](float psi, float theta, float phi) {
    if (n >= kMaxEuler) return;
    psiList[n] = psi;
    thetaList[n] = theta;
    phiList[n] = phi;
    n++;
  };

  // -asin(R[2][0]), with cos(theta) taken from the first column itself: near theta = +-90
  // sqrt(1 - R[2][0]^2) magnifies the rounding of R[2][0] far beyond the test tolerance.
  const float theta1 =
      static_cast<float>(-std::atan2(static_cast<double>(r[2][0]), std::hypot(r[0][0], r[1][0])));
  const float theta2 = static_cast<float>(kPi - theta1);
  for (const float theta : {theta1, theta2}) {
    const float c = static_cast<float>(std::cos(theta));
    if (std::fabs(c) > kDegenerateCos) {
      // phi from the first column, then psi from row 1 of Rz(phi)^T R = Ry(theta) Rx(psi),
      // which is (0, cos psi, -sin psi). Taking psi after phi keeps the pair consistent even
      // when cos(theta) is small and each ratio R[i][j] / cos(theta) has lost its digits.
      const double sc = c > 0.0f ? 1.0 : -1.0;
      const double phi = std::atan2(sc * r[1][0], sc * r[0][0]);
      const double sf = std::sin(phi), cf = std::cos(phi);
      const double m11 = -sf * r[0][1] + cf * r[1][1];
      const double m12 = -sf * r[0][2] + cf * r[1][2];
      const double psi = std::atan2(-m12, m11);
      const float psiF = static_cast<float>(toHalfOpenRange(psi));
      const float phiF = static_cast<float>(toHalfOpenRange(phi));
      if (eulerTest(r, psiF, theta, phiF)) append(psiF, theta, phiF);
    } else {
      // theta = +-90: only psi -/+ phi is defined, so phi is set to 0. With phi = 0 row 0 of
      // R is (0, sin(theta) sin(psi), sin(theta) cos(psi)), which fixes psi over the full circle.
      const double sign = std::sin(static_cast<double>(theta)) > 0.0 ? 1.0 : -1.0;
      append(static_cast<float>(std::atan2(sign * r[0][1], sign * r[0][2])), theta, 0.0f);
    }
  }

  float key[kMaxEuler];
  for (int k = 0; k < n; k++) {
    key[k] = psiList[k] * psiList[k] + thetaList[k] * thetaList[k] + phiList[k] * phiList[k];
  }
  for (int i = 0; i < n - 1; i++) {
    for (int j = i + 1; j < n; j++) {
      if (key[j] < key[i]) {
        std::swap(key[i], key[j]);
        std::swap(psiList[i], psiList[j]);
        std::swap(thetaList[i], thetaList[j]);
        std::swap(phiList[i], phiList[j]);
      }
    }
  }
  for (int k = 0; k < n; k++) {
    psiList[k] = static_cast<float>(psiList[k] * kRadToDeg);
    thetaList[k] = static_cast<float>(thetaList[k] * kRadToDeg);
    phiList[k] = static_cast<float>(phiList[k] * kRadToDeg);
  }
  return n;
}

int diag3By3(const float m[3][3], float eig[3], float v[3][3]) {
  float a[3][3];
  for (int p = 0; p < 3; p++) {
    for (int q = 0; q < 3; q++) a[p][q] = m[p][q];
  }
  return jacobi3(a, eig, v, nullptr);
}

void eigsrt3By3NegRevTP(float eig[3], float v[3][3]) {
  for (int i = 0; i < 2; i++) {
    for (int j = i + 1; j < 3; j++) {
      if (std::fabs(eig[i]) >= std::fabs(eig[j])) {
        std::swap(eig[i], eig[j]);
        // Negating the column moved forward keeps det v = +1 after an odd exchange.
        for (int k = 0; k < 3; k++) {
          const float old = v[k][i];
          v[k][i] = -v[k][j];
          v[k][j] = old;
        }
      }
    }
  }
  for (int i = 0; i < 3; i++) {
    for (int j = i + 1; j < 3; j++) std::swap(v[i][j], v[j][i]);
  }
}

void predictionRow(float x1, float y1, float z1, float x2, float y2, float z2, float a[5]) {
  const double vx = static_cast<double>(x2) - x1;
  const double vy = static_cast<double>(y2) - y1;
  const double vz = static_cast<double>(z2) - z1;
  const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
  // Coinciding atoms have no direction: every basis element is then 0 except Szz's -1/2; a zero
  // unit vector would predict -|DI| Szz / 2, so the whole row is set to 0.
  for (int k = 0; k < 5; k++) a[k] = 0.0f;
  if (r > 0.0) {
    double basis[5];
    saupeBasis(vx / r, vy / r, vz / r, basis);
    for (int k = 0; k < 5; k++) a[k] = static_cast<float>(basis[k]);
  }
}

void predictFromRow(const float a[5], float di, const float s[5], const float sErr[5], float* d,
                    float* dErr) {
  double sum = 0.0;
  double var = 0.0;
  for (int k = 0; k < 5; k++) {
    sum += static_cast<double>(a[k]) * s[k];
    var += static_cast<double>(a[k]) * a[k] * sErr[k] * sErr[k];
  }
  const double absDI = std::fabs(static_cast<double>(di));
  *d = static_cast<float>(absDI * sum);
  *dErr = static_cast<float>(absDI * std::sqrt(var));
}

void findD(const float x1[], const float y1[], const float z1[], const float x2[], const float y2[],
           const float z2[], const float di[], float d[], float dErr[], const float s[5],
           const float sErr[5], int n) {
  for (int i = 0; i < n; i++) {
    float a[5];
    predictionRow(x1[i], y1[i], z1[i], x2[i], y2[i], z2[i], a);
    predictFromRow(a, di[i], s, sErr, &d[i], &dErr[i]);
  }
}

int setTensorSaupe(dTensor* t, const double s[5], Log& log) {
  for (int k = 0; k < 5; k++) t->saupe[k] = static_cast<float>(s[k]);
  t->nEuler =
      saupe2euler(t->saupe, t->psiList, t->thetaList, t->phiList, t->eigVal, &t->da, &t->dr, log);
  return t->nEuler;
}

}  // namespace korva
