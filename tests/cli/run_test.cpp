// The real program: start-up, parameter failures, the unused-argument report and the end of run.
#include <gtest/gtest.h>

#include <string>

#include "support/run_korva.h"

namespace korva {
namespace {

using testing::lastLine;
using testing::runKorvaCmd;

const char* const kExtractError = "DC Error extracting command-line arguments.\n";

bool startsWithBanner(const std::string& err) {
  return err.rfind("\n\n *" + std::string(68, '-') + "* \n", 0) == 0;
}

TEST(RunFrame, NoArgumentsAndHelpPrintHelpAndFail) {
  std::string help = testing::readFileText(testing::sourcePath("tests/data/help.txt"));
  for (const char* args : {"", "-help", "-pdb x -help"}) {
    auto r = runKorvaCmd(args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(startsWithBanner(r.err));
    EXPECT_NE(r.err.find("* \n\n\n" + help + kExtractError), std::string::npos) << args;
    EXPECT_EQ(lastLine(r.err).rfind("REMARK Memory Allocation Status. Reused: ", 0), 0u);
  }
}

TEST(RunFrame, MalformedFiveValueListEndsTheRun) {
  auto r = runKorvaCmd("-anA -inS1 1 2 3 4 -inS2 1 2 3 4 5");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(
      r.err.find(std::string("VANTRO Error: -inS1 option requires 5 values.\n") + kExtractError),
      std::string::npos);
  EXPECT_EQ(lastLine(r.err).rfind("REMARK Memory Allocation Status.", 0), 0u);
}

TEST(RunFrame, OverlongOptionValueIsRejected) {
  auto r = runKorvaCmd("-bestFit -pdb " + std::string(300, 'p') + ".pdb");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("VANTRO Error: value of -pdb is longer than 255 characters.\n"),
            std::string::npos);
  EXPECT_NE(r.err.find(kExtractError), std::string::npos);
  EXPECT_EQ(lastLine(r.err).rfind("REMARK Memory Allocation Status.", 0), 0u);
}

TEST(RunFrame, UnusedArgumentsReportedOnlyWhenAsked) {
  // Positions: 1 -anA 2 -inS1 3..7 values 8 -bogus 9 7 10 -anA
  const std::string args = "-anA -inS1 1 2 3 4 5 -bogus 7 -anA -outA /dev/null";
  auto quiet = runKorvaCmd(args);
  EXPECT_EQ(quiet.err.find("may be unknown or unused"), std::string::npos);

  auto all = runKorvaCmd(args, "DUVARUDU=ALL");
  EXPECT_NE(all.err.find("  Arguments 8 to 10 may be unknown or unused:\n  ' -bogus 7 -anA '\n"),
            std::string::npos)
      << all.err;

  auto flags = runKorvaCmd(args, "DUVARUDU=FLAGS");
  EXPECT_NE(flags.err.find("  Argument 8 may be unknown or unused:\n  ' -bogus '\n"),
            std::string::npos);
  EXPECT_NE(flags.err.find("  Argument 10 may be unknown or unused:\n  ' -anA '\n"),
            std::string::npos);

  auto debug = runKorvaCmd(args, "DUVARUDU=DEBUG");
  EXPECT_NE(debug.err.find("Debug Info from "), std::string::npos);
  EXPECT_NE(debug.err.find("  8. 0   6 Characters: '-bogus'\n"), std::string::npos);
}

TEST(RunFrame, AcceptedButUnusedOptionsAreNotReported) {
  auto r = runKorvaCmd(
      "-anA -inS1 1 2 3 4 5 -inCS a -outCS b -outS c -ref d -path e -list f -sPath g -sList h "
      "-rList i -csThresh 1 -vcThresh 2 -fit -nofit -sID 3 -dStep 1 -sStep 2 -outA /dev/null",
      "DUVARUDU=ALL");
  EXPECT_EQ(r.err.find("may be unknown or unused"), std::string::npos) << r.err;
}

TEST(RunFrame, AllocationTraceWithDebugLevelTwo) {
  auto r = runKorvaCmd("-anA -inS1 1 2 3 4 5 -w 1 2 -dbg 2 -outA /dev/null");
  EXPECT_NE(r.err.find("\n_MEM "), std::string::npos);
  EXPECT_EQ(lastLine(r.err).rfind("REMARK Memory Allocation Status.", 0), 0u);
}

// An output file that cannot be written ends every mode with status 1 and a line naming it, after
// the report has gone to standard output instead.
TEST(RunFrame, UnwritableOutputFailsEveryModeAndKeepsTheReport) {
  const std::string bad = "/nonexistent/dir/out";
  const std::string ubq = "-pdb '" + testing::sourcePath("examples/ubiquitin-2mjb.pdb") +
                          "' -inD '" + testing::sourcePath("examples/ubiquitin-nh-bicelle.tab") +
                          "' ";
  const std::string tabs = "-anDC -inD1 '" + testing::sourcePath("tests/data/three-nh.tab") +
                           "' -inD2 '" + testing::sourcePath("tests/data/three-nh.tab") + "' ";
  const std::string free =
      "-stKorvaFree -pdbF '" + testing::sourcePath("examples/ubiquitin-heavy.txt") + "' -dot 12 ";
  const struct {
    std::string args;
    std::string line;
    bool report;  // the report still reaches standard output
  } cases[] = {
      {ubq + "-outD " + bad, "DC Error opening output file " + bad + "\n", true},
      {ubq + "-pdbRot " + bad, "PDB Error opening PDB file " + bad + "\n", true},
      {"-bestFit " + ubq + "-outD /dev/full", "DC Error writing output file /dev/full\n", true},
      {"-bestFit " + ubq + "-pdbRot " + bad, "PDB Error opening PDB file " + bad + "\n", true},
      {"-bestFit " + ubq + "-map 3 -outMap " + bad,
       "KORVA Error opening log file for error space mapping " + bad + "\n", false},
      {"-bestFit " + ubq + "-map 3 -outMap /dev/full",
       "KORVA Error writing the error space map /dev/full\n", false},
      {free + "-outA " + bad, "DC Error opening output file " + bad + "\n", true},
      {"-anA -inS1 1 2 3 4 5 -inS2 1 2 3 4 5 -outA " + bad,
       "DC Error opening output file " + bad + "\n", true},
      {tabs + "-outD " + bad, "DC Error opening output file " + bad + "\n", true},
  };
  for (const auto& c : cases) {
    const auto r = runKorvaCmd(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.err.find(c.line), std::string::npos) << c.args << r.err;
    EXPECT_EQ(r.out.find("REMARK Molecular Alignment Simulation.") != std::string::npos, c.report)
        << c.args;
  }
}

}  // namespace
}  // namespace korva
