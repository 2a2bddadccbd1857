// The best-fit mode: the checked report of the real program, the structure in the fitted frame,
// failures, and two runs (one with its error-space map) in two threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

#include "modes/modes.h"
#include "support/files.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

using testing::readFile;
using testing::setField;
using testing::sourcePath;

const std::string kPdb = sourcePath("examples/ubiquitin-2mjb.pdb");
const std::string kTab = sourcePath("examples/ubiquitin-nh-bicelle.tab");
const std::string kExample = "-bestFit -pdb '" + kPdb + "' -inD '" + kTab + "'";

// Best-fit parameters on the bundled example; the report goes to outD.
runParams bestFit(const std::string& outD, const std::string& pdb = kPdb) {
  runParams p;
  p.info.mode = kModeBestFit;
  setField(p.pdb, pdb);
  setField(p.inD, kTab);
  setField(p.outD, outD);
  return p;
}

// Golden check, done once by hand: DATA SAUPE and Q equal the independent python3 least-squares
// fit of the fit tests (4.2293e-04 3.5807e-04 5.3304e-04 -1.5497e-04 3.1595e-04, Q 0.0452);
// the first three predictions -8.2645, 8.0075, 10.5370 equal |DI| a.s of the same python
// computation; the eigenvalues sum to 0; Da = Azz / 2 = -8.6730e-04 / 2; 63 rows; the condition
// number 2.8521 is that of numpy.linalg.svd of the 63 unit-weight basis rows of the N-H vectors.
TEST(BestFitRun, UbiquitinReportMatchesTheCheckedGolden) {
  auto r = testing::runKorvaCmd(kExample);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, readFile(sourcePath("tests/golden/bestfit_ubiquitin.out")));
  EXPECT_NE(r.err.find("ubiquitin-2mjb.pdb, 1231 Atoms, Residues 1 to 76.\n"), std::string::npos);
  EXPECT_NE(r.err.find("ubiquitin-nh-bicelle.tab, 63 Couplings, Residues 2 to 70.\n"),
            std::string::npos);
}

// Rotating the structure into the principal frame must diagonalise the refitted tensor, whose Szz
// is then the largest principal value Azz of the original fit.
TEST(BestFitRun, RotatedStructureRefitsToADiagonalTensor) {
  const std::string dir = testing::makeTempDir();
  runParams p = bestFit(dir + "/a.tab");
  setField(p.pdbRot, dir + "/rot.pdb");
  ASSERT_EQ(runStructureSequence(p, nullLog()), 0);
  const double s[5] = {p.tensor.saupe[0], p.tensor.saupe[1], p.tensor.saupe[2], p.tensor.saupe[3],
                       p.tensor.saupe[4]};
  saupeAnalysis a;
  ASSERT_TRUE(analyzeSaupe(s, true, &a).ok());
  runParams q = bestFit(dir + "/b.tab", dir + "/rot.pdb");
  ASSERT_EQ(runStructureSequence(q, nullLog()), 0);
  EXPECT_NEAR(q.tensor.saupe[0], a.eigVal[0], 2e-4 * std::fabs(a.eigVal[0]));
  for (int k = 2; k < 5; k++)
    EXPECT_LT(std::fabs(q.tensor.saupe[k]), 1e-3 * std::fabs(a.eigVal[0]));
}

TEST(BestFitRun, FailuresEndWithTheirLines) {
  const std::string three = sourcePath("tests/data/three-nh.tab");
  const struct {
    int tensorMode;
    std::string pdb, inD, outMap;
    int mapCount;
    std::string line;
  } cases[] = {
      {kTensorSVD, kPdb, three, "", 0,
       "KORVA: best fit needs at least 5 usable couplings, found 3.\n"},
      {kTensorNoFixed, kPdb, three, "", 0,
       "VANTRO Error (DC Fit) 3 couplings are too few for 5 free parameters.\n"},
      {kTensorSVD, kPdb, kTab, "/nonexistent/dir/map.txt", 5,
       "KORVA Error opening log file for error space mapping /nonexistent/dir/map.txt\n"},
      {kTensorSVD, "/nonexistent.pdb", three, "", 0, "Error reading PDB input /nonexistent.pdb\n"},
      {kTensorSVD, kPdb, "/nonexistent.tab", "", 0, "Error reading DC input /nonexistent.tab\n"},
  };
  for (const auto& c : cases) {
    runParams p = bestFit("/dev/null", c.pdb);
    setField(p.inD, c.inD);
    setField(p.outMap, c.outMap);
    p.mapCount = c.mapCount;
    p.tensor.tensorMode = c.tensorMode;
    TextLog log;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(runStructureSequence(p, log), 1) << c.line;
    ::testing::internal::GetCapturedStdout();
    EXPECT_NE(log.text().find(c.line), std::string::npos) << log.text();
  }
}

// Two computations on different inputs in two threads at once give exactly what they give in
// sequence: the SVD fit with its mapping, and the full nonlinear fit.
TEST(BestFitRun, TwoRunsInTwoThreadsMatchTheSameRunsInSequence) {
  const std::string dir = testing::makeTempDir();
  runParams p[4];  // runs 0 and 1 in sequence, 2 and 3 in two threads
  int status[4];
  TextLog log[4];
  for (int k = 0; k < 4; k++) {
    p[k] = bestFit(dir + "/" + std::to_string(k) + ".tab");
    if (k % 2 == 0) p[k].mapCount = 200;
    if (k % 2 == 0) setField(p[k].outMap, dir + "/" + std::to_string(k) + ".map");
    if (k % 2 == 1) p[k].tensor.tensorMode = kTensorNoFixed;
  }
  ::testing::internal::CaptureStdout();
  for (int k = 0; k < 2; k++) status[k] = runStructureSequence(p[k], log[k]);
  std::thread t0([&] { status[2] = runStructureSequence(p[2], log[2]); });
  std::thread t1([&] { status[3] = runStructureSequence(p[3], log[3]); });
  t0.join();
  t1.join();
  ::testing::internal::GetCapturedStdout();
  for (int k = 0; k < 2; k++) {
    EXPECT_EQ(status[k] + status[k + 2], 0);
    EXPECT_EQ(log[k + 2].text(), log[k].text());
    for (int e = 0; e < 5; e++) EXPECT_EQ(p[k + 2].tensor.saupe[e], p[k].tensor.saupe[e]) << k;
    EXPECT_EQ(readFile(dir + "/" + std::to_string(k + 2) + ".tab"),
              readFile(dir + "/" + std::to_string(k) + ".tab"));
  }
  const std::string map = readFile(dir + "/2.map");
  EXPECT_EQ(map, readFile(dir + "/0.map"));
  EXPECT_EQ(std::count(map.begin(), map.end(), '\n'), 400);  // two lines per counted step
}

}  // namespace
}  // namespace korva
