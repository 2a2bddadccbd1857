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
using korva::testing::TempDir;

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
  EXPECT_EQ(r.err.find('\r'), std::string::npos);  // progress is drawn on a terminal only
  const auto excl = testing::runKorvaCmd(
      "-pdb '" + kPdb + "' -inD '" + kTab + "' -excl -s1 10 -sN 20 -outD excl.tab", "", dir);
  EXPECT_EQ(excl.status, 0) << excl.err;
  EXPECT_NE(excl.out.find(" (exclusive).\n"), std::string::npos) << excl.out;
  // A medium without potential is the steric one, whatever its Debye length.
  const auto neutral = testing::runKorvaCmd(
      "-pdb '" + kPdb + "' -inD '" + kTab + "' -outD neutral.tab -surfPot 0 -debye 5", "", dir);
  ASSERT_EQ(neutral.status, 0) << neutral.err;
  EXPECT_EQ(readFile(dir + "/neutral.tab"), readFile(dir + "/report.tab"));
}

// The number after the first line that starts with key in a report, or NAN.
double reportValue(const std::string& report, const std::string& key) {
  const size_t at = report.find("\n" + key);
  return at == std::string::npos ? NAN : std::atof(report.c_str() + at + 1 + key.size());
}

// Ubiquitin in its charged media, with the figures asked of the model (an independent numpy
// computation found R 0.92 in Pf1 and 0.98 in squalamine, the fitted potentials of the media's
// signs, and the neutral medium A best near 0); a fraction near 1 carries the caution.
TEST(StericRun, ChargedMediaPredictTheirMeasuredCouplings) {
  const struct {
    const char* args;
    const char* table;
    const char* key;
    double lo, hi;
    bool caution;
  } cases[] = {
      {"-pf1 -elec", "ubiquitin-nh-pf1.tab", "DATA CORR R", 0.90, 1.0, false},
      {"-pf1 -elec", "ubiquitin-caha-pf1.tab", "DATA CORR R", 0.90, 1.0, false},
      {"-surfPot 4.25", "ubiquitin-nh-squalamine.tab", "DATA CORR R", 0.95, 1.0, false},
      {"-pf1 -fitPot", "ubiquitin-nh-pf1.tab", "DATA KORVA FIT_POTENTIAL", -10.0, -1.0, false},
      // Squalamine's R rises on a plateau up to the end of the range, where the fraction is 1.
      {"-fitPot", "ubiquitin-nh-squalamine.tab", "DATA KORVA FIT_POTENTIAL", 1.0, 10.0, true},
      {"-fitPot", "ubiquitin-nh-bicelle.tab", "DATA KORVA FIT_POTENTIAL", -0.5, 0.5, false},
      {"-pf1 -surfPot -8", "ubiquitin-nh-pf1.tab", "DATA KORVA ELEC_FRACTION", 0.9, 1.0, true},
  };
  for (const auto& c : cases) {
    const auto r =
        testing::runKorvaCmd("-pdb '" + kPdb + "' -inD '" +
                             sourcePath(std::string("examples/") + c.table) + "' " + c.args);
    ASSERT_EQ(r.status, 0) << c.args << r.err;
    const double v = reportValue(r.out, c.key);
    EXPECT_TRUE(v >= c.lo && v <= c.hi) << c.args << " " << c.table << ": " << c.key << " " << v;
    EXPECT_EQ(r.out.find("REMARK Caution:") != std::string::npos, c.caution) << c.args;
  }
}

// A charge file that cannot be read or names an atom the structure lacks ends the run with its
// line and status 1, before any simulation.
TEST(StericRun, BadChargeFileEndsTheRun) {
  TempDir dir;
  const std::string bad =
      dir.write("q.tab", "VARS RESID ATOMNAME CHARGE\nFORMAT %d %s %f\n6 XX 1\n");
  const struct {
    std::string file, line;
  } cases[] = {
      {"/nonexistent/q.tab", "Charges Error: cannot read the charge file /nonexistent/q.tab.\n"},
      {bad, "Charges Error: no atom XX in residue 6 of the structure"},
  };
  for (const auto& c : cases) {
    const auto r = testing::runKorvaCmd("-pdb '" + kPdb + "' -pf1 -elec -charges '" + c.file + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.line), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("atoms selected for simulation"), std::string::npos);
  }
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
