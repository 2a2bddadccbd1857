// Nonlinear tensor fits on synthetic couplings and on the measured ubiquitin couplings: fixed
// prediction, angle and full fits, held parameters, too few couplings, zero weights and glycine.
#include "fit/nonlinear.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "fit/fit_d.h"
#include "support/files.h"

namespace korva {
namespace {

constexpr double kDegToRad = 3.14159265 / 180.0;
constexpr double kNHConstant = -21700.0;  // |DI| of an N-H pair, Hz (sign must not matter)
constexpr double kGoldenAngle = 2.399963229728653;

struct Tensor {
  double da, dr, psi, theta, phi;  // angles in degrees
};

using Mat3 = std::array<std::array<double, 3>, 3>;

Mat3 mul(const Mat3& a, const Mat3& b) {
  Mat3 p{};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) p[i][j] += a[i][k] * b[k][j];
  return p;
}

// Reference Saupe matrix S = R^T diag(-Da + 1.5 Dr, -Da - 1.5 Dr, 2 Da) R with
// R = Rz(phi) Ry(theta) Rx(psi), built here from the textbook axis rotations in double precision.
Mat3 saupeMatrix(const Tensor& t) {
  const double a = t.psi * kDegToRad, b = t.theta * kDegToRad, g = t.phi * kDegToRad;
  const Mat3 rx = {{{1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)}}};
  const Mat3 ry = {{{std::cos(b), 0, std::sin(b)}, {0, 1, 0}, {-std::sin(b), 0, std::cos(b)}}};
  const Mat3 rz = {{{std::cos(g), -std::sin(g), 0}, {std::sin(g), std::cos(g), 0}, {0, 0, 1}}};
  const Mat3 r = mul(rz, mul(ry, rx));
  Mat3 rt{};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) rt[i][j] = r[j][i];
  const Mat3 d = {{{-t.da + 1.5 * t.dr, 0, 0}, {0, -t.da - 1.5 * t.dr, 0}, {0, 0, 2 * t.da}}};
  return mul(rt, mul(d, r));
}

// The five independent elements in the program's order Szz, Sxx-Syy, Sxy, Sxz, Syz.
std::array<double, 5> saupeVector(const Tensor& t) {
  const Mat3 s = saupeMatrix(t);
  return {s[2][2], s[0][0] - s[1][1], s[0][1], s[0][2], s[1][2]};
}

// Distance of b from a relative to the size of a.
double relativeDiff(const std::array<double, 5>& a, const float b[5]) {
  double diff = 0.0, size = 0.0;
  for (int k = 0; k < 5; k++) {
    diff += (a[k] - b[k]) * (a[k] - b[k]);
    size += a[k] * a[k];
  }
  return std::sqrt(diff / size);
}

// A structure of 2 n atoms joined pairwise by 1.02 A bonds whose directions spread evenly over
// the sphere (golden-angle spiral), and the table of the n couplings between them, observed
// values predicted from `truth` by D = |DI| u^T S u.
struct Scene {
  pdbInfo pdb;
  dTab tab;
  dTensor tensor;
  std::vector<double> expected;  // generator's couplings
  int evaluations = -1;

  Scene(int n, const Tensor& truth) {
    pdb.atoms.resize(static_cast<size_t>(2 * n));
    pdb.nAtoms = 2 * n;
    dTensorNull(&tensor);
    tab.n = n;
    tab.in.resize(static_cast<size_t>(n));
    tab.work.resize(static_cast<size_t>(n));
    const Mat3 s = saupeMatrix(truth);
    for (int i = 0; i < n; i++) {
      const double z = 1.0 - 2.0 * (i + 0.5) / n;
      const double rho = std::sqrt(1.0 - z * z);
      const double u[3] = {rho * std::cos(i * kGoldenAngle), rho * std::sin(i * kGoldenAngle), z};
      pdbAtom& a = pdb.atoms[static_cast<size_t>(2 * i)];
      pdbAtom& b = pdb.atoms[static_cast<size_t>(2 * i + 1)];
      a.x = static_cast<float>(3.0 * i);
      a.y = static_cast<float>(0.5 * i - 4.0);
      a.z = static_cast<float>(-1.0 * i);
      b.x = static_cast<float>(a.x + 1.02 * u[0]);
      b.y = static_cast<float>(a.y + 1.02 * u[1]);
      b.z = static_cast<float>(a.z + 1.02 * u[2]);
      // The direction actually stored, after rounding the coordinates to float.
      const double v[3] = {static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y,
                           static_cast<double>(b.z) - a.z};
      const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      double usu = 0.0;
      for (int p = 0; p < 3; p++)
        for (int q = 0; q < 3; q++) usu += v[p] / len * s[p][q] * v[q] / len;
      expected.push_back(std::fabs(kNHConstant) * usu);

      dcRecord& in = tab.in[static_cast<size_t>(i)];
      dcRecord& w = tab.work[static_cast<size_t>(i)];
      in.selected = w.selected = 1;
      in.D = static_cast<float>(expected.back());
      in.W = w.W = 1.0f;
      in.DI = w.DI = static_cast<float>(kNHConstant);
      w.D = kDCUnset;
      w.atomI = &a;
      w.atomJ = &b;
    }
  }
  void fix(const Tensor& t) {
    tensor.da = tensor.daMin = tensor.daMax = static_cast<float>(t.da);
    tensor.dr = tensor.drMin = tensor.drMax = static_cast<float>(t.dr);
    tensor.psi = tensor.psiMin = tensor.psiMax = static_cast<float>(t.psi);
    tensor.theta = tensor.thetaMin = tensor.thetaMax = static_cast<float>(t.theta);
    tensor.phi = tensor.phiMin = tensor.phiMax = static_cast<float>(t.phi);
  }
  int fit(Log& log = nullLog(), int verbosity = 0) {
    return fitDCAlign(&pdb, &tab, &tensor, verbosity, log, &evaluations);
  }
  double rmsToExpected() const {
    double sum = 0.0;
    for (size_t i = 0; i < expected.size(); i++) {
      sum += (tab.work[i].D - expected[i]) * (tab.work[i].D - expected[i]);
    }
    return std::sqrt(sum / static_cast<double>(expected.size()));
  }
};

const Tensor kTruth = {1.2e-3, 3.0e-4, 10.0, 20.0, 30.0};

// All bounds equal: one evaluation, the given tensor's predictions, and a Saupe vector equal to
// the reference matrix, for several orientations and signs of Da.
TEST(FitDCAlign, FixedModePredictsGivenTensor) {
  const Tensor cases[] = {kTruth, {-8.0e-4, 2.5e-4, -70.0, 115.0, 200.0}, {5.0e-4, 0.0, 0, 0, 0}};
  for (const Tensor& t : cases) {
    Scene sc(12, t);
    sc.fix(t);
    const float x0 = sc.pdb.atoms[1].x;
    EXPECT_EQ(sc.fit(), 12);
    EXPECT_EQ(sc.evaluations, 1);
    EXPECT_LT(sc.rmsToExpected(), 2e-4 * std::fabs(kNHConstant * t.da));
    EXPECT_LT(relativeDiff(saupeVector(t), sc.tensor.saupe), 1e-5);
    EXPECT_EQ(sc.pdb.atoms[1].x, x0);  // the structure itself is never rotated
  }
}

// Free parameters from the default start (Da 1e-3, Dr 1e-4, angles 45) reach the tensor. Da
// held by equal bounds stays at the bound even when the start differs; Dr may come back as -Dr
// in a frame turned by 90 degrees about z, which describes the same tensor.
TEST(FitDCAlign, FreeParametersRecoverTheTensor) {
  const struct {
    const char* what;
    int couplings;
    Tensor truth;
    bool holdDa, holdDr;
  } cases[] = {
      {"Da and Dr held", 15, kTruth, true, true},
      {"all free", 20, kTruth, false, false},
      {"all free, negative Da", 20, {-6.0e-4, -1.5e-4, 130.0, -40.0, 75.0}, false, false},
      {"Da held", 15, kTruth, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Scene sc(c.couplings, c.truth);
    ASSERT_EQ(sc.tensor.psi, 45.0f);
    if (c.holdDa) sc.tensor.daMin = sc.tensor.daMax = static_cast<float>(c.truth.da);
    if (c.holdDr) sc.tensor.drMin = sc.tensor.drMax = static_cast<float>(c.truth.dr);
    EXPECT_EQ(sc.fit(), c.couplings);
    EXPECT_GT(sc.evaluations, 1);
    EXPECT_LT(sc.rmsToExpected(), 1e-3);
    const auto ref = saupeVector(c.truth);
    EXPECT_LT(relativeDiff(ref, sc.tensor.saupe), 1e-3);
    if (c.holdDa) {  // free, Da and Dr may describe the tensor with its axes relabelled
      EXPECT_EQ(sc.tensor.da, static_cast<float>(c.truth.da));
      EXPECT_NEAR(std::fabs(sc.tensor.dr), std::fabs(c.truth.dr), 1e-3 * std::fabs(c.truth.dr));
    }
    // Two equivalent angle triples, the smaller sum of squared angles first, each describing the
    // tensor.
    ASSERT_EQ(sc.tensor.nEuler, 2);
    double sq[2];
    for (int k = 0; k < 2; k++) {
      const Tensor listed = {sc.tensor.da, sc.tensor.dr, sc.tensor.psiList[k],
                             sc.tensor.thetaList[k], sc.tensor.phiList[k]};
      float got[5];
      for (int e = 0; e < 5; e++) got[e] = static_cast<float>(saupeVector(listed)[e]);
      EXPECT_LT(relativeDiff(ref, got), 1e-3) << "triple " << k;
      sq[k] = listed.psi * listed.psi + listed.theta * listed.theta + listed.phi * listed.phi;
    }
    EXPECT_LE(sq[0], sq[1]);
  }
}

// Three couplings carry three angles; two cannot, and the angles come back as 0 with the fit
// reported as failed. FIXED needs no minimum: it predicts even a single coupling. Couplings
// without both atoms, not selected or of weight 0 take no part; with none left nothing changes.
TEST(FitDCAlign, TooFewOrNoUsableCouplings) {
  const struct {
    int couplings, result;
    bool fixedMode, dropAll;
  } cases[] = {
      {3, 3, false, false}, {2, 0, false, false}, {1, 1, true, false}, {4, 0, false, true}};
  for (const auto& c : cases) {
    Scene sc(c.couplings, kTruth);
    sc.tensor.daMin = sc.tensor.daMax = sc.tensor.da;
    sc.tensor.drMin = sc.tensor.drMax = sc.tensor.dr;
    if (c.fixedMode) sc.fix(kTruth);
    if (c.dropAll) {
      sc.tab.work[0].atomI = nullptr;
      sc.tab.work[1].atomJ = nullptr;
      sc.tab.work[2].selected = 0;
      sc.tab.work[3].W = 0.0f;
    }
    TextLog log;
    EXPECT_EQ(sc.fit(log), c.result) << c.couplings;
    EXPECT_EQ(log.text(), c.couplings == 2 ? "VANTRO Error (DC Fit) 2 couplings are too few for 3 "
                                             "free parameters.\n"
                                           : "");
    EXPECT_EQ(sc.evaluations > 0, c.result > 0);
    if (c.result == 0) {
      EXPECT_EQ(sc.tab.work[0].D, kDCUnset);
      EXPECT_EQ(sc.tensor.psi + sc.tensor.theta, c.dropAll ? 90.0f : 0.0f);
      EXPECT_EQ(sc.tensor.nEuler, c.dropAll ? 0 : 2);
    }
  }
}

// A zero-weight coupling (weighted 0 in the input list) adds a zero residual: an absurd observed
// value on it does not move the fit, and it is still predicted. A glycine coupling takes no part
// and keeps the placeholder. Coinciding atoms give no direction and predict 0, like the
// Saupe-vector prediction; verbose runs name the counts first.
TEST(FitDCAlign, ZeroWeightGlycineAndCoincidingAtoms) {
  Scene sc(16, kTruth);
  sc.tab.in[4].W = 0.0f;
  sc.tab.in[4].D = 5000.0f;
  sc.tab.work[9].glyFlag = 1;
  EXPECT_EQ(sc.fit(), 15);
  EXPECT_LT(relativeDiff(saupeVector(kTruth), sc.tensor.saupe), 1e-3);
  EXPECT_EQ(sc.tab.work[9].D, kDCUnset);
  EXPECT_NEAR(sc.tab.work[4].D, sc.expected[4], 1e-2);

  Scene fixed(5, kTruth);
  fixed.fix(kTruth);
  fixed.pdb.atoms[1] = fixed.pdb.atoms[0];
  TextLog log;
  EXPECT_EQ(fixed.fit(log, 2), 5);
  EXPECT_EQ(log.text().rfind("5 Couplings, 10 Atoms Selected.\nRot(10.000 20.000 30.000) DA "
                             "1.200e-03 DR 3.000e-04 RMS(5): ",
                             0),
            0u)
      << log.text();
  EXPECT_EQ(fixed.tab.work[0].D, 0.0f);
}

}  // namespace
}  // namespace korva
