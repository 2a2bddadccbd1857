// The public library: the same numbers as the command line, errors as exceptions, and
// computations that run side by side in threads without meeting.
#include "korva/korva.h"

#include <gtest/gtest.h>

#include <cmath>

#include <cstdio>
#include <string>
#include <thread>

namespace korva {
namespace {

const std::string kDir = KORVA_SOURCE_DIR;
const std::string kPdb = kDir + "/examples/ubiquitin-2mjb.pdb";
const std::string kNH = kDir + "/examples/ubiquitin-nh-bicelle.tab";
const std::string kPf1 = kDir + "/tests/data/2mjb-rdc-pf1-n-h.tab";

// The DATA SAUPE line as the report prints the tensor.
std::string saupeLine(const Tensor& t) {
  char line[128];
  std::snprintf(line, sizeof line, "DATA SAUPE  % .4e % .4e % .4e % .4e % .4e", t.saupe[0],
                t.saupe[1], t.saupe[2], t.saupe[3], t.saupe[4]);
  return line;
}

// Expected lines are those of the command line's reports in tests/golden, which were checked
// against an independent computation when they were made.
TEST(Library, GivesTheCommandLineNumbers) {
  const Structure ubq = readStructure(kPdb);
  const std::vector<Coupling> nh = readCouplings(kNH);
  EXPECT_EQ(ubq.atomCount(), 1231);
  EXPECT_EQ(nh.size(), 63u);

  const Result steric = predict(ubq, nh);
  EXPECT_EQ(saupeLine(steric.tensor),
            "DATA SAUPE   5.8949e-04  4.5858e-04  5.5836e-04 -3.6119e-04  6.5250e-04");
  EXPECT_EQ(steric.simulatedAtoms, 104);
  EXPECT_NEAR(steric.statistics.r, 0.962, 5e-4);
  EXPECT_NEAR(steric.statistics.q, 0.482, 5e-4);

  const Result svd = fit(ubq, nh);
  EXPECT_EQ(saupeLine(svd.tensor),
            "DATA SAUPE   4.2293e-04  3.5807e-04  5.3304e-04 -1.5497e-04  3.1595e-04");
  EXPECT_NEAR(svd.statistics.q, 0.045, 5e-4);
  // Da of the analysis is (Azz - (Axx + Ayy) / 2) / 3, which for a traceless tensor is Azz / 2.
  EXPECT_NEAR(svd.tensor.eigenvalues[0] / 2.0, svd.tensor.da, 1e-12);

  // Couplings built without an index are numbered by their row, from 1.
  std::vector<Coupling> unnumbered = nh;
  for (Coupling& c : unnumbered) c.index = 0;
  const Result numbered = fit(ubq, unnumbered);
  EXPECT_EQ(numbered.couplings.front().coupling.index, 1);
  EXPECT_EQ(numbered.couplings.back().coupling.index, 63);
}

// Models are held apart: one chosen model gives the single-model numbers above; lists are chosen
// by name in every coupling format.
TEST(Library, ReadsModelsAndCouplingLists) {
  const std::string ensemble = kDir + "/examples/ubiquitin-2mjb-ensemble.pdb";
  EXPECT_EQ(readStructure(ensemble).modelCount(), 20);
  const Structure first = readStructure(ensemble, 1);
  EXPECT_EQ(first.modelCount(), 1);
  // An ensemble's prediction of each coupling, and its error, is the mean over its models'.
  const std::vector<Coupling> nh = readCouplings(kNH);
  const Result all = predict(readStructure(ensemble), nh);
  std::vector<double> d(all.couplings.size()), dd(all.couplings.size());
  for (int m = 1; m <= 20; m++) {
    const Result one = predict(readStructure(ensemble, m), nh);
    ASSERT_EQ(one.couplings.size(), d.size());
    for (size_t i = 0; i < d.size(); i++) {
      d[i] += one.couplings[i].predicted / 20.0;
      dd[i] += one.couplings[i].error / 20.0;
    }
  }
  for (size_t i = 0; i < d.size(); i++) {
    EXPECT_NEAR(all.couplings[i].predicted, d[i], 1e-5 * (1.0 + std::fabs(d[i]))) << i;
    EXPECT_NEAR(all.couplings[i].error, dd[i], 1e-5 * (1.0 + std::fabs(dd[i]))) << i;
  }
  EXPECT_EQ(saupeLine(fit(first, readCouplings(kNH)).tensor),
            "DATA SAUPE   4.2293e-04  3.5807e-04  5.3304e-04 -1.5497e-04  3.1595e-04");
  EXPECT_EQ(readCouplings(kDir + "/tests/data/2loy-rdc.mr", "900").size(), 99u);
  EXPECT_THROW(readStructure(ensemble, 21), error);
  EXPECT_THROW(readCouplings(kDir + "/tests/data/2loy-rdc.mr", "901"), error);
}

TEST(Library, ReportsBadInputAsErrors) {
  const struct {
    const char* what;
    std::string message;
  } cases[] = {
      {"structure", "PDB Error opening PDB file /nonexistent.pdb\n"},
      {"couplings", "RdTable File open error: /nonexistent.tab.\n"},
  };
  for (const auto& c : cases) {
    try {
      if (std::string(c.what) == "structure") {
        readStructure("/nonexistent.pdb");
      } else {
        readCouplings("/nonexistent.tab");
      }
      ADD_FAILURE() << c.what;
    } catch (const error& e) {
      EXPECT_EQ(e.what(), c.message);
      EXPECT_EQ(e.code(), 1);
    }
  }
  StericOptions bad;
  bad.orientations = 2;
  EXPECT_THROW(predict(readStructure(kPdb), {}, bad), error);
}

// The charged medium from the library: the Pf1 preset's figure asked of the model (R >= 0.90),
// the default charges given explicitly change no bit, and bad charges or lengths are errors.
TEST(Library, ChargedMediumFromOptions) {
  const Structure ubq = readStructure(kPdb);
  const std::vector<Coupling> pf1 = readCouplings(kPf1);
  StericOptions rod;
  rod.medium = Medium::rod;
  rod.surfacePotential = -4.5;
  const Result preset = predict(ubq, pf1, rod);
  EXPECT_GE(preset.statistics.r, 0.90);
  EXPECT_EQ(preset.surfacePotential, -4.5);
  EXPECT_GT(preset.electrostaticFraction, 0.0);
  EXPECT_LT(preset.electrostaticFraction, 0.9);
  const struct {
    const char *res, *atom;
    double q;
  } groups[] = {{"LYS", "NZ", 1},  {"ARG", "CZ", 1},     {"ASP", "CG", -1},
                {"GLU", "CD", -1}, {"HIS", "ND1", 0.05}, {"HIS", "NE2", 0.05}};
  StericOptions own = rod;
  for (const Atom& a : ubq.atoms()) {
    for (const auto& g : groups) {
      if (a.resName == g.res && a.name == g.atom)
        own.charges.push_back({a.resSeq, a.name, "", g.q});
    }
    if ((a.resSeq == 1 && a.name == "N") || (a.resSeq == 76 && a.name == "C")) {
      own.charges.push_back({a.resSeq, a.name, "", a.resSeq == 1 ? 1.0 : -1.0});
    }
  }
  ASSERT_EQ(own.charges.size(), 26u);
  EXPECT_EQ(predict(ubq, pf1, own).tensor.saupe, preset.tensor.saupe);
  own.charges[0].atom = "XX";
  StericOptions shortDebye = rod;
  shortDebye.debyeLength = 0.0;
  EXPECT_THROW(predict(ubq, pf1, own), error);
  try {
    (void)predict(ubq, pf1, shortDebye);
    ADD_FAILURE() << "a Debye length of 0 was taken";
  } catch (const error& e) {
    EXPECT_STREQ(e.what(), "VANTRO Error: -debye value 0 must be positive.\n");
  }
  EXPECT_THROW(predictFree({{0.0, 0.0, 0.0}}, rod), error);
}

// Two computations on different inputs in two threads give exactly what they give in sequence.
TEST(Library, ThreadsDoNotMeet) {
  const Structure ubq = readStructure(kPdb);
  const std::vector<Coupling> nh = readCouplings(kNH);
  const std::vector<Coupling> pf1 = readCouplings(kPf1);
  StericOptions rod;
  rod.medium = Medium::rod;
  FitOptions nofixed;
  nofixed.method = FitMethod::nofixed;

  const Result wallAlone = predict(ubq, nh);
  const Result rodAlone = predict(ubq, pf1, rod);
  const Result fitAlone = fit(ubq, pf1, nofixed);
  const ErrorMap mapAlone = errorMap(ubq, nh, 50);

  Result wall, rodResult, fitted;
  ErrorMap map;
  std::thread a([&] {
    wall = predict(ubq, nh);
    fitted = fit(ubq, pf1, nofixed);
  });
  std::thread b([&] {
    rodResult = predict(ubq, pf1, rod);
    map = errorMap(ubq, nh, 50);
  });
  a.join();
  b.join();
  EXPECT_EQ(wall.tensor.saupe, wallAlone.tensor.saupe);
  EXPECT_EQ(rodResult.tensor.saupe, rodAlone.tensor.saupe);
  EXPECT_EQ(fitted.tensor.saupe, fitAlone.tensor.saupe);
  EXPECT_EQ(map.saupeMean, mapAlone.saupeMean);
  EXPECT_EQ(map.axes, mapAlone.axes);
  EXPECT_NE(wall.tensor.saupe, rodResult.tensor.saupe);
}

}  // namespace
}  // namespace korva
