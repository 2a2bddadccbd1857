// The steric mode on the bundled ubiquitin: the checked report of the real program, the atoms
// that take part, the medium, the configuration file, refusals and the rotated structure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "modes/modes.h"
#include "support/files.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

using korva::testing::makeTempDir;
using korva::testing::readFile;
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
  EXPECT_EQ(readFile(dir + "/report.tab"),
            readFile(sourcePath("tests/golden/steric_ubiquitin.tab")));
  EXPECT_EQ(r.out, "REMARK 63 couplings selected (inclusive max).\n");
  EXPECT_NE(r.err.find("ubiquitin-2mjb.pdb, 1231 Atoms, Residues 1 to 76.\n"), std::string::npos);
}

// A concentrated medium: at -wv 0.48 the wall half-spacing (41.86 A) lies inside the table of
// positions, so the count of further free positions is negative; the normaliser (that count plus
// the mean number of free positions per orientation) stays positive and the tensor finite.
TEST(StericRun, ConcentratedWallMediumStillGivesATensor) {
  runParams p = steric();
  p.info.wv = 0.48f;
  TextLog log;
  ASSERT_EQ(run(p, log), 0) << log.text();
  const std::string report = readFile(p.outD);
  const size_t at = report.find("DATA SAUPE");
  ASSERT_NE(at, std::string::npos);
  double s[5];
  ASSERT_EQ(std::sscanf(report.c_str() + at, "DATA SAUPE %lf %lf %lf %lf %lf", &s[0], &s[1], &s[2],
                        &s[3], &s[4]),
            5);
  for (double v : s) EXPECT_TRUE(std::isfinite(v) && v != 0.0);
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
