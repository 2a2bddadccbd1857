// Tests of the coupling report and its agreement statistics.
#include "report/report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/files.h"
#include "tables/combine.h"

namespace korva {
namespace {

using testing::readFile;
using testing::TempDir;

struct DcReport : ::testing::Test {
  TempDir dir;
  dTab tab;
  korvaInfo info;
  dTensor tensor;
  saupeAnalysis analysis;
  reportInput in;
  void SetUp() override {
    korvaInfoNull(&info);
    dTensorNull(&tensor);
    info.mode = kModeCompareDC;
    in.info = &info;
    in.tensor = &tensor;
    in.analysis = &analysis;
    in.couplings = &tab;
  }
  // Reads observed values obs with errors dd and stores the predictions pred (weight 1).
  void load(const std::vector<float>& obs, const std::vector<float>& pred,
            const std::vector<float>& dd, const std::string& extraCols = "",
            const std::string& extraVals = "") {
    std::string text = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD" +
                       extraCols + "\nFORMAT %d %s %s %d %s %s %f %f" +
                       std::string(extraCols.empty() ? "" : " %s %s") + "\n";
    for (size_t i = 0; i < obs.size(); ++i) {
      text += std::to_string(i + 1) + " ALA N " + std::to_string(i + 1) + " ALA H " +
              std::to_string(obs[i]) + " " + std::to_string(dd[i]) + extraVals + "\n";
    }
    tab = dTab();
    ASSERT_EQ(readDC(dir.write("in.tab", text).c_str(), &tab, nullLog()), 0);
    for (size_t i = 0; i < pred.size(); ++i) {
      tab.work[i].selected = 1;
      tab.work[i].D = pred[i];
    }
  }
  std::string report(int verbose = 1) {
    info.verbose = verbose;
    analyzeForReport(tensor, &analysis, &in.analysisStatus);
    EXPECT_EQ(writeDCmod(dir.path("report.tab").c_str(), in, nullLog()), 0);
    return readFile(dir.path("report.tab"));
  }
  bool has(const std::string& part) { return report().find(part) != std::string::npos; }
};

TEST_F(DcReport, StatisticsTakeTheListedSinglePrecisionWeightedValues) {
  // x = 1..4, y = 1.5 1.5 3.5 3.5, errors 1 0.5 1 2, by hand: RMS 0.5, Chi2 0.25+1+0.25+0.0625,
  // slope 0.8. The placeholder coupling (1000) and an unselected one are left out.
  load({1, 2, 3, 4, 1000, 5}, {1.5f, 1.5f, 3.5f, 3.5f, 7, 5}, {1, 0.5f, 1, 2, 1, 1});
  tab.work[5].selected = 0;
  agreementStats s = getStatDCmod(tab);
  EXPECT_EQ(s.n, 4);
  EXPECT_NEAR(s.rms, 0.5, 1e-6);
  EXPECT_NEAR(s.chi2, 1.5625, 1e-6);
  EXPECT_NEAR(s.slope, 0.8, 1e-6);
  // Weight 0.1 on D_OBS 1 and D = 1 + 2^-23 (the next float). As single-precision values
  // x = 0.1f exactly and y rounds up two ulps of 0.1f, so x - y = -2^-26 = -1.4901161e-08,
  // where the unrounded products differ by only 1.1920929e-08 (python3 with struct 'f' rounding).
  // RMS = |x - y|, Q = |x - y| / x = 1.4901161e-07, Chi2 (DD 1) = (x - y)^2 = 2^-52.
  load({1.0f}, {1.00000012f}, {1.0f});
  tab.work[0].W = 0.1f;
  s = getStatDCmod(tab);
  ASSERT_EQ(s.n, 1);
  EXPECT_FLOAT_EQ(s.rms, 1.4901161e-08f);
  EXPECT_FLOAT_EQ(s.q, 1.4901161e-07f);
  EXPECT_FLOAT_EQ(s.chi2, 2.220446e-16f);
}

// Regressions that cannot be computed print zeros, never nan or inf: with all observed values
// equal there is neither a correlation nor a slope.
TEST_F(DcReport, DegenerateRegressionsPrintZeroNotNaN) {
  load({2, 2, 2}, {1, 2, 3}, {1, 1, 1});
  const std::string text = report();
  EXPECT_EQ(text.find("nan"), std::string::npos) << text;
  EXPECT_EQ(text.find("inf"), std::string::npos) << text;
  EXPECT_TRUE(has("DATA CORR R               0.000\n"));
  EXPECT_TRUE(has("DATA REGRESSION SLOPE     0.000 +/- 0.000 [Hz]\n"));
  EXPECT_TRUE(has("DATA REGRESSION KEB SLOPE 0.000 +/- 0.000 [Hz]\n"));
}

TEST_F(DcReport, RowsHeadersAndCounts) {
  // D_DIFF -1 (hand calculation 2 - 3), and 9999.0000 for a coupling left unpredicted, which
  // is listed but not counted; the placeholder (not measured) and the unselected third are
  // neither listed nor counted.
  load({1000, 2, 5, 4}, {1, 3, 5, 9999}, {1, 1, 1, 1});
  tab.work[2].selected = 0;
  EXPECT_TRUE(has("DATA N                    1\n"));
  EXPECT_FALSE(has("    1  ALA    N"));
  EXPECT_TRUE(has("    2  ALA    N    2  ALA    H      0.00    2.0000    3.0000   -1.0000"));
  EXPECT_FALSE(has("    3  ALA    N"));
  EXPECT_TRUE(
      has("    4  ALA    N    4  ALA    H      0.00    4.0000  9999.0000  9999.0000  "
          "1.0000 1.00\n"));
  EXPECT_TRUE(
      has("VARS    RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J DI D_OBS "
          "D D_DIFF DD W\nFORMAT  %4d %4s %4s %4d %4s %4s %9.2f %9.3f %9.3f %9.3f "
          "%.2f %.2f\n\n"));
  // Name columns only when the table has them; empty names are written as None so the report
  // reads back.
  load({1}, {1}, {1}, " CHAINNAME_I SEGNAME_J", " A S1");
  EXPECT_TRUE(
      has("VARS    RESID_I RESNAME_I ATOMNAME_I CHAINNAME_I SEGNAME_I RESID_J RESNAME_J "
          "ATOMNAME_J CHAINNAME_J SEGNAME_J DI"));
  EXPECT_TRUE(has("    1  ALA    N    A None    1  ALA    H None   S1"));
  // The short report lists the predictions only.
  load({1, 2}, {1.5f, 2.5f}, {0.5f, 1});
  EXPECT_EQ(report(0),
            "DATA SEQUENCE \n\nVARS    RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D "
            "DD W\nFORMAT  %4d %4s %4s %4d %4s %4s %9.3f %9.3f %.2f\n\n"
            "    1  ALA    N    1  ALA    H    1.5000  0.5000 1.00\n"
            "    2  ALA    N    2  ALA    H    2.5000  1.0000 1.00\n");
  tab.work[0].selected = tab.work[1].selected = 0;
  EXPECT_EQ(report(0), "DATA SEQUENCE \n");
}

TEST_F(DcReport, SaupeAnalysisOnlyForFullVectorAndEulerFlag) {
  load({1}, {1}, {1});
  info.mode = kModeCompareSaupe;
  const float withZero[5] = {1e-3f, 2e-4f, 0.0f, 1e-4f, 3e-4f};
  std::copy(withZero, withZero + 5, tensor.saupe);
  info.euler = 1;
  EXPECT_TRUE(has("DATA KORVA_MODE SAUPE_CP"));
  EXPECT_TRUE(has("DATA SAUPE   1.0000e-03  2.0000e-04  0.0000e+00"));
  EXPECT_FALSE(has("IRREDUCIBLE"));
  tensor.saupe[2] = 5e-5f;
  info.euler = 0;
  EXPECT_TRUE(has("DATA IRREDUCIBLE REPRESENTATION"));
  EXPECT_FALSE(has("EIGENVALUES"));
  info.euler = 1;
  EXPECT_TRUE(has("DATA EIGENVECTORS ZAXIS"));
  EXPECT_TRUE(has("DATA Q_EULER_ANGLES  4  "));
  EXPECT_TRUE(has("DATA EULER_SOLUTIONS"));
}

// A file that cannot be opened or written: failure, and the report goes to standard output.
TEST_F(DcReport, UnwritableOutputFallsBackToStandardOutput) {
  load({1}, {1}, {1});
  info.verbose = 0;
  const std::string bad = dir.path("no/such/dir/out.tab");
  const struct {
    std::string name, line;
  } cases[] = {{bad, "DC Error opening output file " + bad + "\n"},
               {"/dev/full", "DC Error writing output file /dev/full\n"}};
  for (const auto& c : cases) {
    TextLog log;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(writeDCmod(c.name.c_str(), in, log), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind("DATA SEQUENCE \n", 0), 0u);
    EXPECT_EQ(log.text(), c.line);
  }
}

// medium-a against pf1 N-H, computed in python3 from the two files (60 pairs): RMS 31.5109,
// Chi2 59576.27, R 0.110327, Q 3.79985, offset -8.78657 +/- 4.38447, slope 0.446969 +/-
// 0.528716, KEB slope 18.58396 +/- 403.6448.
TEST(StatDCmod, UbiquitinComparisonMatchesIndependentValues) {
  dTab a, b;
  ASSERT_EQ(
      readDC(testing::sourcePath("tests/data/2mjb-rdc-medium-a-n-h.tab").c_str(), &a, nullLog()),
      0);
  ASSERT_EQ(readDC(testing::sourcePath("tests/data/2mjb-rdc-pf1-n-h.tab").c_str(), &b, nullLog()),
            0);
  ASSERT_EQ(adjustDC(kActionAdd, 0.0f, 1.0f, &a, &b, nullLog()), 60);
  const agreementStats s = getStatDCmod(a);
  EXPECT_EQ(s.n, 60);
  const struct {
    float value;
    double expected;
  } cases[] = {{s.rms, 31.5109},    {s.chi2, 59576.27},     {s.r, 0.110327},
               {s.q, 3.79985},      {s.offset, -8.78657},   {s.offsetErr, 4.38447},
               {s.slope, 0.446969}, {s.slopeErr, 0.528716}, {s.keb, 18.58396},
               {s.kebErr, 403.6448}};
  for (const auto& c : cases) EXPECT_NEAR(c.value, c.expected, 1e-5 * std::fabs(c.expected) + 1e-5);
}

// Expected points worked by hand from phi = pi/2 - acos(z), lambda = atan2(y, x) and the
// half-turn rule for the opposite point, checked with python's math module. The tolerance covers
// the program's 9-digit pi.
TEST(MapAxisPoints, HandWorkedAxes) {
  const struct {
    double a[3];
    double point[2];
    double opposite[2];
  } cases[] = {
      {{0, 0, 1}, {0, 1.5707963250}, {0, -1.5707963250}},  // north pole
      {{0, 0, -1}, {0, -1.5707963286}, {0, 1.5707963286}},
      {{0, 0, 1.0 + 1e-15}, {0, 1.5707963250}, {0, -1.5707963250}},  // a rounding step beyond 1
      {{0, 1, 0}, {1.5707963268, 0}, {-1.5707963232, 0}},
      {{-1, 0, 0}, {3.1415926536, 0}, {0, 0}},
      // On the prime meridian the opposite point is on the date line.
      {{1, 0, 0}, {0, 0}, {3.1415926500, 0}},
      // (0.48, -0.64, 0.6): phi = asin(0.6), lambda = -atan(4/3), cos(phi) = 0.8.
      {{0.48, -0.64, 0.6}, {-0.7418361754, 0.6435011070}, {1.7714379480, -0.6435011070}},
      {{-0.36, 0.48, -0.8}, {1.3285784582, -0.9272952198}, {-0.5563771273, 0.9272952198}},
  };
  for (const auto& c : cases) {
    double p[2], o[2];
    mapAxisPoints(c.a, p, o);
    SCOPED_TRACE(std::to_string(c.a[0]) + " " + std::to_string(c.a[1]) + " " +
                 std::to_string(c.a[2]));
    EXPECT_NEAR(p[0], c.point[0], 1e-8);
    EXPECT_NEAR(p[1], c.point[1], 1e-8);
    EXPECT_NEAR(o[0], c.opposite[0], 1e-8);
    EXPECT_NEAR(o[1], c.opposite[1], 1e-8);
  }
}

// Byte layout of one step: the expected text was printed by python from the hand values above
// with the two formats "  %f       %f" and " %f\t%f".
TEST(MapLines, TwoFormatsForAxesZYX) {
  // Columns: z = (0, 0, 1), y = (0.48, -0.64, 0.6), x = (-0.36, 0.48, -0.8).
  const double v[3][3] = {{0, 0.48, -0.36}, {0, -0.64, 0.48}, {1, 0.6, -0.8}};
  std::string text = "x";
  appendMapLines(&text, v);
  EXPECT_EQ(text,
            "x  0.000000       1.570796  -0.741836       0.643501  1.328578       -0.927295\n"
            " 0.000000\t-1.570796 1.771438\t-0.643501 -0.556377\t0.927295\n");
}

}  // namespace
}  // namespace korva
