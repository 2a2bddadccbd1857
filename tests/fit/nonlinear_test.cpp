// Nonlinear tensor fits on synthetic couplings: fixed prediction, angle and full fits, parameter
// layout, too few couplings, zero weights and glycine placeholders.
#include "fit/nonlinear.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tensor/tensor.h"
#include "support/run_korva.h"

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
std::array<double, 5> saupeVector(const Mat3& s) {
  return {s[2][2], s[0][0] - s[1][1], s[0][1], s[0][2], s[1][2]};
}

double normDiff(const std::array<double, 5>& a, const float b[5]) {
  double sum = 0.0;
  for (int k = 0; k < 5; k++) sum += (a[k] - b[k]) * (a[k] - b[k]);
  return std::sqrt(sum);
}

double norm(const std::array<double, 5>& a) {
  double sum = 0.0;
  for (double v : a) sum += v * v;
  return std::sqrt(sum);
}

// A structure of 2 n atoms joined pairwise by 1.02 A bonds whose directions spread evenly over
// the sphere (golden-angle spiral), and the table of the n couplings between them, observed
// values predicted from `truth` by D = |DI| u^T S u.
struct Scene {
  pdbInfo pdb;
  dTab tab;
  std::vector<double> expected;  // generator's couplings

  Scene(int n, const Tensor& truth) {
    pdb.atoms.resize(static_cast<size_t>(2 * n));
    pdb.nAtoms = 2 * n;
    dTensorNull(&tab);
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
  void setAngleBounds(double lo, double hi) {
    tab.psiMin = tab.thetaMin = tab.phiMin = static_cast<float>(lo);
    tab.psiMax = tab.thetaMax = tab.phiMax = static_cast<float>(hi);
  }
  void fix(const Tensor& t) {
    tab.da = tab.daMin = tab.daMax = static_cast<float>(t.da);
    tab.dr = tab.drMin = tab.drMax = static_cast<float>(t.dr);
    tab.psi = tab.psiMin = tab.psiMax = static_cast<float>(t.psi);
    tab.theta = tab.thetaMin = tab.thetaMax = static_cast<float>(t.theta);
    tab.phi = tab.phiMin = tab.phiMax = static_cast<float>(t.phi);
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

// The coordinate buffers live for the process; each test gives them back.
class FitDCAlign : public ::testing::Test {
 protected:
  void TearDown() override { fitDCFree(); }
};

// All bounds equal: one evaluation, the given tensor's predictions, and a Saupe vector equal to
// the reference matrix, for several orientations and signs of Da.
TEST_F(FitDCAlign, FixedModePredictsGivenTensor) {
  const Tensor cases[] = {kTruth, {-8.0e-4, 2.5e-4, -70.0, 115.0, 200.0}, {5.0e-4, 0.0, 0, 0, 0}};
  for (const Tensor& t : cases) {
    Scene sc(12, t);
    sc.fix(t);
    const float x0 = sc.pdb.atoms[1].x;
    EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), 12);
    EXPECT_EQ(fitDCEvaluations(), 1);
    EXPECT_LT(sc.rmsToExpected(), 2e-4 * std::fabs(kNHConstant * t.da));
    const auto ref = saupeVector(saupeMatrix(t));
    EXPECT_LT(normDiff(ref, sc.tab.saupe), 1e-5 * norm(ref));
    EXPECT_EQ(sc.pdb.atoms[1].x, x0);  // the structure itself is never rotated
  }
}

// DADR from the 45 degree start reaches an equivalent frame of (10, 20, 30): same tensor, two
// angle triples listed, the smaller sum of squared angles first, each describing the tensor.
TEST_F(FitDCAlign, DaDrFromDefaultStartFindsEquivalentAngles) {
  Scene sc(15, kTruth);
  sc.tab.da = sc.tab.daMin = sc.tab.daMax = static_cast<float>(kTruth.da);
  sc.tab.dr = sc.tab.drMin = sc.tab.drMax = static_cast<float>(kTruth.dr);
  ASSERT_EQ(sc.tab.psi, 45.0f);
  EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), 15);
  EXPECT_LT(sc.rmsToExpected(), 1e-3);
  const auto ref = saupeVector(saupeMatrix(kTruth));
  EXPECT_LT(normDiff(ref, sc.tab.saupe), 1e-3 * norm(ref));
  ASSERT_EQ(sc.tab.nEuler, 2);
  auto sq = [&](int k) {
    return sc.tab.psiList[k] * sc.tab.psiList[k] + sc.tab.thetaList[k] * sc.tab.thetaList[k] +
           sc.tab.phiList[k] * sc.tab.phiList[k];
  };
  EXPECT_LE(sq(0), sq(1));
  for (int k = 0; k < 2; k++) {
    const Tensor listed = {kTruth.da, kTruth.dr, sc.tab.psiList[k], sc.tab.thetaList[k],
                           sc.tab.phiList[k]};
    const auto s = saupeVector(saupeMatrix(listed));
    float got[5];
    for (int e = 0; e < 5; e++) got[e] = static_cast<float>(s[e]);
    EXPECT_LT(normDiff(ref, got), 1e-3 * norm(ref)) << "triple " << k;
  }
}

// NOFIXED from the default start (Da 1e-3, Dr 1e-4, angles 45) recovers Da, Dr and the tensor.
TEST_F(FitDCAlign, NoFixedRecoversTensor) {
  const Tensor cases[] = {kTruth, {-6.0e-4, -1.5e-4, 130.0, -40.0, 75.0}};
  for (const Tensor& t : cases) {
    Scene sc(20, t);
    EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), 20);
    const auto ref = saupeVector(saupeMatrix(t));
    EXPECT_LT(normDiff(ref, sc.tab.saupe), 1e-3 * norm(ref));
    EXPECT_LT(sc.rmsToExpected(), 1e-3);
  }
}

// daMin = daMax takes Da out of the parameters: Da is held at the bound (even when the start
// value differs) and Dr becomes the fourth parameter.
TEST_F(FitDCAlign, EqualDaBoundsDropDaFromParameters) {
  Scene sc(15, kTruth);
  sc.tab.da = 5.0e-4f;
  sc.tab.daMin = sc.tab.daMax = static_cast<float>(kTruth.da);
  EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), 15);
  EXPECT_EQ(sc.tab.da, static_cast<float>(kTruth.da));
  // A frame turned by 90 degrees about z swaps x and y, so -Dr describes the same tensor.
  EXPECT_NEAR(std::fabs(sc.tab.dr), kTruth.dr, 1e-3 * kTruth.dr);
  const auto ref = saupeVector(saupeMatrix(kTruth));
  EXPECT_LT(normDiff(ref, sc.tab.saupe), 1e-3 * norm(ref));

  std::vector<float> f(15);
  const float x[4] = {1.0f, 2.0f, 3.0f, 7.0e-4f};
  fitDCTarget(15, 4, x, f.data());
  EXPECT_EQ(sc.tab.dr, 7.0e-4f);
  EXPECT_EQ(sc.tab.da, static_cast<float>(kTruth.da));
  EXPECT_EQ(sc.tab.phi, 3.0f);
}

// Three couplings carry three angles in DADR; two cannot, and the angles come back as 0 with the
// fit reported as failed. FIXED needs no minimum: it predicts even a single coupling.
TEST_F(FitDCAlign, TooFewCouplingsLeaveAnglesAtZero) {
  struct Case {
    int couplings;
    bool fixedMode;
    int expectResult;
  } cases[] = {{3, false, 3}, {2, false, 0}, {1, true, 1}};
  for (const Case& c : cases) {
    Scene sc(c.couplings, kTruth);
    if (c.fixedMode) {
      sc.fix(kTruth);
    } else {
      sc.tab.daMin = sc.tab.daMax = sc.tab.da;
      sc.tab.drMin = sc.tab.drMax = sc.tab.dr;
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), c.expectResult) << c.couplings;
    const std::string err = ::testing::internal::GetCapturedStderr();
    if (c.expectResult == 0) {
      EXPECT_EQ(err, "VANTRO Error (DC Fit) 2 couplings are too few for 3 free parameters.\n");
      EXPECT_EQ(sc.tab.psi, 0.0f);
      EXPECT_EQ(sc.tab.theta, 0.0f);
      EXPECT_EQ(sc.tab.phi, 0.0f);
      EXPECT_EQ(fitDCEvaluations(), 0);
      EXPECT_EQ(sc.tab.work[0].D, kDCUnset);
    } else {
      EXPECT_EQ(err, "");
      EXPECT_GE(fitDCEvaluations(), 1);
    }
  }
}

// A zero-weight coupling counts, adds a zero residual, and an absurd observed value on it does not
// move the fit. A glycine-flagged coupling counts but writes no residual: the trailing entry is 0
// and its prediction stays the placeholder.
TEST_F(FitDCAlign, ZeroWeightAndGlycineCouplings) {
  Scene sc(16, kTruth);
  sc.tab.in[4].W = 0.0f;
  sc.tab.in[4].D = 5000.0f;
  sc.tab.work[9].glyFlag = 1;
  EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), 16);
  const auto ref = saupeVector(saupeMatrix(kTruth));
  EXPECT_LT(normDiff(ref, sc.tab.saupe), 1e-3 * norm(ref));
  EXPECT_EQ(sc.tab.work[9].D, kDCUnset);
  EXPECT_NEAR(sc.tab.work[4].D, sc.expected[4], 1e-2);

  std::vector<float> f(16, -1.0f);
  const float x[5] = {sc.tab.psi, sc.tab.theta, sc.tab.phi, sc.tab.da, sc.tab.dr};
  fitDCTarget(16, 5, x, f.data());
  EXPECT_EQ(f[4], 0.0f);   // zero weight
  EXPECT_EQ(f[15], 0.0f);  // the glycine coupling's unused slot
}

// Couplings without both atoms or not selected take no part; with none left nothing changes.
TEST_F(FitDCAlign, NoUsableCouplingLeavesTensorUnchanged) {
  Scene sc(4, kTruth);
  sc.tab.work[0].atomI = nullptr;
  sc.tab.work[1].atomJ = nullptr;
  sc.tab.work[2].selected = 0;
  sc.tab.work[3].selected = 0;
  EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), 0);
  EXPECT_EQ(sc.tab.psi, 45.0f);
  EXPECT_EQ(sc.tab.nEuler, 0);
  EXPECT_EQ(fitDCEvaluations(), 0);
}

// Coinciding atoms give no direction and predict 0, like the Saupe-vector prediction; verbose
// runs name the counts first.
TEST_F(FitDCAlign, CoincidingAtomsPredictZero) {
  Scene sc(5, kTruth);
  sc.fix(kTruth);
  sc.pdb.atoms[1].x = sc.pdb.atoms[0].x;
  sc.pdb.atoms[1].y = sc.pdb.atoms[0].y;
  sc.pdb.atoms[1].z = sc.pdb.atoms[0].z;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 2), 5);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind("5 Couplings, 10 Atoms Selected.\nRot(10.000 20.000 30.000) DA 1.200e-03 "
                      "DR 3.000e-04 RMS(5): ",
                      0),
            0u)
      << err;
  EXPECT_EQ(sc.tab.work[0].D, 0.0f);
}

// The buffers grow for a larger structure and survive a smaller one.
TEST_F(FitDCAlign, BuffersGrowAcrossFits) {
  const int sizes[] = {5, 40, 6};
  for (int n : sizes) {
    Scene sc(n, kTruth);
    sc.fix(kTruth);
    EXPECT_EQ(fitDCAlign(&sc.pdb, &sc.tab, 0), n);
    EXPECT_LT(sc.rmsToExpected(), 1e-2);
  }
}

// What a best-fit report says about the tensor and the couplings.
struct FitReport {
  double saupe[5] = {0, 0, 0, 0, 0};
  double q = -1.0;
  double da = 0.0, dr = 0.0;
  double angles[3] = {0, 0, 0};   // first psi/theta/phi triple
  std::vector<double> predicted;  // column D of the coupling rows
};

FitReport parseReport(const std::string& text) {
  FitReport r;
  std::istringstream lines(text);
  std::string line;
  bool rows = false, firstTriple = true;
  while (std::getline(lines, line)) {
    double v[12];
    if (std::sscanf(line.c_str(), "DATA SAUPE %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3],
                    &v[4]) == 5) {
      for (int k = 0; k < 5; k++) r.saupe[k] = v[k];
    } else if (std::sscanf(line.c_str(), "DATA MERIDOVANT Q %lf", &v[0]) == 1) {
      r.q = v[0];
    } else if (std::sscanf(line.c_str(), "DATA Da %lf", &v[0]) == 1) {
      r.da = v[0];
    } else if (std::sscanf(line.c_str(), "DATA Dr %lf", &v[0]) == 1) {
      r.dr = v[0];
    } else if (firstTriple && std::sscanf(line.c_str(), "DATA EULER_ANGLES %lf %lf %lf", &v[0],
                                          &v[1], &v[2]) == 3) {
      for (int k = 0; k < 3; k++) r.angles[k] = v[k];
      firstTriple = false;
    } else if (line.rfind("FORMAT", 0) == 0) {
      rows = true;
    } else if (rows) {
      int ri, rj;
      char a[16], b[16], c[16], d[16];
      if (std::sscanf(line.c_str(), "%d %15s %15s %d %15s %15s %lf %lf %lf", &ri, a, b, &rj, c, d,
                      &v[0], &v[1], &v[2]) == 9) {
        r.predicted.push_back(v[2]);
      }
    }
  }
  return r;
}

std::string ubiquitinArgs() {
  using testing::sourcePath;
  return "-bestFit -pdb '" + sourcePath("examples/ubiquitin-2mjb.pdb") + "' -inD '" +
         sourcePath("examples/ubiquitin-nh-bicelle.tab") + "' ";
}

std::array<double, 5> saupeOf(const FitReport& r) {
  return {r.saupe[0], r.saupe[1], r.saupe[2], r.saupe[3], r.saupe[4]};
}

// Distance between two Saupe vectors relative to the norm of the first.
double relativeDiff(const std::array<double, 5>& ref, const std::array<double, 5>& got) {
  float g[5];
  for (int k = 0; k < 5; k++) g[k] = static_cast<float>(got[k]);
  return normDiff(ref, g) / norm(ref);
}

// The tensor that the printed Da, Dr and first angle triple describe, by the reference formula.
std::array<double, 5> describedSaupe(const FitReport& r) {
  return saupeVector(saupeMatrix({r.da, r.dr, r.angles[0], r.angles[1], r.angles[2]}));
}

std::string fmt(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// The measured ubiquitin N-H couplings, fitted by the real program: the nonlinear modes describe
// the tensor of the order-matrix fit. Da, Dr and the angles may be another equivalent description,
// so each mode is checked through the Saupe matrix its printed parameters describe.
TEST(FitDCAlignRun, UbiquitinModesAgreeWithSvd) {
  const testing::cmdResult svdRun = testing::runKorvaCmd(ubiquitinArgs());
  ASSERT_EQ(svdRun.status, 0) << svdRun.err;
  const FitReport svd = parseReport(svdRun.out);
  const auto ref = saupeOf(svd);
  ASSERT_GT(norm(ref), 0.0);
  ASSERT_EQ(svd.predicted.size(), 63u);
  // The SVD's own Da, Dr and angles describe its Saupe vector (a check of the reference formula).
  EXPECT_LT(relativeDiff(ref, describedSaupe(svd)), 1e-3);

  const std::string daDr = "-da " + fmt("%.6e", svd.da) + " -dr " + fmt("%.6e", svd.dr) + " ";
  const std::string angles = "-psi " + fmt("%.2f", svd.angles[0]) + " -theta " +
                             fmt("%.2f", svd.angles[1]) + " -phi " + fmt("%.2f", svd.angles[2]);
  const struct {
    const char* name;
    std::string options;
  } modes[] = {
      {"nofixed", "-nofixed"}, {"dadr", "-dadr " + daDr}, {"fixed", "-fixed " + daDr + angles}};
  for (const auto& mode : modes) {
    const testing::cmdResult run = testing::runKorvaCmd(ubiquitinArgs() + mode.options);
    ASSERT_EQ(run.status, 0) << mode.name << ": " << run.err;
    const FitReport nl = parseReport(run.out);
    EXPECT_LT(relativeDiff(ref, saupeOf(nl)), 0.005) << mode.name;
    EXPECT_NEAR(nl.q, svd.q, 0.002) << mode.name;
    EXPECT_LT(relativeDiff(ref, describedSaupe(nl)), 0.005) << mode.name;
    ASSERT_EQ(nl.predicted.size(), svd.predicted.size()) << mode.name;
  }

  // FIXED predicts from the printed tensor: angles rounded to 0.005 degrees (8.7e-5 rad) move a
  // coupling by at most about 3 x 2 x |DI| |S| x 8.7e-5 = 3 x 2 x 21523 x 1.1e-3 x 8.7e-5 Hz,
  // i.e. 0.012 Hz.
  const testing::cmdResult fixedRun =
      testing::runKorvaCmd(ubiquitinArgs() + "-fixed " + daDr + angles);
  const FitReport fixed = parseReport(fixedRun.out);
  ASSERT_EQ(fixed.predicted.size(), svd.predicted.size());
  for (size_t i = 0; i < svd.predicted.size(); i++) {
    EXPECT_NEAR(fixed.predicted[i], svd.predicted[i], 0.02) << "coupling " << i;
  }
}

// Two couplings cannot carry three angles: one error line and a failed run, not a report.
TEST(FitDCAlignRun, TooFewCouplingsFailTheRun) {
  const std::string dir = testing::makeTempDir();
  testing::writeFileText(dir + "/two.tab",
                         "VARS   RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                         "FORMAT %5d %6s %6s %5d %6s %6s %9.3f %9.3f %.2f\n\n"
                         "    2    GLN      N     2    GLN      H    -8.170     1.000 1.00\n"
                         "    3    ILE      N     3    ILE      H     8.271     1.000 1.00\n");
  const testing::cmdResult run = testing::runKorvaCmd(
      "-bestFit -dadr -pdb '" + testing::sourcePath("examples/ubiquitin-2mjb.pdb") +
          "' -inD two.tab",
      "", dir);
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("VANTRO Error (DC Fit) 2 couplings are too few for 3 free parameters.\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out.find("DATA SAUPE"), std::string::npos);
}

}  // namespace
}  // namespace korva
