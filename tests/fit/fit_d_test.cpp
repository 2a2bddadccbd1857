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

constexpr float kDI = -21000.0f;  // the glycine pairs take their own

// One coupling between atoms nameI at p and nameJ at p + u of residue res.
struct pairSpec {
  const char* resName;
  const char* nameI;
  const char* nameJ;
  float p[3], u[3];
};

// The basis of the linear form: a coupling along u is |DI| a(u).s.
double predicted(const float u[3], const float s[5], double norm2[1] = nullptr) {
  const double r = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  double a[5], t = 0.0;
  testing::basisRow(u[0] / r, u[1] / r, u[2] / r, a);
  for (int k = 0; k < 5; k++) t += a[k] * s[k];
  if (norm2 != nullptr)
    norm2[0] = a[0] * a[0] + a[1] * a[1] + a[2] * a[2] + a[3] * a[3] + a[4] * a[4];
  return std::fabs(kDI) * t;
}

// A structure of one residue per pair (numbered from 1) plus extra atoms, indexed in memory, and
// the table of the pairs' couplings mapped onto it.
struct fixture {
  pdbInfo pdb;
  dTab tab;
  dTensor tensor;
  fitWorkspace ws;

  int fit() { return fitD(&pdb, &tab, &tensor, &ws, 0, nullLog()); }
  void atom(int res, const char* resName, const char* name, const float* xyz, const float* u) {
    pdbAtom a{};
    a.resId = res;
    pdbStrCpy(a.resName, resName);
    pdbStrCpy(a.atomName, name);
    a.x = xyz[0] + (u ? u[0] : 0.0f), a.y = xyz[1] + (u ? u[1] : 0.0f),
    a.z = xyz[2] + (u ? u[2] : 0.0f);
    pdb.atoms.push_back(a);
  }

  explicit fixture(const std::vector<pairSpec>& pairs, const std::vector<pairSpec>& extra = {}) {
    for (size_t i = 0; i < pairs.size(); i++) {
      atom(static_cast<int>(i) + 1, pairs[i].resName, pairs[i].nameI, pairs[i].p, nullptr);
      atom(static_cast<int>(i) + 1, pairs[i].resName, pairs[i].nameJ, pairs[i].p, pairs[i].u);
    }
    for (const pairSpec& e : extra) atom(e.p[0] == 0 ? 1 : 2, e.resName, e.nameI, e.p, e.u);
    for (hSymTab* t : {&pdb.atomTab, &pdb.resTab, &pdb.chainTab, &pdb.segTab}) {
      hSymTabAlloc(t, kAtomBuckets);  // indexPDB fills the tables that reading makes
    }
    EXPECT_EQ(indexPDB(&pdb, nullLog()), 0);
    tab.n = static_cast<int>(pairs.size());
    tab.in.resize(pairs.size());
    tab.work.resize(pairs.size());
    resetDC(tab.in.data(), tab.n);
    resetDC(tab.work.data(), tab.n);
    dTensorNull(&tensor);
    tensor.eulerFlag = 0;
    for (int i = 0; i < tab.n; i++) {
      dcRecord& w = tab.work[i];
      w.selected = 1;
      w.resI = w.resJ = i + 1;
      w.atomI = findAtom(&pdb, i + 1, pairs[i].nameI, "", "");
      w.atomJ = findAtom(&pdb, i + 1, pairs[i].nameJ, "", "");
      w.DI = tab.in[i].DI = kDI;
      tab.in[i].DD = 0.0f;
    }
  }
};

// Five independent directions (z, x, xy, xz, yz) and a sixth one.
std::vector<pairSpec> sixPairs() {
  const float h = 0.70710678f;
  return {
      {"ALA", "N", "H", {0, 0, 0}, {0, 0, 1}}, {"ALA", "N", "H", {5, 0, 0}, {1, 0, 0}},
      {"ALA", "N", "H", {0, 5, 0}, {h, h, 0}}, {"ALA", "N", "H", {0, 0, 5}, {h, 0, h}},
      {"ALA", "N", "H", {5, 5, 0}, {0, h, h}}, {"ALA", "N", "H", {5, 0, 5}, {0.48f, 0.64f, 0.6f}}};
}

// Couplings generated from one tensor give it back and are predicted as observed; a coupling of
// weight 0 takes no part (its absurd value would wreck the fit) and gets no prediction, while the
// one after it does. A given Saupe vector is used unchanged, with unit errors.
TEST(FitDSVD, FitOrGivenTensorPredictsTheCouplings) {
  const auto pairs = sixPairs();
  const float truth[5] = {2e-3f, 6e-4f, 1e-4f, -3e-4f, 5e-4f};
  fixture f(pairs);
  for (int i = 0; i < 6; i++) f.tab.in[i].D = static_cast<float>(predicted(pairs[i].u, truth));
  f.tab.in[2].D = 500.0f;
  f.tab.work[2].W = 0.0f;
  EXPECT_EQ(countFitDC(&f.tab), 5);
  EXPECT_EQ(f.fit(), 5);
  for (int k = 0; k < 5; k++) EXPECT_NEAR(f.tensor.saupe[k], truth[k], 2e-7) << k;
  for (int i = 0; i < 6; i++) {
    EXPECT_NEAR(f.tab.work[i].D, i == 2 ? kDCUnset : f.tab.in[i].D, 5e-3) << i;
  }
  const float given[5] = {1e-3f, -4e-4f, 2e-4f, 3e-4f, -1e-4f};
  f.tensor.tensorMode = kTensorSaupe;
  f.tab.work[2].W = 1.0f;
  for (int k = 0; k < 5; k++) f.tensor.saupeIn[k] = given[k];
  EXPECT_EQ(f.fit(), 6);
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(f.tensor.saupe[k], given[k]);
    EXPECT_EQ(f.tensor.saupeErr[k], 1.0f);
  }
  for (int i = 0; i < 6; i++) {
    double norm2 = 0.0;
    EXPECT_NEAR(f.tab.work[i].D, predicted(pairs[i].u, given, &norm2), 1e-3) << i;
    EXPECT_NEAR(f.tab.work[i].DD, std::fabs(kDI) * std::sqrt(norm2), 1e-2) << i;
  }
}

// A workspace told that only the observed values change decomposes the design at its first fit
// and solves later fits from it: couplings of a second tensor give that tensor back, exactly as a
// fresh fit does, and the coupling of weight 0 stays out.
TEST(FitDSVD, KeptDesignRefitsNewObservedValues) {
  const auto pairs = sixPairs();
  const float first[5] = {2e-3f, 6e-4f, 1e-4f, -3e-4f, 5e-4f};
  const float second[5] = {-1e-3f, 2e-4f, 7e-4f, 4e-4f, -6e-4f};
  fixture kept(pairs), fresh(pairs);
  kept.ws.keepDesign = 1;
  for (fixture* f : {&kept, &fresh}) {
    for (int i = 0; i < 6; i++) f->tab.in[i].DD = 0.5f + 0.25f * i;
    f->tab.work[2].W = 0.0f;
  }
  for (const float* truth : {first, second}) {
    for (fixture* f : {&kept, &fresh}) {
      for (int i = 0; i < 6; i++) f->tab.in[i].D = static_cast<float>(predicted(pairs[i].u, truth));
      f->tab.in[2].D = 500.0f;
    }
    fresh.ws = fitWorkspace{};
    EXPECT_EQ(kept.fit(), 5);
    EXPECT_EQ(fresh.fit(), 5);
    for (int k = 0; k < 5; k++) {
      EXPECT_NEAR(kept.tensor.saupe[k], truth[k], 2e-7) << k;
      EXPECT_EQ(kept.tensor.saupe[k], fresh.tensor.saupe[k]) << k;
      EXPECT_EQ(kept.tensor.saupeErr[k], fresh.tensor.saupeErr[k]) << k;
    }
    for (int i = 0; i < 6; i++) {
      EXPECT_EQ(kept.tab.work[i].D, fresh.tab.work[i].D) << i;
      EXPECT_EQ(kept.tab.work[i].DD, fresh.tab.work[i].DD) << i;
    }
  }
  EXPECT_EQ(kept.tab.work[2].D, kDCUnset);
}

// The nonlinear modes go to the nonlinear fit, which predicts all six couplings silently; an
// unknown mode predicts nothing.
TEST(FitDSVD, NonlinearModesReachTheNonlinearFit) {
  fixture f(sixPairs());
  for (int mode : {kTensorNoFixed, kTensorDaDr, kTensorFixed, 99}) {
    f.tensor.tensorMode = mode;
    f.tab.work[0].D = kDCUnset;
    TextLog log;
    EXPECT_EQ(fitD(&f.pdb, &f.tab, &f.tensor, &f.ws, 0, log), mode == 99 ? 0 : 6);
    EXPECT_EQ(log.text(), mode == 99 ? "KORVA: unknown tensor mode 99.\n" : "");
    EXPECT_EQ(f.tab.work[0].D != kDCUnset, mode != 99);
    EXPECT_EQ(isNonlinearTensorMode(mode), mode == 99 ? 0 : 1);
  }
}

// Glycine couplings: residue 1 is a glycine of the structure with CA at the origin, HA1 along z
// and HA2 along x; residue 2 an alanine with HA along z and CB along x. With s = (2e-3, 6e-4, 0,
// 0, 0) the z pair gives a.s = 2e-3 and the x pair -1/2 2e-3 + 1/2 6e-4 = -7e-4; with unit
// errors the uncertainties are |DI| * 1 and |DI| * sqrt(1/4 + 1/4).
TEST(FitDSVD, GlycinePairsFollowTheSumRule) {
  const double di = std::fabs(kDI), sum = di * (2e-3 - 7e-4), mean = di * (1 + std::sqrt(0.5)) / 2;
  const struct {
    int inFlag, workFlag, res;
    bool dropHA2;
    double d, dd;  // 0: deselected
  } cases[] = {
      {1, 1, 1, false, sum, mean},                        // the sum of the two pairs
      {0, 1, 1, false, di * -7e-4, di * std::sqrt(0.5)},  // the second pair alone
      {1, 0, 2, false, sum, mean},                        // HA and CB
      {1, 1, 1, true, 0.0, 0.0},                          // HA2 missing
  };
  for (const auto& c : cases) {
    std::vector<pairSpec> extra = {{"ALA", "CB", "", {10, 0, 0}, {1.53f, 0, 0}}};
    if (!c.dropHA2) extra.push_back({"GLY", "HA2", "", {0, 0, 0}, {1.09f, 0, 0}});
    fixture f({{"GLY", "CA", "HA1", {0, 0, 0}, {0, 0, 1.09f}},
               {"ALA", "CA", "HA", {10, 0, 0}, {0, 0, 1.09f}}},
              extra);
    f.tab.n = 1;
    dcRecord& w = f.tab.work[0];
    w.resI = w.resJ = c.res;
    w.atomI = w.atomJ = nullptr;
    w.glyFlag = c.workFlag;
    f.tab.in[0].glyFlag = c.inFlag;
    f.tensor.tensorMode = kTensorSaupe;
    const float s[5] = {2e-3f, 6e-4f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 5; k++) f.tensor.saupeIn[k] = s[k];
    EXPECT_EQ(f.fit(), c.d != 0.0 ? 1 : 0);
    EXPECT_EQ(w.selected, c.d != 0.0 ? 1 : 0);
    if (c.d != 0.0) {
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
