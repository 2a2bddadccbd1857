// Error-space mapping: world-map geometry, the step rule, and whole mapping runs on ubiquitin.
#include "fit/map_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fit/fit_d.h"
#include "numeric/random.h"
#include "support/run_korva.h"

namespace korva {
namespace {

using testing::makeTempDir;
using testing::readFileText;
using testing::runKorvaCmd;
using testing::sourcePath;

// Expected points worked by hand from phi = pi/2 - acos(z), lambda = atan2(y, x) and the
// half-turn rule for the opposite point, checked with python's math module. The tolerance covers
// the program's 9-digit pi.
TEST(MapAxisPoints, HandWorkedAxes) {
  struct Case {
    double a[3];
    double point[2];
    double opposite[2];
  };
  const Case cases[] = {
      {{0, 0, 1}, {0, 1.5707963250}, {0, -1.5707963250}},  // north pole
      {{0, 0, -1}, {0, -1.5707963286}, {0, 1.5707963286}},
      {{0, 1, 0}, {1.5707963268, 0}, {-1.5707963232, 0}},
      {{-1, 0, 0}, {3.1415926536, 0}, {0, 0}},
      // On the prime meridian the opposite point is on the date line.
      {{1, 0, 0}, {0, 0}, {3.1415926500, 0}},
      // (0.48, -0.64, 0.6): phi = asin(0.6), lambda = -atan(4/3), cos(phi) = 0.8.
      {{0.48, -0.64, 0.6}, {-0.7418361754, 0.6435011070}, {1.7714379480, -0.6435011070}},
      {{-0.36, 0.48, -0.8}, {1.3285784582, -0.9272952198}, {-0.5563771273, 0.9272952198}},
  };
  for (const Case& c : cases) {
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

// The opposite point must be where the reversed axis lands, for axes off the prime meridian.
TEST(MapAxisPoints, OppositeIsTheReversedAxis) {
  for (int k = 0; k < 24; k++) {
    const double t = 0.13 + 0.25 * k, u = 0.4 + 0.11 * k;
    const double a[3] = {std::sin(u) * std::cos(t), std::sin(u) * std::sin(t), std::cos(u)};
    const double b[3] = {-a[0], -a[1], -a[2]};
    double pa[2], oa[2], pb[2], ob[2];
    mapAxisPoints(a, pa, oa);
    mapAxisPoints(b, pb, ob);
    EXPECT_NEAR(oa[0], pb[0], 1e-7) << k;
    EXPECT_NEAR(oa[1], pb[1], 1e-7) << k;
  }
}

// A z component a rounding step beyond 1 must not turn the latitude into NaN.
TEST(MapAxisPoints, ComponentBeyondOneStaysFinite) {
  const double a[3] = {0.0, 0.0, 1.0 + 1e-15};
  double p[2], o[2];
  mapAxisPoints(a, p, o);
  EXPECT_NEAR(p[1], 1.570796325, 1e-12);
  EXPECT_TRUE(std::isfinite(o[0]));
}

// Byte layout of one step: the expected text was printed by python from the hand values above
// with the two formats "  %f       %f" and " %f\t%f".
TEST(MapLines, TwoFormatsForAxesZYX) {
  // Columns: z = (0, 0, 1), y = (0.48, -0.64, 0.6), x = (-0.36, 0.48, -0.8).
  const double v[3][3] = {{0, 0.48, -0.36}, {0, -0.64, 0.48}, {1, 0.6, -0.8}};
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  writeMapLines(f, v);
  std::rewind(f);
  char buf[512] = {0};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n),
            "  0.000000       1.570796  -0.741836       0.643501  1.328578       -0.927295\n"
            " 0.000000\t-1.570796 1.771438\t-0.643501 -0.556377\t0.927295\n");
}

// ---- Mapping runs on the ubiquitin structure and its N-H couplings ----

struct ubiquitinData {
  pdbInfo pdb;
  dTab tab;
  korvaInfo info;
};

void loadUbiquitin(ubiquitinData* d) {
  pdbNull(&d->pdb);
  dTabNull(&d->tab);
  korvaInfoNull(&d->info);
  d->info.mode = kModeBestFit;
  d->info.euler = 1;
  ASSERT_EQ(readPDB(sourcePath("examples/ubiquitin-2mjb.pdb").c_str(), &d->pdb, nullptr), 0);
  ASSERT_EQ(readDC(sourcePath("examples/ubiquitin-nh-bicelle.tab").c_str(), &d->tab), 0);
  mapDCInfo(&d->pdb, &d->tab);
  ASSERT_GT(buildDC(&d->pdb, &d->tab, 0, d->tab.firstRes, nullptr, 0), 5);
  d->tab.tensorMode = kTensorSVD;
}

void freeUbiquitin(ubiquitinData* d) {
  dTabFree(&d->tab);
  pdbFree(&d->pdb);
}

// The five numbers after the keyword line of the statistics block.
std::vector<double> readStatLine(const std::string& report, const std::string& key) {
  std::vector<double> v;
  const size_t at = report.find(key);
  if (at == std::string::npos) return v;
  std::istringstream in(report.substr(at + key.size(), report.find('\n', at) - at - key.size()));
  double x;
  while (in >> x) v.push_back(x);
  return v;
}

bool fileExists(const std::string& path) {
  return std::ifstream(path).good();
}

int countLines(const std::string& text) {
  int n = 0;
  for (char ch : text) n += ch == '\n';
  return n;
}

// With DD = 0 nothing is perturbed, so every step refits the same data: all steps count (a rule
// that needed the last coupling within its error would count none, since |diff| >= 0 always
// misses), the deviations vanish, the mean equals the single fit and every coupling misses in
// every step.
TEST(MapSimDC, ZeroErrorsGiveZeroDeviations) {
  ubiquitinData d;
  loadUbiquitin(&d);
  for (int i = 0; i < d.tab.n; i++) d.tab.in[i].DD = 0.0f;
  std::vector<float> observed;
  for (int i = 0; i < d.tab.n; i++) observed.push_back(d.tab.in[i].D);
  ASSERT_GT(fitD(&d.pdb, &d.tab, 0), 0);
  float single[5];
  for (int k = 0; k < 5; k++) single[k] = d.tab.saupe[k];

  const std::string dir = makeTempDir();
  const std::string rep = dir + "/rep.txt", map = dir + "/map.txt";
  resetRandom();
  EXPECT_EQ(mapSimDC(&d.pdb, &d.tab, &d.info, rep.c_str(), "", 0, map.c_str(), 40, nullptr), 0);
  const std::string report = readFileText(rep);
  EXPECT_NE(report.find("DATA STATISTICS MAPPING NUMBER OF SUCCESFUL STEPS   40\n"),
            std::string::npos);
  const std::vector<double> dev = readStatLine(report, "DATA STATISTICS MAPPING SAUPE STD_DEV");
  ASSERT_EQ(dev.size(), 5u);
  for (int k = 0; k < 5; k++) {
    EXPECT_LE(std::fabs(dev[k]), 1e-5 * std::fabs(single[k]) + 1e-12) << k;
    EXPECT_FLOAT_EQ(d.tab.saupe[k], single[k]) << k;
  }
  for (int i = 0; i < d.tab.n; i++) {
    if (!d.tab.work[i].selected) continue;
    EXPECT_EQ(d.tab.in[i].D, observed[static_cast<size_t>(i)]) << i;
    EXPECT_LE(d.tab.in[i].DD, 1e-4f) << i;
    EXPECT_EQ(d.tab.in[i].W, 40.0f) << i;
  }
  EXPECT_EQ(countLines(readFileText(map)), 80);
  freeUbiquitin(&d);
}

// The SVD fit weights coupling i by |DI_i|/DD_i, so its covariance (A^T A)^-1 is the covariance
// of the fitted Saupe vector when the noise on D_i has standard deviation DD_i. With DD halved the
// weights change by a common factor only (same estimator) and the reported errors halve, which is
// exactly the spread that noise of 0.5 g DD_i gives. The sample deviation of 1000 Gaussian steps
// has a relative sampling error of 1/sqrt(2 * 1000) = 2.2 %; we allow four of them.
TEST(MapSimDC, SaupeDeviationsMatchSvdErrorsAtHalfTheErrors) {
  ubiquitinData d;
  loadUbiquitin(&d);
  for (int i = 0; i < d.tab.n; i++) d.tab.in[i].DD *= 0.5f;
  ASSERT_GT(fitD(&d.pdb, &d.tab, 0), 0);
  float svdErr[5];
  for (int k = 0; k < 5; k++) svdErr[k] = d.tab.saupeErr[k];
  for (int i = 0; i < d.tab.n; i++) d.tab.in[i].DD *= 2.0f;

  const int steps = 1000;
  const std::string dir = makeTempDir();
  const std::string rep = dir + "/rep.txt", map = dir + "/map.txt";
  resetRandom();
  ASSERT_EQ(mapSimDC(&d.pdb, &d.tab, &d.info, rep.c_str(), "", 0, map.c_str(), steps, nullptr), 0);
  const std::vector<double> dev =
      readStatLine(readFileText(rep), "DATA STATISTICS MAPPING SAUPE STD_DEV");
  ASSERT_EQ(dev.size(), 5u);
  const double tol = 4.0 / std::sqrt(2.0 * steps);
  for (int k = 0; k < 5; k++) {
    ASSERT_GT(svdErr[k], 0.0f) << k;
    EXPECT_NEAR(dev[k] / svdErr[k], 1.0, tol) << "element " << k;
  }
  freeUbiquitin(&d);
}

// Fewer than five usable couplings: the SVD refit yields no tensor, so no step counts. The run
// fails without a report and leaves the observed values in place.
TEST(MapSimDC, NoTensorNoStepsNoReport) {
  ubiquitinData d;
  loadUbiquitin(&d);
  int kept = 0;
  for (int i = 0; i < d.tab.n; i++)
    if (d.tab.work[i].selected && ++kept > 4) d.tab.work[i].selected = 0;
  std::vector<float> observed;
  for (int i = 0; i < d.tab.n; i++) observed.push_back(d.tab.in[i].D);
  const std::string dir = makeTempDir();
  const std::string rep = dir + "/rep.txt", map = dir + "/map.txt";
  resetRandom();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(mapSimDC(&d.pdb, &d.tab, &d.info, rep.c_str(), "", 0, map.c_str(), 5, nullptr), 1);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                "KORVA Error: no successful step in error space mapping.\n"),
            std::string::npos);
  EXPECT_FALSE(fileExists(rep));
  EXPECT_EQ(readFileText(map), "");
  for (int i = 0; i < d.tab.n; i++) EXPECT_EQ(d.tab.in[i].D, observed[static_cast<size_t>(i)]);
  freeUbiquitin(&d);

  // A table without couplings is no success either.
  dTab empty;
  dTabNull(&empty);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(mapSimDC(nullptr, &empty, nullptr, rep.c_str(), "", 0, map.c_str(), 3, nullptr), 1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(fileExists(rep));
}

// ---- The real binary ----

const std::string kMapArgs = "-bestFit -pdb '" + sourcePath("examples/ubiquitin-2mjb.pdb") +
                             "' -inD '" + sourcePath("examples/ubiquitin-nh-bicelle.tab") + "'";

// A map line re-printed from the six numbers it holds with the given format for each pair: equal
// to the line exactly when the line is in that format (six decimals, the given separators).
std::string reprintMapLine(const std::string& line, const char* pairFormat) {
  std::istringstream in(line);
  std::string out;
  for (int j = 0; j < 3; j++) {
    double a = 0.0, b = 0.0;
    if (!(in >> a >> b)) return "(unreadable) " + line;
    char text[128];
    std::snprintf(text, sizeof text, pairFormat, a, b);
    out += text;
  }
  return out;
}

TEST(MapSimDCRun, ThousandStepsWriteMapAndStatistics) {
  const std::string dir1 = makeTempDir(), dir2 = makeTempDir();
  const std::string args = kMapArgs + " -map 1000 -outMap map.txt -outD rep.txt";
  const testing::cmdResult r1 = runKorvaCmd(args, "", dir1);
  const testing::cmdResult r2 = runKorvaCmd(args, "", dir2);
  ASSERT_EQ(r1.status, 0) << r1.err;
  EXPECT_NE(r1.out.find("\nREMARK Number of steps for error statistic 1000.\n"), std::string::npos);
  const std::string report = readFileText(dir1 + "/rep.txt");
  EXPECT_NE(report.find("\nREMARK Mapping Statistics.\n\n"
                        "DATA STATISTICS MAPPING NUMBER OF SUCCESFUL STEPS   1000\n"),
            std::string::npos);
  EXPECT_EQ(readStatLine(report, "DATA STATISTICS MAPPING SAUPE AVERAGE").size(), 5u);
  EXPECT_NE(report.find("DATA SAUPE"), std::string::npos);

  // Two lines per step; the opposite points mirror the latitudes, and since the three axes are
  // orthonormal the squared sines of their latitudes (their z components) add up to 1.
  const std::string map = readFileText(dir1 + "/map.txt");
  EXPECT_EQ(countLines(map), 2000);
  std::istringstream lines(map);
  std::string l1, l2;
  int step = 0;
  while (std::getline(lines, l1) && std::getline(lines, l2) && step < 50) {
    ASSERT_EQ(l1, reprintMapLine(l1, "  %f       %f"));
    ASSERT_EQ(l2, reprintMapLine(l2, " %f\t%f"));
    std::istringstream a(l1), b(l2);
    double x1, y1, x2, y2, sum = 0.0;
    for (int j = 0; j < 3; j++) {
      a >> x1 >> y1;
      b >> x2 >> y2;
      EXPECT_NEAR(y2, -y1, 1e-6);
      sum += std::sin(y1) * std::sin(y1);
    }
    EXPECT_NEAR(sum, 1.0, 1e-5) << step;
    step++;
  }

  EXPECT_EQ(r2.status, 0);
  EXPECT_EQ(r1.out, r2.out);
  EXPECT_EQ(map, readFileText(dir2 + "/map.txt"));
  EXPECT_EQ(report, readFileText(dir2 + "/rep.txt"));
}

TEST(MapSimDCRun, UnwritableMapFileStopsBeforeAnyStep) {
  const std::string dir = makeTempDir();
  const testing::cmdResult r =
      runKorvaCmd(kMapArgs + " -map 10 -outMap no_such_dir/map.txt -outD rep.txt", "", dir);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(
      r.err.find("KORVA Error opening log file for error space mapping no_such_dir/map.txt\n"),
      std::string::npos)
      << r.err;
  EXPECT_EQ(r.out.find("Number of steps"), std::string::npos);
  EXPECT_FALSE(fileExists(dir + "/rep.txt"));
}

}  // namespace
}  // namespace korva
