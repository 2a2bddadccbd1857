// Tests of the free-format steric mode: the whole mode on files, its sign, and every refusal.
#include "modes/steric_free.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "structure/test_files.h"

namespace korva {
namespace {

using korva::testing::readFile;
using korva::testing::TempDir;

// Free-format text of atoms placed by a generator f(k) for k = 0..n-1.
template <class F>
std::string freeFormat(int n, F f) {
  std::string text;
  for (int k = 0; k < n; ++k) {
    double p[3];
    f(k, p);
    char line[128];
    std::snprintf(line, sizeof line, "ATOM %d CA ALA %d %.4f %.4f %.4f\n", k + 1, k + 1, p[0], p[1],
                  p[2]);
    text += line;
  }
  return text;
}

// n atoms 3 A apart along z, the straight chain several tests use.
std::string straightChain(int n) {
  return freeFormat(n, [](int k, double p[3]) {
    p[0] = 0.0;
    p[1] = 0.0;
    p[2] = 3.0 * k;
  });
}

struct freeRun {
  int status;
  std::string err;
  dTab tab;
};

void runFree(korvaInfo* info, const std::string& in, const std::string& out, freeRun* r) {
  dTabNull(&r->tab);
  ::testing::internal::CaptureStderr();
  r->status = ssiaFree(info, in.c_str(), out.c_str(), &r->tab);
  r->err = ::testing::internal::GetCapturedStderr();
}

// A straight chain of 20 atoms 3 A apart along z. Each atom keeps about half its probe sphere
// (radius 3.1 A, neighbours 3 A away cut caps of height 1.5 A each: 1 - 2*1.5/6.2 = 0.52 of the
// sphere when both sides are cut), relative (3.1/1.7)^2 * 0.52 = 1.7 > 0.5: all 20 are simulated.
// A wall excludes the upright orientations of a long molecule, so its long axis lies mostly in
// the wall's plane: the order parameter of that axis relative to the wall normal is negative
// (Szz < 0), and by the axial symmetry of the chain Sxx - Syy, Sxy, Sxz, Syz vanish up to the
// discreteness of the orientation points.
TEST(SsiaFree, LongChainAlignsAlongItsAxisAndWritesTheReport) {
  TempDir dir;
  const std::string in = dir.write("chain.txt", straightChain(20));
  korvaInfo info;
  korvaInfoNull(&info);
  info.mode = kModeStericFree;
  freeRun r;
  runFree(&info, in, dir.path("out.tab"), &r);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(in + ", 20 Atoms, Free format.\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("REMARK 20 atoms selected for simulation.\n"), std::string::npos) << r.err;
  EXPECT_LT(r.tab.saupe[0], -1e-3f);
  for (int m = 1; m < 5; ++m) EXPECT_LT(std::fabs(r.tab.saupe[m]), -0.05f * r.tab.saupe[0]) << m;
  const std::string report = readFile(dir.path("out.tab"));
  EXPECT_NE(report.find("DATA SAUPE"), std::string::npos) << report;
}

// -nosurf has no effect in this mode: the buried centre of a 3x3x3 block still drops out.
// A 3x3x3 block 0.01 A apart: every atom but the corners has neighbours on both sides along some
// axis and is buried all round; a corner keeps about one octant of its sphere, relative
// (3.1/1.7)^2 / 8 = 0.42 < 0.5. No atom is left.
TEST(SsiaFree, AllAtomsBuriedStopsWithZeroAtomsLine) {
  TempDir dir;
  const std::string in = dir.write("block.txt", freeFormat(27, [](int k, double p[3]) {
                                     p[0] = 0.01 * (k % 3);
                                     p[1] = 0.01 * (k / 3 % 3);
                                     p[2] = 0.01 * (k / 9);
                                   }));
  for (int surf : {1, 0}) {
    korvaInfo info;
    korvaInfoNull(&info);
    info.mode = kModeStericFree;
    info.surf = surf;
    freeRun r;
    runFree(&info, in, dir.path("out.tab"), &r);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("KORVA: error - zero atoms remain after surface selection!\n"),
              std::string::npos)
        << r.err;
  }
}

// Each refusal ends the mode with status 1 and a line naming the cause, before any NaN or
// division by zero; nothing is written.
TEST(SsiaFree, BadOptionsAndInputsEndWithOneLine) {
  TempDir dir;
  const std::string chain = dir.write("chain.txt", straightChain(20));
  const std::string empty = dir.write("empty.txt", "");
  const struct {
    const char* what;
    int dot, digPsi;
    float dGrid, wv;
    std::string file;
    const char* line;
  } cases[] = {
      {"dot", 2, 18, 0.2f, 0.05f, chain, "KORVA: error - -dot must be at least 3.\n"},
      {"digPsi", 100, 0, 0.2f, 0.05f, chain, "KORVA: error - -digPsi must be at least 1.\n"},
      {"dGrid 0", 100, 18, 0.0f, 0.05f, chain, "KORVA: error - -dGrid must be greater than 0.\n"},
      {"dGrid <0", 100, 18, -1.0f, 0.05f, chain, "KORVA: error - -dGrid must be greater than 0.\n"},
      {"missing", 100, 18, 0.2f, 0.05f, dir.path("none.txt"),
       "Matrix: Error reading PDB file in free format.\n"},
      {"empty", 100, 18, 0.2f, 0.05f, empty, "KORVA: error - no atoms in free-format file"},
      // At 60 % lipid the wall half-spacing (about 35 A) is shorter than the 57 A chain's reach.
      {"normaliser", 100, 18, 0.2f, 0.6f, chain, "stericAlignment: error - "},
  };
  for (const auto& c : cases) {
    korvaInfo info;
    korvaInfoNull(&info);
    info.mode = kModeStericFree;
    info.dot = c.dot;
    info.digPsi = c.digPsi;
    info.dGrid = c.dGrid;
    info.wv = c.wv;
    freeRun r;
    runFree(&info, c.file, dir.path("out.tab"), &r);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_NE(r.err.find(c.line), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(r.err.find("nan"), std::string::npos) << c.what;
    EXPECT_EQ(readFile(dir.path("out.tab")), "") << c.what;
  }
}

// More orientation points than the 40001 a fixed buffer would hold.
TEST(SsiaFree, LargeDensityFitsTheOrientationBuffer) {
  TempDir dir;
  const std::string in = dir.write("chain.txt", straightChain(5));
  korvaInfo info;
  korvaInfoNull(&info);
  info.mode = kModeStericFree;
  info.dot = 45000;
  info.digPsi = 1;
  freeRun r;
  runFree(&info, in, dir.path("out.tab"), &r);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_LT(r.tab.saupe[0], 0.0f);
}

}  // namespace
}  // namespace korva
