// End-to-end tests of the steric modes on the bundled ubiquitin: the report, the media, the atom
// counts, the configuration file and the free-format mode, run through the real binary.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "support/run_korva.h"

namespace korva {
namespace {

using korva::testing::cmdResult;
using korva::testing::makeTempDir;
using korva::testing::readFileText;
using korva::testing::runKorvaCmd;
using korva::testing::sourcePath;
using korva::testing::writeFileText;

const std::string kUbq = "-pdb '" + sourcePath("examples/ubiquitin-2mjb.pdb") + "' -inD '" +
                         sourcePath("examples/ubiquitin-nh-bicelle.tab") + "'";

// The number after key on the first line that holds it, or NaN.
double valueAfter(const std::string& text, const std::string& key, int field = 0) {
  size_t p = text.find(key);
  if (p == std::string::npos) return std::nan("");
  const char* c = text.c_str() + p + key.size();
  double v = std::nan("");
  for (int k = 0; k <= field; ++k) v = std::strtod(c, const_cast<char**>(&c));
  return v;
}

// The default run: a STERIC report with parameters, the order matrix, the analysis, statistics
// against the 63 measured couplings and one row per coupling; the prediction tracks the
// measurement (a steric prediction of ubiquitin in bicelles is known to correlate well).
TEST(StericRun, DefaultRunWritesReportThatCorrelatesWithMeasurement) {
  const cmdResult r = runKorvaCmd(kUbq);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"DATA KORVA_MODE STERIC", "DATA KORVA LC_TYPE             wall",
                           "DATA SAUPE ", "DATA EIGENVALUES", "DATA Q_EULER_ANGLES  1",
                           "DATA N                    63", "DATA CORR R", "VARS    RESID_I"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << line;
  }
  EXPECT_NE(r.out.find("REMARK 63 couplings selected (inclusive max).\n"), std::string::npos);
  EXPECT_GT(valueAfter(r.out, "DATA CORR R"), 0.9);
  size_t rows = 0;
  for (size_t p = 0; (p = r.out.find("  N ", p)) != std::string::npos; ++p) ++rows;
  EXPECT_EQ(rows, 63u);
  EXPECT_NE(r.err.find("ubiquitin-2mjb.pdb, 1231 Atoms, Residues 1 to 76.\n"), std::string::npos);
  EXPECT_EQ(korva::testing::lastLine(r.err).rfind("REMARK Memory Allocation Status.", 0), 0u);
}

// The structure has 1231 atoms of which 629 are hydrogens (names H* or [1-3]H*, counted with a
// script over the file): -nosurf simulates the 602 heavy atoms, -nosurf -H all 1231, and the
// surface step keeps fewer than the heavy atoms.
TEST(StericRun, SurfaceAndHydrogenOptionsSetTheAtomCount) {
  const struct {
    const char* options;
    int atoms;  // -1: fewer than 602 but some
  } cases[] = {{"-nosurf", 602}, {"-nosurf -H", 1231}, {"", -1}};
  for (const auto& c : cases) {
    const cmdResult r = runKorvaCmd(kUbq + " " + c.options);
    ASSERT_EQ(r.status, 0) << c.options << r.err;
    const size_t p = r.err.find(" atoms selected for simulation.");
    ASSERT_NE(p, std::string::npos) << r.err;
    const size_t q = r.err.rfind("REMARK ", p);
    const int n = std::atoi(r.err.c_str() + q + 7);
    if (c.atoms >= 0) {
      EXPECT_EQ(n, c.atoms) << c.options;
    } else {
      EXPECT_GT(n, 0);
      EXPECT_LT(n, 602);
    }
  }
}

// The wall model's tensor scales with the inverse wall half-spacing, which halves (a little
// more, through the free-lipid correction) from -wv 0.05 to 0.1: every element grows by a factor
// a little above 2. -pf1 switches to the rod model.
TEST(StericRun, ConcentrationAndMedium) {
  const cmdResult a = runKorvaCmd(kUbq + " -wv 0.05");
  const cmdResult b = runKorvaCmd(kUbq + " -wv 0.1");
  ASSERT_EQ(a.status, 0);
  ASSERT_EQ(b.status, 0);
  for (int m = 0; m < 5; ++m) {
    const double ratio = valueAfter(b.out, "DATA SAUPE", m) / valueAfter(a.out, "DATA SAUPE", m);
    EXPECT_GT(ratio, 2.0) << m;
    EXPECT_LT(ratio, 2.5) << m;
  }
  const cmdResult rod = runKorvaCmd(kUbq + " -pf1");
  ASSERT_EQ(rod.status, 0) << rod.err;
  EXPECT_NE(rod.out.find("DATA KORVA LC_TYPE              rod"), std::string::npos);
  EXPECT_NE(valueAfter(rod.out, "DATA SAUPE"), valueAfter(a.out, "DATA SAUPE"));
}

// The configuration file: a valid file (Pmax and an int key given as 2.9) and one with an
// unknown key run through; an empty line or a missing file end the run with status 1.
TEST(StericRun, ConfigurationFileCases) {
  const std::string dir = makeTempDir();
  writeFileText(dir + "/good.inp", "Pmax: 12.5\nENSEMBLE_DENSITY: 2.9\n");
  writeFileText(dir + "/unknown.inp", "PMAX: 1\nBETA_H: 20\n");
  writeFileText(dir + "/blank.inp", "Pmax: 12.5\n\nBETA_H: 20\n");
  const struct {
    std::string file;
    int status;
    const char* err;
  } cases[] = {
      {"good.inp", 0, ""},
      {"unknown.inp", 0, "Error: Wrong input parameter in auto file"},
      {"blank.inp", 1, "Error: Input data in auto file have wrong format\nLine:\n"},
      {"missing.inp", 1, "readConfig File open error: missing.inp.\n"},
  };
  for (const auto& c : cases) {
    const cmdResult r = runKorvaCmd(kUbq + " -inp " + c.file, "", dir);
    EXPECT_EQ(r.status, c.status) << c.file << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.file << r.err;
    if (c.status) {
      EXPECT_NE(r.err.find("Error reading configuration file " + c.file + "\n"), std::string::npos);
      EXPECT_EQ(r.out.find("DATA SAUPE"), std::string::npos);
    }
  }
}

// Bad simulation options end with one KORVA line and status 1 before any simulation; -pdbRot
// writes the rotated structure.
TEST(StericRun, BadOptionsAndRotatedStructure) {
  for (const char* o : {"-res 1000", "-res 1000 -nosurf"}) {
    const cmdResult r = runKorvaCmd(kUbq + " " + o);
    EXPECT_EQ(r.status, 1) << o;
    EXPECT_NE(r.err.find("KORVA: error - zero atoms selected for simulation!\n"), std::string::npos)
        << o << r.err;
  }
  for (const char* o : {"-dot 2", "-digPsi 0", "-dGrid 0"}) {
    const cmdResult r = runKorvaCmd(kUbq + " " + o);
    EXPECT_EQ(r.status, 1) << o;
    EXPECT_NE(r.err.find("KORVA: error - "), std::string::npos) << o << r.err;
    EXPECT_EQ(r.err.find("atoms selected for simulation"), std::string::npos) << o;
  }
  const std::string dir = makeTempDir();
  const cmdResult r = runKorvaCmd(kUbq + " -pdbRot rot.pdb", "", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string rot = readFileText(dir + "/rot.pdb");
  size_t atoms = 0;
  for (size_t p = 0; (p = rot.find("ATOM  ", p)) != std::string::npos; ++p) ++atoms;
  EXPECT_EQ(atoms, 1231u);
}

// The structure written with -pdbRot lies in the principal frame of the predicted tensor: the
// order matrix is invariant under a rigid rotation of the molecule up to the discretisation of
// orientations and grid, so a second prediction on the written structure must be diagonal to
// within that noise (here 1 % of Szz), and its Szz must match the eigenvalue of largest
// magnitude of the first prediction.
TEST(StericRun, RotatedStructureLiesInThePrincipalFrame) {
  const std::string dir = makeTempDir();
  const cmdResult first = runKorvaCmd(kUbq + " -pdbRot rot.pdb -noeuler", "", dir);
  ASSERT_EQ(first.status, 0) << first.err;
  const std::string rotated =
      "-pdb '" + dir + "/rot.pdb' -inD '" + sourcePath("examples/ubiquitin-nh-bicelle.tab") + "'";
  const cmdResult second = runKorvaCmd(rotated, "", dir);
  ASSERT_EQ(second.status, 0) << second.err;
  const double szz = valueAfter(second.out, "DATA SAUPE ", 0);
  for (int k = 2; k < 5; ++k) {
    EXPECT_LT(std::fabs(valueAfter(second.out, "DATA SAUPE ", k)), 0.01 * std::fabs(szz)) << k;
  }
  const cmdResult plain = runKorvaCmd(kUbq, "", dir);
  const double azz = valueAfter(plain.out, "DATA EIGENVALUES (Axx,Ayy,Azz)", 2);
  EXPECT_NEAR(szz, azz, 0.02 * std::fabs(azz));
}

// Free-format mode through the binary: the example's heavy atoms as bare coordinates.
TEST(StericRun, FreeFormatModeWritesSaupe) {
  const std::string dir = makeTempDir();
  std::string text;
  for (int k = 0; k < 30; ++k) {
    text += "ATOM " + std::to_string(k + 1) + " CA ALA " + std::to_string(k + 1) + " 0.0 0.0 " +
            std::to_string(3.0 * k) + "\n";
  }
  writeFileText(dir + "/coords.txt", text);
  const cmdResult r = runKorvaCmd("-stKorvaFree -pdbF coords.txt -outA out.tab", "", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("coords.txt, 30 Atoms, Free format.\n"), std::string::npos) << r.err;
  const std::string out = readFileText(dir + "/out.tab");
  EXPECT_NE(out.find("DATA SAUPE"), std::string::npos);

  // Da and Dr describe the simulated tensor itself: Da = Azz / 2 and Dr = (Axx - Ayy) / 3 from
  // the report's own eigenvalue line, and the two angle solutions of a general tensor.
  const std::string ubq = "-stKorvaFree -pdbF '" + sourcePath("examples/ubiquitin-heavy.txt") + "'";
  const cmdResult u = runKorvaCmd(ubq, "", dir);
  ASSERT_EQ(u.status, 0) << u.err;
  const double axx = valueAfter(u.out, "DATA EIGENVALUES (Axx,Ayy,Azz)", 0);
  const double ayy = valueAfter(u.out, "DATA EIGENVALUES (Axx,Ayy,Azz)", 1);
  const double azz = valueAfter(u.out, "DATA EIGENVALUES (Axx,Ayy,Azz)", 2);
  EXPECT_NEAR(valueAfter(u.out, "DATA Da"), azz / 2, 1e-3 * std::fabs(azz));
  EXPECT_NEAR(valueAfter(u.out, "DATA Dr"), (axx - ayy) / 3, 1e-3 * std::fabs(azz));
  EXPECT_EQ(valueAfter(u.out, "DATA EULER_SOLUTIONS"), 2.0);

  const cmdResult bad = runKorvaCmd("-stKorvaFree -pdbF none.txt -outA out2.tab", "", dir);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("matrix: error in ssiaFree.\n"), std::string::npos) << bad.err;
}

// Guards the whole default report against regressions. Checked by hand once: eigenvalues sum to
// zero (3.0348e-04 + 9.0282e-04 - 1.2063e-03), Da = Azz/2 = -6.0315e-04 and Dr = (Axx - Ayy)/3
// = -1.9978e-04 agree with the printed Da and Dr, Szz = 5.8949e-04 lies between the smallest and
// largest eigenvalue, and the row of residue 2 has D_DIFF = D_OBS - D (-8.17 + 15.6658 = 7.4958).
TEST(StericRun, GoldenUbiquitinReport) {
  const std::string dir = makeTempDir();
  const cmdResult r = runKorvaCmd(kUbq + " -outD report.tab", "", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(readFileText(dir + "/report.tab"),
            readFileText(sourcePath("tests/golden/steric_ubiquitin.tab")));
}

}  // namespace
}  // namespace korva
