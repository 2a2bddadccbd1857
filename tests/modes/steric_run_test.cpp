// The steric mode on the bundled ubiquitin: the checked report of the real program, the atoms
// that take part, the medium, the configuration file, refusals and the rotated structure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "modes/modes.h"
#include "support/run_korva.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

using korva::testing::makeTempDir;
using korva::testing::readFileText;
using korva::testing::setField;
using korva::testing::sourcePath;

const std::string kPdb = sourcePath("examples/ubiquitin-2mjb.pdb");
const std::string kTab = sourcePath("examples/ubiquitin-nh-bicelle.tab");

// Steric parameters on the bundled example, the report going to a scratch file.
runParams steric(const std::string& pdb = kPdb) {
  runParams p;
  p.info.mode = kModeSteric;
  setField(p.pdb, pdb);
  setField(p.inD, kTab);
  setField(p.outD, makeTempDir() + "/report.tab");
  return p;
}

int run(runParams& p, Log& log = nullLog()) {
  ::testing::internal::CaptureStdout();
  const int status = runStructureSequence(p, log);
  ::testing::internal::GetCapturedStdout();
  return status;
}

// Guards the whole default report against regressions. Checked by hand once: eigenvalues sum to
// zero (3.0348e-04 + 9.0282e-04 - 1.2063e-03), Da = Azz/2 = -6.0315e-04 and Dr = (Axx - Ayy)/3
// = -1.9978e-04 agree with the printed Da and Dr, Szz = 5.8949e-04 lies between the smallest and
// largest eigenvalue, and the row of residue 2 has D_DIFF = D_OBS - D (-8.17 + 15.6658 = 7.4958).
TEST(StericRun, GoldenUbiquitinReport) {
  const std::string dir = makeTempDir();
  const auto r =
      testing::runKorvaCmd("-pdb '" + kPdb + "' -inD '" + kTab + "' -outD report.tab", "", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFileText(dir + "/report.tab"),
            readFileText(sourcePath("tests/golden/steric_ubiquitin.tab")));
  EXPECT_EQ(r.out, "REMARK 63 couplings selected (inclusive max).\n");
  EXPECT_NE(r.err.find("ubiquitin-2mjb.pdb, 1231 Atoms, Residues 1 to 76.\n"), std::string::npos);
}

// The structure has 1231 atoms of which 629 are hydrogens (names H* or [1-3]H*, counted with a
// script over the file): -nosurf simulates the 602 heavy atoms, -nosurf -H all 1231, and the
// surface step keeps fewer than the heavy atoms; a selection outside the structure leaves none.
TEST(StericRun, SurfaceHydrogenAndSelectionOptionsSetTheAtoms) {
  const struct {
    int surf, useH, firstRes;
    const char* line;
    int status;
  } cases[] = {{0, 0, 0, "REMARK 602 atoms selected for simulation.\n", 0},
               {0, 1, 0, "REMARK 1231 atoms selected for simulation.\n", 0},
               {1, 0, 0, " atoms selected for simulation.\n", 0},
               {1, 0, 1000, "KORVA: error - zero atoms selected for simulation!\n", 1},
               {0, 0, 1000, "KORVA: error - zero atoms selected for simulation!\n", 1}};
  for (const auto& c : cases) {
    runParams p = steric();
    p.info.surf = c.surf;
    p.info.useH = c.useH;
    if (c.firstRes != 0) {
      p.select.mode = kSelCriteria;
      p.select.firstRes = p.select.lastRes = c.firstRes;
    }
    TextLog log;
    EXPECT_EQ(run(p, log), c.status);
    const size_t at = log.text().find(c.line);
    ASSERT_NE(at, std::string::npos) << log.text();
    if (c.surf && c.status == 0) {  // the surface atoms are some of the heavy atoms
      const int n = std::atoi(log.text().c_str() + log.text().rfind("REMARK ", at) + 7);
      EXPECT_GT(n, 0);
      EXPECT_LT(n, 602);
    }
  }
}

// In the wall model the grid of positions does not depend on the concentration; only the
// normaliser does, trunc((h - pos[npos]) / g) plus the free positions, with the wall half-spacing
// h = rM / (c - 453.51 * 5e-6) shrinking by 0.0977324 / 0.0477324 = 2.048 from -wv 0.05 to 0.1.
// So every element grows by one common factor, somewhat above 2.048 since the molecule's reach
// is subtracted from h. The rod model gives another tensor.
TEST(StericRun, ConcentrationAndMedium) {
  runParams a = steric(), b = steric(), rod = steric();
  b.info.wv = 0.1f;
  rod.info.lcModel = kModelRod;
  rod.info.rM = 33.5f;
  ASSERT_EQ(run(a), 0);
  ASSERT_EQ(run(b), 0);
  ASSERT_EQ(run(rod), 0);
  const double ratio = b.tensor.saupe[0] / a.tensor.saupe[0];
  EXPECT_GT(ratio, 2.048);
  EXPECT_LT(ratio, 2.5);
  for (int m = 0; m < 5; ++m) {
    EXPECT_NEAR(b.tensor.saupe[m] / a.tensor.saupe[m], ratio, 1e-6 * ratio) << m;
    EXPECT_NE(rod.tensor.saupe[m], a.tensor.saupe[m]) << m;
  }
}

// The configuration file: a valid file (Pmax and an int key given as 2.9) and one with an
// unknown key run through; an empty line or a missing file end the run with status 1.
TEST(StericRun, ConfigurationFileAndBadOptions) {
  const std::string dir = makeTempDir();
  testing::writeFileText(dir + "/good.inp", "Pmax: 12.5\nENSEMBLE_DENSITY: 2.9\n");
  testing::writeFileText(dir + "/blank.inp", "Pmax: 12.5\n\nBETA_H: 20\n");
  const struct {
    std::string file;
    int dot, digPsi;
    float dGrid;
    int status;
    std::string line;
  } cases[] = {
      {"good.inp", 100, 18, 0.2f, 0, ""},
      {"blank.inp", 100, 18, 0.2f, 1, "Error reading configuration file " + dir + "/blank.inp\n"},
      {"missing.inp", 100, 18, 0.2f, 1, "readConfig File open error: " + dir + "/missing.inp.\n"},
      {"", 2, 18, 0.2f, 1, "KORVA: error - -dot must be at least 3.\n"},
      {"", 100, 0, 0.2f, 1, "KORVA: error - -digPsi must be at least 1.\n"},
      {"", 100, 18, 0.0f, 1, "KORVA: error - -dGrid must be greater than 0.\n"},
  };
  for (const auto& c : cases) {
    runParams p = steric();
    if (!c.file.empty()) setField(p.inp, dir + "/" + c.file);
    p.info.dot = c.dot;
    p.info.digPsi = c.digPsi;
    p.info.dGrid = c.dGrid;
    TextLog log;
    EXPECT_EQ(run(p, log), c.status) << c.file << log.text();
    EXPECT_NE(log.text().find(c.line), std::string::npos) << log.text();
    if (c.status != 0) {
      EXPECT_EQ(log.text().find("atoms selected for simulation"), std::string::npos);
    }
    if (c.file == "good.inp") {
      EXPECT_EQ(p.info.grid.pMax, 12.5f);
    }
  }
}

// The structure written with -pdbRot lies in the principal frame of the predicted tensor: the
// order matrix is invariant under a rigid rotation of the molecule up to the discretisation of
// orientations and grid, so a second prediction on the written structure must be diagonal to
// within that noise (here 1 % of Szz), and its Szz must match the eigenvalue of largest
// magnitude of the first prediction.
TEST(StericRun, RotatedStructureLiesInThePrincipalFrame) {
  const std::string dir = makeTempDir();
  runParams first = steric();
  setField(first.pdbRot, dir + "/rot.pdb");
  ASSERT_EQ(run(first), 0);
  const double s[5] = {first.tensor.saupe[0], first.tensor.saupe[1], first.tensor.saupe[2],
                       first.tensor.saupe[3], first.tensor.saupe[4]};
  saupeAnalysis a;
  ASSERT_TRUE(analyzeSaupe(s, true, &a).ok());
  runParams second = steric(dir + "/rot.pdb");
  TextLog log;
  ASSERT_EQ(run(second, log), 0);
  EXPECT_NE(log.text().find("rot.pdb, 1231 Atoms"), std::string::npos) << log.text();
  const double szz = second.tensor.saupe[0];
  for (int k = 2; k < 5; ++k) EXPECT_LT(std::fabs(second.tensor.saupe[k]), 0.01 * std::fabs(szz));
  EXPECT_NEAR(szz, a.eigVal[0], 0.02 * std::fabs(a.eigVal[0]));
}

}  // namespace
}  // namespace korva
