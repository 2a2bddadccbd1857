// One tensor for an ensemble: couplings that are the model average of a known tensor's
// predictions give that tensor back, and a given tensor predicts those averages.
#include "fit/ensemble_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "tables/coupling_input.h"

namespace korva {
namespace {

constexpr int kPairs = 7;
constexpr int kModels = 3;

// A traceless symmetric Saupe matrix from its five elements (Szz, Sxx-Syy, Sxy, Sxz, Syz).
void saupeMatrix(const double s[5], double m[3][3]) {
  const double sxx = 0.5 * (-s[0] + s[1]), syy = 0.5 * (-s[0] - s[1]);
  const double rows[3][3] = {{sxx, s[2], s[3]}, {s[2], syy, s[4]}, {s[3], s[4], s[0]}};
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) m[i][j] = rows[i][j];
  }
}

// Direction of the N-H bond of pair p in model m: spread over the sphere, turned a little per
// model, so that each model alone disagrees with the average.
void direction(int p, int m, double u[3]) {
  const double theta = 0.4 + 0.37 * p + 0.15 * m, phi = 1.1 * p - 0.5 * m * m;
  u[0] = std::sin(theta) * std::cos(phi);
  u[1] = std::sin(theta) * std::sin(phi);
  u[2] = std::cos(theta);
}

struct ensemble {
  modelSet set;
  dTab tab;
  float absDI = 0.0f;

  explicit ensemble(const double truth[5]) {
    tvector<atomModel> models;
    for (int m = 0; m < kModels; m++) {
      atomModel model{m + 1, {}};
      for (int p = 0; p < kPairs; p++) {
        double u[3];
        direction(p, m, u);
        for (const char* name : {"N", "H"}) {
          pdbAtom a{};
          a.resId = p + 1;
          pdbStrCpy(a.resName, "ALA");
          pdbStrCpy(a.atomName, name);
          const bool h = name[0] == 'H';
          a.x = static_cast<float>(4.0 * p + (h ? 1.01 * u[0] : 0.0));
          a.y = static_cast<float>(h ? 1.01 * u[1] : 0.0);
          a.z = static_cast<float>(h ? 1.01 * u[2] : 0.0);
          model.atoms.push_back(a);
        }
      }
      models.push_back(std::move(model));
    }
    EXPECT_TRUE(buildModelSet(std::move(models), 0, "test", &set, nullLog()).ok());
    couplingList list;
    for (int p = 0; p < kPairs; p++) {
      couplingEntry e{};
      e.resI = e.resJ = p + 1;
      pdbStrCpy(e.resNameI, "ALA");
      pdbStrCpy(e.resNameJ, "ALA");
      pdbStrCpy(e.atomNameI, "N");
      pdbStrCpy(e.atomNameJ, "H");
      e.DD = e.W = 1.0f;
      list.entries.push_back(e);
    }
    fillCouplingTable(list, &tab, nullLog());
    absDI = std::fabs(tab.in[0].DI);
    // The observed couplings: |DI| times the mean over models of u.S.u.
    double s[3][3];
    saupeMatrix(truth, s);
    for (int p = 0; p < kPairs; p++) {
      double mean = 0.0;
      for (int m = 0; m < kModels; m++) {
        double u[3];
        direction(p, m, u);
        for (int i = 0; i < 3; i++) {
          for (int j = 0; j < 3; j++) mean += u[i] * s[i][j] * u[j] / kModels;
        }
      }
      tab.in[static_cast<size_t>(p)].D = static_cast<float>(absDI * mean);
    }
    mapDCInfo(&set.models.front(), &tab);
    EXPECT_EQ(buildDC(&set.models.front(), &tab, 0, 1, nullptr, 0, nullLog()), kPairs);
  }
};

// The averaged design recovers the tensor in every mode that yields one; a given tensor predicts
// the model averages. Bond lengths of 1.01 A are not the tabulated N-H length, which DI uses.
TEST(EnsembleFit, AveragedCouplingsGiveTheTensorBack) {
  const double truth[5] = {8e-4, -3e-4, 2e-4, -5e-4, 4e-4};
  for (int mode : {kTensorSVD, kTensorSaupe, kTensorNoFixed}) {
    ensemble e(truth);
    dTensor t;
    dTensorNull(&t);
    t.tensorMode = mode;
    for (int k = 0; k < 5; k++) t.saupeIn[k] = static_cast<float>(truth[k]);
    if (mode == kTensorNoFixed) t.da = 5e-4f, t.dr = 1e-4f;
    fitWorkspace ws;
    EXPECT_EQ(fitDModels(e.set, &e.tab, &t, &ws, 0, nullLog()), kPairs) << mode;
    for (int k = 0; k < 5; k++) EXPECT_NEAR(t.saupe[k], truth[k], 2e-6) << mode << " " << k;
    for (int p = 0; p < kPairs; p++) {
      EXPECT_NEAR(e.tab.work[static_cast<size_t>(p)].D, e.tab.in[static_cast<size_t>(p)].D,
                  2e-4 * e.absDI)
          << mode << " " << p;
    }
  }
}

}  // namespace
}  // namespace korva
