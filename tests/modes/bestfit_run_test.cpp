// The best-fit mode (-bestFit) and the tensor comparison (-anA) run end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "support/run_korva.h"

namespace korva {
namespace {

using testing::runKorvaCmd;
using testing::sourcePath;

const std::string kExample = "-bestFit -pdb '" + sourcePath("examples/ubiquitin-2mjb.pdb") +
                             "' -inD '" + sourcePath("examples/ubiquitin-nh-bicelle.tab") + "'";

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The five values of the report's "DATA SAUPE " line.
bool readSaupeLine(const std::string& report, double s[5]) {
  const size_t p = report.find("\nDATA SAUPE  ");
  if (p == std::string::npos) return false;
  std::istringstream in(report.substr(p + 12));
  for (int k = 0; k < 5; k++) in >> s[k];
  return static_cast<bool>(in);
}

// Golden check, done once by hand: DATA SAUPE and Q equal the independent python3 least-squares
// fit of the fit tests (4.2293e-04 3.5807e-04 5.3304e-04 -1.5497e-04 3.1595e-04, Q 0.0452);
// the first three predictions -8.2645, 8.0075, 10.5370 equal |DI| a.s of the same python
// computation; the eigenvalues sum to 0; Da = Azz / 2 = -8.6730e-04 / 2; 63 rows.
TEST(BestFitRun, UbiquitinReportMatchesTheCheckedGolden) {
  auto r = runKorvaCmd(kExample);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, testing::readFileText(sourcePath("tests/golden/bestfit_ubiquitin.out")));
  EXPECT_EQ(r.out.rfind("REMARK 63 couplings selected (inclusive max).\n", 0), 0u);
  EXPECT_TRUE(has(r.err, "ubiquitin-2mjb.pdb, 1231 Atoms, Residues 1 to 76.\n"));
  EXPECT_TRUE(has(r.err, "ubiquitin-nh-bicelle.tab, 63 Couplings, Residues 2 to 70.\n"));
  EXPECT_TRUE(has(r.out, "DATA MERIDOVANT Q         0.045\n"));
}

// Predictions for the given vector (4e-4, 3e-4, 5e-4, -2e-4, 3e-4) of residues 2 and 3 computed
// in python3 as |DI| a.s from the PDB coordinates: -7.9474 and 6.8477 Hz.
TEST(BestFitRun, GivenSaupePredictsInsteadOfFitting) {
  auto r = runKorvaCmd(kExample + " -saupe 4e-4 3e-4 5e-4 -2e-4 3e-4");
  EXPECT_EQ(r.status, 0) << r.err;
  double s[5];
  ASSERT_TRUE(readSaupeLine(r.out, s));
  const double given[5] = {4e-4, 3e-4, 5e-4, -2e-4, 3e-4};
  for (int k = 0; k < 5; k++) EXPECT_DOUBLE_EQ(s[k], given[k]);
  EXPECT_TRUE(has(r.out, "    2  GLN    N    2  GLN    H -21523.11   -8.1700   -7.9474"));
  EXPECT_TRUE(has(r.out, "    3  ILE    N    3  ILE    H -21523.11    8.2710    6.8477"));
}

TEST(BestFitRun, AnalysisLinesFollowTheTensorAndTheEulerFlag) {
  auto zero = runKorvaCmd(kExample + " -saupe 4e-4 3e-4 0 -2e-4 3e-4");
  EXPECT_EQ(zero.status, 0);
  EXPECT_FALSE(has(zero.out, "IRREDUCIBLE"));
  EXPECT_FALSE(has(zero.out, "EIGENVALUES"));
  auto noEuler = runKorvaCmd(kExample + " -noeuler");
  EXPECT_EQ(noEuler.status, 0);
  EXPECT_TRUE(has(noEuler.out, "DATA IRREDUCIBLE GENERAL_MAGNITUDE"));
  EXPECT_FALSE(has(noEuler.out, "EIGENVALUES"));
  EXPECT_FALSE(has(noEuler.out, "EULER"));
}

// Rotating the structure into the principal frame must diagonalise the refitted tensor; the
// rotation holds even with -noeuler, which only trims the report.
TEST(BestFitRun, RotatedStructureRefitsToADiagonalTensor) {
  for (const char* flags : {"", " -noeuler"}) {
    const std::string dir = testing::makeTempDir();
    auto r = runKorvaCmd(kExample + flags + " -pdbRot rot.pdb", "", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    auto refit = runKorvaCmd(
        "-bestFit -pdb rot.pdb -inD '" + sourcePath("examples/ubiquitin-nh-bicelle.tab") + "'", "",
        dir);
    ASSERT_EQ(refit.status, 0) << refit.err;
    double s[5];
    ASSERT_TRUE(readSaupeLine(refit.out, s));
    // Szz is the largest principal value |Azz| = 8.673e-4 of the original fit.
    EXPECT_NEAR(std::fabs(s[0]), 8.673e-4, 2e-7);
    for (int k = 2; k < 5; k++) EXPECT_LT(std::fabs(s[k]), 1e-3 * std::fabs(s[0])) << k;
    EXPECT_TRUE(has(refit.out, "DATA MERIDOVANT Q         0.045\n"));
    std::remove((dir + "/rot.pdb").c_str());
  }
}

TEST(BestFitRun, FailuresEndWithTheirLines) {
  const std::string three = sourcePath("tests/data/three-nh.tab");
  const std::string pdb = sourcePath("examples/ubiquitin-2mjb.pdb");
  struct {
    std::string args;
    std::string line;
  } cases[] = {
      {"-bestFit -pdb '" + pdb + "' -inD '" + three + "'",
       "KORVA: best fit needs at least 5 usable couplings, found 3.\n"},
      {"-bestFit -nofixed -pdb '" + pdb + "' -inD '" + three + "'",
       "VANTRO Error (DC Fit) 3 couplings are too few for 5 free parameters.\n"},
      {kExample + " -map 5 -outMap /nonexistent/dir/map.txt",
       "KORVA Error opening log file for error space mapping /nonexistent/dir/map.txt\n"},
      {"-bestFit -pdb /nonexistent.pdb -inD '" + three + "'",
       "Error reading PDB input /nonexistent.pdb\n"},
  };
  for (const auto& c : cases) {
    auto r = runKorvaCmd(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_TRUE(has(r.err, c.line)) << r.err;
    EXPECT_EQ(testing::lastLine(r.err).rfind("REMARK Memory Allocation Status.", 0), 0u);
  }
  auto r = runKorvaCmd(cases[1].args);
  EXPECT_TRUE(has(r.err, "Matrix: error in best-fit of data.\n"));
}

// Golden check, done once by hand: the result line is the element sum; coll = 0.87563 and
// angle 28.88 agree with a python3 evaluation of the normalised Frobenius inner product; the
// result's Da = Azz / 2 = 1.5280e-03 / 2 and Dr = (Axx - Ayy) / 3 = (-4.1565e-04 + 1.1124e-03) / 3
// come from its own eigenvalue line, with two angle solutions.
TEST(CompareSaupeRun, ReportMatchesTheCheckedGolden) {
  auto r = runKorvaCmd("-anA -inS1 1e-3 2e-4 3e-4 -1e-4 5e-5 -inS2 5e-4 1e-4 0 0 2e-4 -add");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, testing::readFileText(sourcePath("tests/golden/compare_saupe_add.out")));
}

TEST(CompareSaupeRun, EdgeCases) {
  const std::string s = "1e-3 2e-4 3e-4 -1e-4 5e-5";
  struct {
    std::string args;
    std::string coll, angle;
  } cases[] = {
      {"-inS1 " + s + " -inS2 " + s, "1.00000", "0.00"},
      {"-inS1 " + s + " -inS2 -1e-3 -2e-4 -3e-4 1e-4 -5e-5", "-1.00000", "0.00"},
      {"-inS1 " + s + " -inS2 0 0 0 0 0", "0.00000", "90.00"},
  };
  for (const auto& c : cases) {
    auto r = runKorvaCmd("-anA " + c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "DATA COLL_5D         " + c.coll + "\n")) << c.args;
    EXPECT_TRUE(has(r.out, "DATA ANGLE_5D_SPACE  " + c.angle + "\n")) << c.args;
  }
  // (5e-4, 0, 9e-4, 0, 0) has the larger norm although its Szz is smaller.
  auto max = runKorvaCmd("-anA -inS1 1e-3 0 0 0 0 -inS2 5e-4 0 9e-4 0 0 -max");
  EXPECT_TRUE(has(max.out,
                  "DATA SAUPE RESULT  5.0000e-04  0.0000e+00  9.0000e-04  0.0000e+00  0.0000e+00"));
  auto div = runKorvaCmd("-anA -inS1 " + s + " -inS2 5e-4 1e-4 0 1e-4 2e-4 -div");
  EXPECT_EQ(div.status, 1);
  EXPECT_TRUE(has(div.err, "Matrix: error in comparison of order matrices.\n"));
}

}  // namespace
}  // namespace korva
