// The free-format steric mode: the whole mode on files, its sign, and every refusal.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modes/modes.h"
#include "support/files.h"

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

// n atoms 3 A apart along z.
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
  runParams p;
};

// Runs the mode on the file in, the report going to out; the info fields come from change.
template <class F>
void runFree(const std::string& in, const std::string& out, F change, freeRun* r) {
  r->p.info.mode = kModeStericFree;
  testing::setField(r->p.pdbF, in);
  testing::setField(r->p.outA, out);
  change(r->p.info);
  TextLog log;
  r->status = runStericFree(r->p, log);
  r->err = log.text();
}

// A straight chain of 20 atoms 3 A apart along z. Each atom keeps about half its probe sphere
// (radius 3.1 A, neighbours 3 A away cut caps of height 1.5 A each: 1 - 2*1.5/6.2 = 0.52 of the
// sphere when both sides are cut), relative (3.1/1.7)^2 * 0.52 = 1.7 > 0.5: all 20 are simulated.
// A wall excludes the upright orientations of a long molecule, so its long axis lies mostly in
// the wall's plane: the order parameter of that axis relative to the wall normal is negative
// (Szz < 0), and by the axial symmetry of the chain Sxx - Syy, Sxy, Sxz, Syz vanish up to the
// discreteness of the orientation points. More orientation points than a fixed buffer of 40001
// would hold change nothing of that.
TEST(StericFree, LongChainAlignsAlongItsAxisAndWritesTheReport) {
  TempDir dir;
  const std::string in = dir.write("chain.txt", straightChain(20));
  for (int dot : {100, 45000}) {
    freeRun r;
    runFree(
        in, dir.path("out.tab"),
        [dot](korvaInfo& i) { i.dot = dot, i.digPsi = dot > 100 ? 1 : 18; }, &r);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(in + ", 20 Atoms, Free format.\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("REMARK 20 atoms selected for simulation.\n"), std::string::npos);
    const float* s = r.p.tensor.saupe;
    EXPECT_LT(s[0], -1e-3f);
    for (int m = 1; m < 5; ++m) EXPECT_LT(std::fabs(s[m]), -0.05f * s[0]) << m;
    EXPECT_EQ(r.p.tensor.nEuler, 2);
    EXPECT_NE(readFile(dir.path("out.tab")).find("DATA KORVA_MODE STERIC_FREE"), std::string::npos);
  }
}

// Each refusal ends the mode with status 1 and a line naming the cause, before any NaN or
// division by zero; nothing is written. -nosurf has no effect in this mode: in a 3x3x3 block
// 0.01 A apart every atom but the corners is buried all round, and a corner keeps about one octant
// of its sphere, relative (3.1/1.7)^2 / 8 = 0.42 < 0.5, so no atom is left.
TEST(StericFree, BadOptionsAndInputsEndWithOneLine) {
  TempDir dir;
  const std::string chain = dir.write("chain.txt", straightChain(20));
  const std::string empty = dir.write("empty.txt", "");
  const std::string block = dir.write("block.txt", freeFormat(27, [](int k, double p[3]) {
                                        p[0] = 0.01 * (k % 3);
                                        p[1] = 0.01 * (k / 3 % 3);
                                        p[2] = 0.01 * (k / 9);
                                      }));
  const struct {
    const char* what;
    int dot, digPsi, surf;
    float dGrid, wv;
    std::string file;
    const char* line;
  } cases[] = {
      {"dot", 2, 18, 1, 0.2f, 0.05f, chain, "KORVA: error - -dot must be at least 3.\n"},
      {"digPsi", 100, 0, 1, 0.2f, 0.05f, chain, "KORVA: error - -digPsi must be at least 1.\n"},
      {"dGrid 0", 100, 18, 1, 0.0f, 0.05f, chain,
       "KORVA: error - -dGrid must be greater than 0.\n"},
      {"missing", 100, 18, 1, 0.2f, 0.05f, dir.path("none.txt"),
       "Matrix: Error reading PDB file in free format.\n"},
      {"empty", 100, 18, 1, 0.2f, 0.05f, empty, "KORVA: error - no atoms in free-format file"},
      {"buried", 100, 18, 1, 0.2f, 0.05f, block,
       "KORVA: error - zero atoms remain after surface selection!\n"},
      {"buried, -nosurf", 100, 18, 0, 0.2f, 0.05f, block,
       "KORVA: error - zero atoms remain after surface selection!\n"},
      // At 60 % lipid the wall half-spacing (about 35 A) is shorter than the 57 A chain's reach.
      {"normaliser", 100, 18, 1, 0.2f, 0.6f, chain, "stericAlignment: error - "},
  };
  for (const auto& c : cases) {
    freeRun r;
    runFree(
        c.file, dir.path("out.tab"),
        [&c](korvaInfo& i) {
          i.dot = c.dot, i.digPsi = c.digPsi, i.surf = c.surf, i.dGrid = c.dGrid, i.wv = c.wv;
        },
        &r);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_NE(r.err.find(c.line), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(testing::lastLine(r.err), "matrix: error in ssiaFree.") << c.what;
    EXPECT_EQ(r.err.find("nan"), std::string::npos) << c.what;
    EXPECT_EQ(readFile(dir.path("out.tab")), "") << c.what;
  }
}

}  // namespace
}  // namespace korva
