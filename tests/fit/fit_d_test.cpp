// The SVD best fit and the prediction from a given Saupe vector on hand-built coupling tables.
#include "fit/fit_d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/reference.h"

namespace korva {
namespace {

constexpr float kDI = -21000.0f;

struct pairSpec {
  const char* resName;
  const char* nameI;
  const char* nameJ;
  float xI, yI, zI;  // atom I
  float ux, uy, uz;  // atom J - atom I
};

// The basis of the linear form: a coupling along unit vector c is |DI| a(c).s.
std::vector<double> basis(double x, double y, double z) {
  const double r = std::sqrt(x * x + y * y + z * z);
  std::vector<double> a(5);
  testing::basisRow(x / r, y / r, z / r, a.data());
  return a;
}

double dot5(const std::vector<double>& a, const float s[5]) {
  double t = 0.0;
  for (int k = 0; k < 5; k++) t += a[k] * s[k];
  return t;
}

// One residue per pair (numbered 1, 2, ...), written to a PDB file and read back.
struct fixture {
  testing::TempDir dir;
  pdbInfo pdb;
  dTab tab;
  dTensor tensor;
  fitWorkspace ws;

  int fit() { return fitD(&pdb, &tab, &tensor, &ws, 0, nullLog()); }

  explicit fixture(const std::vector<pairSpec>& pairs) {
    std::string text;
    char line[128];
    int serial = 1;
    for (size_t i = 0; i < pairs.size(); i++) {
      const pairSpec& p = pairs[i];
      const int res = static_cast<int>(i) + 1;
      std::snprintf(line, sizeof line, "ATOM  %5d  %-3s %3s A%4d    %8.3f%8.3f%8.3f\n", serial++,
                    p.nameI, p.resName, res, p.xI, p.yI, p.zI);
      text += line;
      std::snprintf(line, sizeof line, "ATOM  %5d  %-3s %3s A%4d    %8.3f%8.3f%8.3f\n", serial++,
                    p.nameJ, p.resName, res, p.xI + p.ux, p.yI + p.uy, p.zI + p.uz);
      text += line;
    }
    EXPECT_EQ(readPDB(dir.write("t.pdb", text).c_str(), &pdb, nullptr, nullLog()), 0);
    tab.n = static_cast<int>(pairs.size());
    tab.in.resize(pairs.size());
    tab.work.resize(pairs.size());
    resetDC(tab.in.data(), tab.n);
    resetDC(tab.work.data(), tab.n);
    dTensorNull(&tensor);
    tensor.eulerFlag = 0;
    for (size_t i = 0; i < pairs.size(); i++) {
      dcRecord& w = tab.work[i];
      const int res = static_cast<int>(i) + 1;
      w.selected = 1;
      w.resI = w.resJ = res;
      pdbStrCpy(w.atomNameI, pairs[i].nameI);
      pdbStrCpy(w.atomNameJ, pairs[i].nameJ);
      w.atomI = findAtom(&pdb, res, pairs[i].nameI, pdb.defChain, pdb.defSeg);
      w.atomJ = findAtom(&pdb, res, pairs[i].nameJ, pdb.defChain, pdb.defSeg);
      w.DI = tab.in[i].DI = kDI;
      w.W = tab.in[i].W = 1.0f;
      tab.in[i].DD = 0.0f;
    }
  }
};

// Five independent directions (z, x, xy, xz, yz) and a sixth one, all from the origin.
std::vector<pairSpec> sixPairs() {
  const float h = 0.70710678f;
  return {{"ALA", "N", "H", 0, 0, 0, 0, 0, 1}, {"ALA", "N", "H", 5, 0, 0, 1, 0, 0},
          {"ALA", "N", "H", 0, 5, 0, h, h, 0}, {"ALA", "N", "H", 0, 0, 5, h, 0, h},
          {"ALA", "N", "H", 5, 5, 0, 0, h, h}, {"ALA", "N", "H", 5, 0, 5, 0.48f, 0.64f, 0.6f}};
}

const float kTrueSaupe[5] = {2e-3f, 6e-4f, 1e-4f, -3e-4f, 5e-4f};

// Observed values generated from kTrueSaupe with the closed-form basis.
void setExactCouplings(fixture* f, const std::vector<pairSpec>& pairs) {
  for (size_t i = 0; i < pairs.size(); i++) {
    f->tab.in[i].D = static_cast<float>(
        std::fabs(kDI) * dot5(basis(pairs[i].ux, pairs[i].uy, pairs[i].uz), kTrueSaupe));
  }
}

// Couplings generated from one tensor give it back and are predicted as observed; a coupling of
// weight 0 takes no part (its absurd value would wreck the fit) and gets no prediction, while the
// one after it does.
TEST(FitDSVD, ConsistentCouplingsReproduceTheTensorAndZeroWeightTakesNoPart) {
  auto pairs = sixPairs();
  fixture f(pairs);
  setExactCouplings(&f, pairs);
  f.tab.in[2].D = 500.0f;
  f.tab.work[2].W = 0.0f;
  EXPECT_EQ(countFitDC(&f.tab), 5);
  EXPECT_EQ(f.fit(), 5);
  for (int k = 0; k < 5; k++) EXPECT_NEAR(f.tensor.saupe[k], kTrueSaupe[k], 2e-7) << k;
  for (int i = 0; i < 6; i++) {
    EXPECT_NEAR(f.tab.work[i].D, i == 2 ? kDCUnset : f.tab.in[i].D, 5e-3) << i;
  }
}

TEST(FitDSVD, GivenSaupeIsUsedUnchangedWithUnitErrors) {
  auto pairs = sixPairs();
  fixture f(pairs);
  const float given[5] = {1e-3f, -4e-4f, 2e-4f, 3e-4f, -1e-4f};
  f.tensor.tensorMode = kTensorSaupe;
  for (int k = 0; k < 5; k++) f.tensor.saupeIn[k] = given[k];
  EXPECT_EQ(f.fit(), 6);
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(f.tensor.saupe[k], given[k]);
    EXPECT_EQ(f.tensor.saupeErr[k], 1.0f);
  }
  for (int i = 0; i < 6; i++) {
    const auto a = basis(pairs[i].ux, pairs[i].uy, pairs[i].uz);
    double norm2 = 0.0;
    for (double v : a) norm2 += v * v;
    EXPECT_NEAR(f.tab.work[i].D, 21000.0 * dot5(a, given), 1e-3) << i;
    EXPECT_NEAR(f.tab.work[i].DD, 21000.0 * std::sqrt(norm2), 1e-2) << i;
  }
}

// The nonlinear modes go to the nonlinear fit, which predicts all six couplings silently.
TEST(FitDSVD, NonlinearModesReachTheNonlinearFit) {
  fixture f(sixPairs());
  for (int mode : {kTensorNoFixed, kTensorDaDr, kTensorFixed}) {
    f.tensor.tensorMode = mode;
    f.tab.work[0].D = kDCUnset;
    TextLog log;
    EXPECT_EQ(fitD(&f.pdb, &f.tab, &f.tensor, &f.ws, 0, log), 6);
    EXPECT_EQ(log.text(), "");
    EXPECT_NE(f.tab.work[0].D, kDCUnset);
    EXPECT_EQ(isNonlinearTensorMode(mode), 1);
  }
  EXPECT_EQ(isNonlinearTensorMode(kTensorSteric), 0);
  EXPECT_EQ(fitD(&f.pdb, nullptr, &f.tensor, &f.ws, 0, nullLog()), 0);
  f.tensor.tensorMode = 99;
  TextLog log;
  EXPECT_EQ(fitD(&f.pdb, &f.tab, &f.tensor, &f.ws, 0, log), 0);
  EXPECT_EQ(log.text(), "KORVA: unknown tensor mode 99.\n");
}

// Glycine couplings: residue 1 is a glycine of the structure with CA at the origin, HA1 along z
// and HA2 along x; residue 2 an alanine with HA along z and CB along x. With s = (2e-3, 6e-4, 0,
// 0, 0) the z pair gives a.s = 2e-3 and the x pair -1/2 2e-3 + 1/2 6e-4 = -7e-4; with unit
// errors the uncertainties are |DI| * 1 and |DI| * sqrt(1/4 + 1/4).
TEST(FitDSVD, GlycinePairsFollowTheSumRule) {
  const float di = 43000.0f;
  struct {
    int inFlag, workFlag, res;
    bool dropHA2;
    int selected;
    double d, dd;
  } cases[] = {
      {1, 1, 1, false, 1, di * (2e-3 - 7e-4), di * (1.0 + std::sqrt(0.5)) / 2},  // sum, mean
      {0, 1, 1, false, 1, di * -7e-4, di * std::sqrt(0.5)},                      // second pair
      {1, 0, 2, false, 1, di * (2e-3 - 7e-4), di * (1.0 + std::sqrt(0.5)) / 2},  // HA and CB
      {1, 1, 1, true, 0, 0.0, 0.0},  // HA2 missing: deselected
  };
  for (const auto& c : cases) {
    std::vector<pairSpec> pairs = {{"GLY", "CA", "HA1", 0, 0, 0, 0, 0, 1.09f},
                                   {"ALA", "CA", "HA", 10, 0, 0, 0, 0, 1.09f}};
    fixture f(pairs);
    // Add the second proton (or CB) of each residue by re-reading a longer file.
    std::string text = testing::readFile(f.dir.path("t.pdb"));
    if (!c.dropHA2) text += "ATOM     10  HA2 GLY A   1       1.090   0.000   0.000\n";
    text += "ATOM     11  CB  ALA A   2      11.530   0.000   0.000\n";
    ASSERT_EQ(readPDB(f.dir.write("g.pdb", text).c_str(), &f.pdb, nullptr, nullLog()), 0);
    f.tab.n = 1;
    f.tab.in.resize(1);
    f.tab.work.resize(1);
    dcRecord& w = f.tab.work[0];
    w.resI = w.resJ = c.res;
    w.atomI = w.atomJ = nullptr;
    w.DI = di;
    w.glyFlag = c.workFlag;
    f.tab.in[0].glyFlag = c.inFlag;
    f.tensor.tensorMode = kTensorSaupe;
    const float s[5] = {2e-3f, 6e-4f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 5; k++) f.tensor.saupeIn[k] = s[k];
    EXPECT_EQ(f.fit(), c.selected);
    EXPECT_EQ(w.selected, c.selected);
    if (c.selected) {
      EXPECT_NEAR(w.D, c.d, 1e-3);
      EXPECT_NEAR(w.DD, c.dd, 1e-2);
    }
  }
}

// The bundled example: 63 amide N-H couplings of ubiquitin. The expected Saupe vector and Q come
// from an independent double-precision least-squares fit (normal equations, Gaussian
// elimination) written in plain python3 from the PDB coordinates and the table: rows
// (1/2(3cz^2-1), 1/2(cx^2-cy^2), 2cxcy, 2cxcz, 2cycz) for the N->H unit vectors, right side
// D/|DI| with |DI| = 267519808 * 27116000 * 3.3568089714136606e-12 / 1.042^3 = 21523.11 Hz, all
// DD = 1 so the weights are equal; Q = sqrt(sum (obs - calc)^2 / sum obs^2).
TEST(FitDSVD, UbiquitinFitAgreesWithIndependentLeastSquares) {
  pdbInfo pdb;
  dTab tab;
  ASSERT_EQ(
      readPDB(testing::sourcePath("examples/ubiquitin-2mjb.pdb").c_str(), &pdb, nullptr, nullLog()),
      0);
  ASSERT_EQ(
      readDC(testing::sourcePath("examples/ubiquitin-nh-bicelle.tab").c_str(), &tab, nullLog()), 0);
  mapDCInfo(&pdb, &tab);
  selectD(tab.in.data(), tab.n, tab.firstRes, tab.lastRes, 3);
  ASSERT_EQ(buildDC(&pdb, &tab, 0, tab.firstRes, nullptr, 0, nullLog()), 63);
  dTensor tensor;
  dTensorNull(&tensor);
  fitWorkspace ws;
  EXPECT_EQ(fitD(&pdb, &tab, &tensor, &ws, 0, nullLog()), 63);
  const double expected[5] = {4.229319e-04, 3.580662e-04, 5.330447e-04, -1.549725e-04,
                              3.159457e-04};
  for (int k = 0; k < 5; k++) EXPECT_NEAR(tensor.saupe[k], expected[k], 2e-8) << k;
  double sumD2 = 0.0, sumObs2 = 0.0;
  for (int i = 0; i < tab.n; i++) {
    const double diff = tab.in[i].D - tab.work[i].D;
    sumD2 += diff * diff;
    sumObs2 += static_cast<double>(tab.in[i].D) * tab.in[i].D;
  }
  EXPECT_NEAR(std::sqrt(sumD2 / sumObs2), 0.0451907, 1e-4);
  EXPECT_NEAR(std::sqrt(sumD2 / 63), 0.3696458, 1e-3);
  // The analysis of the fitted tensor is stored with it (Da, Dr and two angle solutions).
  EXPECT_EQ(tensor.nEuler, 2);
  // Predictions for the given vector (4e-4, 3e-4, 5e-4, -2e-4, 3e-4) of residues 2 and 3,
  // computed in python3 as |DI| a.s from the PDB coordinates: -7.9474 and 6.8477 Hz.
  tensor.tensorMode = kTensorSaupe;
  const float given[5] = {4e-4f, 3e-4f, 5e-4f, -2e-4f, 3e-4f};
  for (int k = 0; k < 5; k++) tensor.saupeIn[k] = given[k];
  EXPECT_EQ(fitD(&pdb, &tab, &tensor, &ws, 0, nullLog()), 63);
  EXPECT_NEAR(tab.work[0].D, -7.9474, 1e-4);
  EXPECT_NEAR(tab.work[1].D, 6.8477, 1e-4);
}

}  // namespace
}  // namespace korva
