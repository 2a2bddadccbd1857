// The option table: lookup order and overrides, five-value options, selection and tensor options,
// and the help text against the text transcribed into tests/data/help.txt.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"

namespace korva {
namespace {

struct Parsed {
  runParams p;
  int status = -1;
  std::string err;
};

// Parses a command line given as words after the program name.
Parsed parse(const std::string& line) {
  std::vector<std::string> words{"korva"};
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Parsed r;
  TextLog log;
  argList args(static_cast<int>(words.size()), argv.data(), 0, log);
  r.status = getparams(args, r.p, log);
  r.err = log.text();
  return r;
}

// One integer-valued setting read back after parsing a command line.
#define FIELD(expr) [](const runParams& p) { return static_cast<int>(p.expr); }
struct intCase {
  const char* line;
  int (*get)(const runParams&);
  int expected;
};

TEST(Options, LookupOrderAndOverrides) {
  const intCase cases[] = {
      // Modes: the last of the lookup order wins.
      {"-pdb x", FIELD(info.mode), kModeSteric},
      {"-stKorvaFree", FIELD(info.mode), kModeStericFree},
      {"-anA -bestFit", FIELD(info.mode), kModeCompareSaupe},
      {"-anDC -anA", FIELD(info.mode), kModeCompareDC},
      {"-stKorvaFree -stKorva", FIELD(info.mode), kModeStericFree},
      // Action and scales follow the mode, then the options; -max is looked up last.
      {"-anA", FIELD(info.action), kActionSub},
      {"-anDC", FIELD(info.action), kActionAdd},
      {"-anDC -sub", FIELD(info.action), kActionSub},
      {"-anA -max -add", FIELD(info.action), kActionMax},
      // Medium; of each pair of switches the second in the table wins.
      {"-pf1 -bic", FIELD(info.lcModel), kModelRod},
      {"-noH -H", FIELD(info.useH), 0},
      {"-nosurf -surf", FIELD(info.surf), 0},
      // Coupling segment, range mode (-incl is the help's spelling of -inc), files.
      {"-s1 5 -d1 3", FIELD(dc.s1), 5},
      {"-pdb x", FIELD(dc.s1), kResUnset},
      {"-inc", FIELD(dc.rangeMode), 2},
      {"-incl", FIELD(dc.rangeMode), 2},
      {"-pdb x", FIELD(dc.rangeMode), 3},
      // Optional numbers of the debug level and verbosity.
      {"-pdb x -dbg", FIELD(dbgFlag), 1},
      {"-dbg 3", FIELD(dbgFlag), 3},
      {"-dbg -pdb x", FIELD(dbgFlag), 1},
      {"-noverb", FIELD(info.verbose), 0},
      {"-noverb 2", FIELD(info.verbose), 2},
      {"-pdb x", FIELD(info.verbose), 1},
      // Tensor modes: a magnitude asks for Da and Dr held; -dadr is looked up last.
      {"-bestFit -da 2e-3", FIELD(tensor.tensorMode), kTensorDaDr},
      {"-dadr -svd -nofixed", FIELD(tensor.tensorMode), kTensorDaDr},
      {"-nofixed -da 1e-3", FIELD(tensor.tensorMode), kTensorNoFixed},
      {"-noeuler -euler", FIELD(tensor.eulerFlag + p.info.euler), 0},
      // Selection.
      {"-pdb x", FIELD(select.mode), kSelSet},
      {"-res 5", FIELD(select.mode * 100 + p.select.lastRes), 205},
      {"-r1 10 -rN 5", FIELD(select.firstRes), 5},
      {"-res *", FIELD(select.rangeTest), 0},
      {"-inv -atom CA", FIELD(select.mode), kSelCriteria},
      {"-clear -set", FIELD(select.mode), kSelSet},
      {"-atom CA -resName ALA -regex -aGlob", FIELD(select.atomMode * 10 + p.select.resMode), 32},
      {"-glob -cExact -sRegex", FIELD(select.chainMode * 10 + p.select.segMode), 0},
      {"-chain A -seg B -glob -cExact -sRegex", FIELD(select.chainMode * 10 + p.select.segMode),
       12},
      {"-id 3 -atom N", FIELD(select.value * 10 + p.select.nAtomNames), 31},
  };
  for (const auto& c : cases) {
    const Parsed r = parse(c.line);
    EXPECT_EQ(r.status, 0) << c.line << r.err;
    EXPECT_EQ(c.get(r.p), c.expected) << c.line;
  }
}

#define REAL(expr) [](const runParams& p) { return static_cast<double>(p.expr); }
TEST(Options, RealAndTextValues) {
  const struct {
    const char* line;
    double (*get)(const runParams&);
    double expected;
  } cases[] = {
      {"-anDC -sub -c1 1", REAL(info.c1 + p.info.c2), 2.0},
      {"-anDC", REAL(info.c1), 0.0},
      {"-pf1", REAL(info.rM), 33.5},
      {"-rM 10 -pf1", REAL(info.rM), 10.0},  // -rM overrides the model's radius
      {"-bestFit -da 2e-3", REAL(tensor.daMin + p.tensor.daMax), 4e-3f},
      {"-bestFit -da 2e-3", REAL(tensor.drMin + p.tensor.drMax), 2e-4f},
      {"-bestFit -da 2e-3", REAL(tensor.psiMin), -360.0},
      {"-fixed -psi 10 -theta 20", REAL(tensor.psiMin + p.tensor.thetaMax), 30.0},
      {"-fixed -phi 30 -phiMax 90", REAL(tensor.phiMin + p.tensor.phiMax), 120.0},  // bound last
      {"-fixed", REAL(tensor.daMin), 1e-3f},
      {"-dadr -da 1e-3 -daMin -5e-3", REAL(tensor.daMin + p.tensor.daMax), -4e-3f},
      {"-nofixed -da 3e-3", REAL(tensor.daMin), -1e-2f},  // free outside DADR and FIXED
      // Charged medium: the preset fills only the potential not given; -salt 1000 mM is 3.04 A.
      {"-pf1 -elec", REAL(charge.surfPot), -4.5},
      {"-pf1 -elec -surfPot -3", REAL(charge.surfPot), -3.0},
      {"-pf1 -elec -fitPot", REAL(charge.surfPot), 0.0},
      {"-salt 1000", REAL(charge.debye), 3.04f},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.get(parse(c.line).p), c.expected, 1e-9) << c.line;
  Parsed files = parse("-in a.tab -inD b.tab -out c -outD d -aD1 N -w 1 0.5");
  EXPECT_STREQ(files.p.inD, "b.tab");
  EXPECT_STREQ(files.p.outD, "d");
  EXPECT_STREQ(parse("-in a.tab").p.inD, "a.tab");
  ASSERT_EQ(files.p.weights.size(), 2u);
  EXPECT_EQ(files.p.weights[1], 0.5f);
}

TEST(Options, FiveValueOptions) {
  Parsed ok = parse("-anA -inS1 1e-4 -2e-4 0 0 0 -inS2 1 2 3 4 5");
  EXPECT_EQ(ok.status, 0);
  EXPECT_DOUBLE_EQ(ok.p.saupeCp1[1], -2e-4);
  EXPECT_DOUBLE_EQ(ok.p.saupeCp2[4], 5.0);
  Parsed align = parse("-bestFit -align 1e-3 0 0 0 -1e-3");
  EXPECT_EQ(align.status, 0);
  EXPECT_EQ(align.p.tensor.tensorMode, kTensorSaupe);
  EXPECT_EQ(align.p.tensor.saupeIn[4], -1e-3f);
  const struct {
    const char* line;
    const char* err;
    int status = 1;
  } cases[] = {
      {"-anA -inS1 1 2 3 4", "VANTRO Error: -inS1 option requires 5 values.\n"},
      {"-anA -inS2 1 2 3 4 5 6", "VANTRO Error: -inS2 option requires 5 values.\n"},
      {"-bestFit -saupe 1 2 3 4", "VANTRO Error: -saupe option requires 5 values.\n"},
      {"-bestFit -align 1 2 3 4 5 6", "VANTRO Error: -saupe option requires 5 values.\n"},
      {"-bestFit -saupe", "VANTRO Error: -saupe option requires 5 values.\n"},
      {"-bestFit -saupe 1e-3 abc 0 0 0", "VANTRO Error: -saupe value 'abc' is not a number.\n"},
      {"-debye 0", "VANTRO Error: -debye value 0 must be positive.\n"},
      {"-salt -5", "VANTRO Error: -salt value -5 must be positive.\n"},
      {"-debye 5 -salt 10",
       "VANTRO Error: -debye and -salt both set the Debye length; give one.\n"},
      {"-fitPot -surfPot 2",
       "VANTRO Error: -fitPot fits the potential that -surfPot gives; give one.\n"},
      {"-elec",
       "VANTRO Error: -elec has a preset for the rod medium (-pf1) only; give the wall's "
       "potential with -surfPot.\n"},
      {"-anA -inS1 1 2 3 4 5x", "VANTRO Error: -inS1 value '5x' is not a number.\n"},
      {"-bestFit -map -5", "VANTRO Error: -map needs a step count of 0 or more.\n"},
      {"-pdb x -verb -res 3", "PDB Selection: 3 to 3 Atoms: * Residues: * Chains * Segs: *.\n", 0},
      {"-pdb x -verb", "PDB Selection: All Atoms.\n", 0},
  };
  for (const auto& c : cases) {
    const Parsed r = parse(c.line);
    EXPECT_EQ(r.status, c.status) << c.line;
    EXPECT_EQ(r.err, c.err);
  }
  Parsed longName = parse("-pdb " + std::string(400, 'x'));
  EXPECT_EQ(longName.status, 1);
  EXPECT_STREQ(longName.p.pdb, "");
}

TEST(Options, HelpTextMatchesTranscription) {
  ::testing::internal::CaptureStdout();
  writeHelpText(stdout);
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            testing::readFile(testing::sourcePath("tests/data/help.txt")));
}

}  // namespace
}  // namespace korva
