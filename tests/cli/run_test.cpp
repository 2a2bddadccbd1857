// The real program: start-up, parameter failures, the unused-argument report, unwritable outputs
// and the end of run.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

using testing::runKorvaCmd;

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every failure of the start-up: the banner first, the help where asked, the reason, the
// extraction line, and the memory line last.
TEST(RunFrame, StartUpFailuresEndWithTheirLines) {
  const std::string help = testing::readFile(testing::sourcePath("tests/data/help.txt"));
  const struct {
    std::string args, reason;
  } cases[] = {
      {"", "* \n\n\n" + help},
      {"-help", "* \n\n\n" + help},
      {"-pdb x -help", "* \n\n\n" + help},
      {"-anA -inS1 1 2 3 4 -inS2 1 2 3 4 5", "VANTRO Error: -inS1 option requires 5 values.\n"},
      {"-bestFit -pdb " + std::string(300, 'p'),
       "VANTRO Error: value of -pdb is longer than 255 characters.\n"},
  };
  for (const auto& c : cases) {
    const auto r = runKorvaCmd(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("\n\n *" + std::string(68, '-') + "* \n", 0), 0u);
    EXPECT_TRUE(has(r.err, c.reason + "DC Error extracting command-line arguments.\n")) << r.err;
    EXPECT_EQ(testing::lastLine(r.err).rfind("REMARK Memory Allocation Status. Reused: ", 0), 0u);
  }
}

// Positions: 1 -anA 2 -inS1 3..7 values 8 -bogus 9 7 10 -anA; the options accepted for older
// command lines are not reported; -dbg 2 traces the allocations.
TEST(RunFrame, UnusedArgumentsReportedOnlyWhenAskedAndAllocationTrace) {
  const std::string args = "-anA -inS1 1 2 3 4 5 -bogus 7 -anA -outA /dev/null";
  EXPECT_FALSE(has(runKorvaCmd(args).err, "may be unknown or unused"));
  EXPECT_TRUE(has(runKorvaCmd(args, "DUVARUDU=ALL").err,
                  "  Arguments 8 to 10 may be unknown or unused:\n  ' -bogus 7 -anA '\n"));
  const auto accepted = runKorvaCmd(
      "-anA -inS1 1 2 3 4 5 -inCS a -outCS b -outS c -ref d -path e -list f -sPath g -sList h "
      "-rList i -csThresh 1 -vcThresh 2 -fit -nofit -sID 3 -dStep 1 -sStep 2 -outA /dev/null",
      "DUVARUDU=ALL");
  EXPECT_FALSE(has(accepted.err, "may be unknown or unused")) << accepted.err;
  const auto trace = runKorvaCmd("-anA -inS1 1 2 3 4 5 -w 1 2 -dbg 2 -outA /dev/null");
  EXPECT_TRUE(has(trace.err, "\n_MEM "));
  EXPECT_EQ(testing::lastLine(trace.err).rfind("REMARK Memory Allocation Status.", 0), 0u);
}

// An output file that cannot be written ends every mode with status 1 and a line naming it, after
// the report has gone to standard output instead.
TEST(RunFrame, UnwritableOutputFailsEveryModeAndKeepsTheReport) {
  const std::string bad = "/nonexistent/dir/out";
  const std::string ubq = "-pdb '" + testing::sourcePath("examples/ubiquitin-2mjb.pdb") +
                          "' -inD '" + testing::sourcePath("examples/ubiquitin-nh-bicelle.tab") +
                          "' ";
  const std::string three = testing::sourcePath("tests/data/three-nh.tab");
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
      {"-stKorvaFree -dot 12 -pdbF '" + testing::sourcePath("examples/ubiquitin-heavy.txt") +
           "' -outA " + bad,
       "DC Error opening output file " + bad + "\n", true},
      {"-anA -inS1 1 2 3 4 5 -inS2 1 2 3 4 5 -outA " + bad,
       "DC Error opening output file " + bad + "\n", true},
      {"-anDC -inD1 " + three + " -inD2 " + three + " -outD " + bad,
       "DC Error opening output file " + bad + "\n", true},
  };
  for (const auto& c : cases) {
    const auto r = runKorvaCmd(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_TRUE(has(r.err, c.line)) << c.args << r.err;
    EXPECT_EQ(has(r.out, "REMARK Molecular Alignment Simulation."), c.report) << c.args;
  }
}

}  // namespace
}  // namespace korva
