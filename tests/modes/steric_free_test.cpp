// The free-format steric mode: the whole mode on files, its sign, and every refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modes/modes.h"
#include "support/files.h"

namespace korva {
namespace {

// Free-format text of n atoms at (0, 0, step k) for k = 0..n-1, or a 3 x 3 x 3 block of that step.
std::string atoms(int n, double step, bool block = false) {
  std::string text;
  char line[128];
  for (int k = 0; k < n; ++k) {
    const double x = block ? k % 3 : 0.0, y = block ? k / 3 % 3 : 0.0, z = block ? k / 9 : k;
    std::snprintf(line, sizeof line, "ATOM %d CA ALA %d %.4f %.4f %.4f\n", k + 1, k + 1, step * x,
                  step * y, step * z);
    text += line;
  }
  return text;
}

struct freeRun {
  int status;
  std::string err;
  runParams p;
  // Runs the mode on the file in, the report going to out, with the simulation options given.
  freeRun(const std::string& in, const std::string& out, int dot = 100, int digPsi = 18,
          float dGrid = 0.2f, float wv = 0.05f, int surf = 1) {
    p.info.mode = kModeStericFree;
    testing::setField(p.pdbF, in);
    testing::setField(p.outA, out);
    p.info.dot = dot, p.info.digPsi = digPsi, p.info.dGrid = dGrid, p.info.wv = wv;
    p.info.surf = surf;
    TextLog log;
    status = runStericFree(p, log);
    err = log.text();
  }
};

// A straight chain of 20 atoms 3 A apart along z. Each atom keeps about half its probe sphere
// (radius 3.1 A, neighbours 3 A away cut caps of height 1.5 A each: 1 - 2*1.5/6.2 = 0.52 of the
// sphere when both sides are cut), relative (3.1/1.7)^2 * 0.52 = 1.7 > 0.5: all 20 are simulated.
// A wall excludes the upright orientations of a long molecule, so its long axis lies mostly in
// the wall's plane: the order parameter of that axis relative to the wall normal is negative
// (Szz < 0), and by the axial symmetry of the chain Sxx - Syy, Sxy, Sxz, Syz vanish up to the
// discreteness of the orientation points. More orientation points than a fixed buffer of 40001
// would hold change nothing of that.
TEST(StericFree, LongChainAlignsAlongItsAxisAndWritesTheReport) {
  testing::TempDir dir;
  const std::string in = dir.write("chain.txt", atoms(20, 3.0));
  for (int dot : {100, 45000}) {
    const freeRun r(in, dir.path("out.tab"), dot);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(in + ", 20 Atoms, Free format.\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("REMARK 20 atoms selected for simulation.\n"), std::string::npos);
    const float* s = r.p.tensor.saupe;
    EXPECT_LT(s[0], -1e-3f);
    for (int m = 1; m < 5; ++m) EXPECT_LT(std::fabs(s[m]), -0.05f * s[0]) << m;
    EXPECT_EQ(r.p.tensor.nEuler, 2);
    EXPECT_NE(testing::readFile(dir.path("out.tab")).find("DATA KORVA_MODE STERIC_FREE"),
              std::string::npos);
  }
}

// Each refusal ends the mode with status 1 and a line naming the cause, before any NaN or
// division by zero; nothing is written. -nosurf has no effect in this mode: in a 3x3x3 block
// 0.01 A apart every atom but the corners is buried all round, and a corner keeps about one octant
// of its sphere, relative (3.1/1.7)^2 / 8 = 0.42 < 0.5, so no atom is left. At 60 % lipid the
// wall half-spacing (about 35 A) is shorter than the 57 A chain's reach.
TEST(StericFree, BadOptionsAndInputsEndWithOneLine) {
  testing::TempDir dir;
  const std::string chain = dir.write("chain.txt", atoms(20, 3.0));
  const std::string block = dir.write("block.txt", atoms(27, 0.01, true));
  const std::string none = "KORVA: error - zero atoms remain after surface selection!\n";
  const struct {
    int dot, digPsi, surf;
    float dGrid, wv;
    std::string file, line;
  } cases[] = {
      {2, 18, 1, 0.2f, 0.05f, chain, "KORVA: error - -dot must be at least 3.\n"},
      {100, 0, 1, 0.2f, 0.05f, chain, "KORVA: error - -digPsi must be at least 1.\n"},
      {100, 18, 1, 0.0f, 0.05f, chain, "KORVA: error - -dGrid must be greater than 0.\n"},
      {100, 18, 1, 0.2f, 0.05f, dir.path("none"),
       "Matrix: Error reading PDB file in free format.\n"},
      {100, 18, 1, 0.2f, 0.05f, dir.write("empty", ""), "KORVA: error - no atoms in free-format"},
      {100, 18, 1, 0.2f, 0.05f, block, none},
      {100, 18, 0, 0.2f, 0.05f, block, none},
      {100, 18, 1, 0.2f, 0.6f, chain, "stericAlignment: error - "},
  };
  for (const auto& c : cases) {
    const freeRun r(c.file, dir.path("out.tab"), c.dot, c.digPsi, c.dGrid, c.wv, c.surf);
    EXPECT_EQ(r.status, 1) << c.line;
    EXPECT_NE(r.err.find(c.line), std::string::npos) << r.err;
    EXPECT_EQ(testing::lastLine(r.err), "matrix: error in ssiaFree.");
    EXPECT_EQ(r.err.find("nan"), std::string::npos);
    EXPECT_EQ(testing::readFile(dir.path("out.tab")), "");
  }
}

}  // namespace
}  // namespace korva
