// The battery of bad inputs, run through the real program: each case names its input, the exit
// status, the lines that must say what was wrong, and whether a result may be written. A case
// that fails must leave nothing behind but its inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

namespace korva {
namespace {

using testing::readFile;
using testing::sourcePath;

using fileList = std::vector<std::pair<std::string, std::string>>;

struct badCase {
  const char* what;
  fileList files;                  // written into the run's folder besides ubq.pdb and nh.tab
  std::string args;                // the command line after the program name
  int status;                      // expected exit status
  std::vector<std::string> lines;  // each found in standard output or error
};

// The ubiquitin structure with the y of its first n atoms replaced by text.
std::string withY(const std::string& pdb, int n, const char* text) {
  std::string out = pdb;
  for (size_t at = out.find("\nATOM"); n > 0 && at != std::string::npos;
       at = out.find("\nATOM", at + 1), n--) {
    out.replace(at + 1 + 38, 8, text);
  }
  return out;
}

// N-H pairs along the given directions, one residue each, and a table of their couplings: 20 Hz
// times cos(2 azimuth), which about the z axis only an order far beyond 1 can produce.
fileList nhPairs(const std::vector<std::vector<double>>& dirs) {
  std::string pdb, tab =
                       "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                       "FORMAT %d %s %s %d %s %s %f %f %f\n";
  for (size_t i = 0; i < dirs.size(); i++) {
    const int r = static_cast<int>(i) + 1;
    const double* u = dirs[i].data();
    const double n = std::hypot(u[0], u[1], u[2]);
    pdb += testing::atomLine(2 * r - 1, " N  ", ' ', "ALA ", 'A', r, ' ', 4.0 * r, 0, 0);
    pdb += testing::atomLine(2 * r, " H  ", ' ', "ALA ", 'A', r, ' ', 4.0 * r + u[0] / n, u[1] / n,
                             u[2] / n);
    tab += std::to_string(r) + " ALA N " + std::to_string(r) + " ALA H " +
           std::to_string(20.0 * std::cos(2.0 * std::atan2(u[1], u[0]))) + " 1 1\n";
  }
  return {{"v.pdb", pdb}, {"v.tab", tab}};
}

std::vector<std::vector<double>> cone(double degrees) {
  std::vector<std::vector<double>> d;
  const double t = degrees * M_PI / 180.0;
  for (int i = 0; i < 10; i++) {
    d.push_back(
        {std::sin(t) * std::cos(i * M_PI / 5), std::sin(t) * std::sin(i * M_PI / 5), std::cos(t)});
  }
  return d;
}

TEST(BadInput, EveryCaseFailsOrWarnsAndLeavesNoHalfResult) {
  const std::string pdb = readFile(sourcePath("examples/ubiquitin-2mjb.pdb"));
  const std::string tab = readFile(sourcePath("examples/ubiquitin-nh-bicelle.tab"));
  const std::string firstRow = "    2    GLN      N     2    GLN      H    -8.170     1.000 1.00";
  auto row = [&tab, &firstRow](const std::string& with) {
    return std::string(tab).replace(tab.find(firstRow), firstRow.size(), with);
  };
  const std::string fit = "-bestFit -outD out.tab ";  // the first -pdb or -inD counts
  const std::string fitUbq = fit + "-pdb ubq.pdb ";
  const std::string fitNh = fitUbq + "-inD nh.tab ";
  const std::string row2 = "2 GLN N 2 GLN H ";
  const std::string atom = testing::atomLine(1232, " N  ", ' ', "GLY ", 'A', 77, ' ', 1, 2, 3);
  std::string optional;
  for (int i = 0; i < 120; i++) optional += ".?";
  const badCase cases[] = {
      // Structures: unusable numbers, a byte-order mark, endless input.
      {"nan in 20 atoms",
       {{"bad.pdb", withY(pdb, 20, "     nan")}},
       fit + "-inD nh.tab -pdb bad.pdb",
       1,
       {"PDB Warning: bad.pdb line ", "left out: y 'nan' is not a finite", "20 of the 1231 atoms"}},
      {"a line cut",
       {{"cut.pdb", pdb + atom.substr(0, 38)}},
       fit + "-inD nh.tab -pdb cut.pdb",
       0,
       {"atom N of GLY 77 left out: y '' is empty."}},
      {"letters in a residue number",
       {{"res.pdb", pdb + std::string(atom).replace(22, 4, " 7x7")}},
       fit + "-inD nh.tab -pdb res.pdb",
       0,
       {"residue number '7x7' is not a whole number"}},
      {"byte-order mark",
       {{"bom.pdb", "\xEF\xBB\xBF" + pdb}},
       fit + "-inD nh.tab -pdb bom.pdb",
       0,
       {"bom.pdb, 1231 Atoms"}},
      {"endless structure",
       {},
       fit + "-inD nh.tab -pdb /dev/zero",
       1,
       {"PDB Error: /dev/zero holds more than 1073741824 bytes; not read."}},
      // Coupling tables: values that cannot be used, missing values, broken headers.
      {"nan D",
       {{"t.tab", row(row2 + "nan 1 1")}},
       fitUbq + "-inD t.tab",
       0,
       {"DC Warning: t.tab row 1 (2 N - 2 H) left out: D is not a number.",
        "DATA N                    62"}},
      {"D of 9999",
       {{"t.tab", row(row2 + "9999 1 1")}},
       fitUbq + "-inD t.tab",
       0,
       {"not measured (NULLVALUE, or D of 999 or more), left out: 1.",
        "DATA N                    62"}},
      {"null DD",
       {{"t.tab", "NULLVALUE -7\n" + row(row2 + "5 -7 1")}},
       fitUbq + "-inD t.tab",
       0,
       {"left out: 1.", "DATA N                    62"}},
      {"DD of 0",
       {{"t.tab", row(row2 + "5 0 1")}},
       fitUbq + "-inD t.tab",
       0,
       {"left out: DD is 0, which would weigh it infinitely."}},
      {"infinite W",
       {{"t.tab", row(row2 + "5 1 inf")}},
       fitUbq + "-inD t.tab",
       0,
       {"left out: W is not a number."}},
      {"no D column",
       {{"t.tab", "VARS RESID_I DD\n1 1\n"}},
       fitUbq + "-inD t.tab",
       1,
       {"DC Error: t.tab has no column D."}},
      {"a column twice",
       {{"t.tab", "VARS RESID_I D d\n1 1 1\n"}},
       fitUbq + "-inD t.tab",
       1,
       {"DC Error: column D of t.tab is named twice."}},
      {"table byte-order mark",
       {{"t.tab", "\xEF\xBB\xBF" + tab}},
       fitUbq + "-inD t.tab",
       0,
       {"t.tab, 63 Couplings", "DATA N                    63"}},
      {"endless table",
       {},
       fitUbq + "-inD /dev/zero",
       1,
       {"Couplings Error: line 1 of /dev/zero is longer than 1048576 bytes; not read."}},
      {"endless coordinates",
       {},
       "-stKorvaFree -outA out.tab -pdbF /dev/zero",
       1,
       {"readPDBfree Error: line 1 of /dev/zero is longer"}},
      // Configuration.
      {"unknown key",
       {{"k.inp", "BETA_L: 2\nPMAX: 3\n"}},
       "-pdb ubq.pdb -outD out.tab -inp k.inp",
       1,
       {"PMAX: on line 2 of k.inp is not a known key."}},
      {"endless configuration",
       {},
       "-pdb ubq.pdb -outD out.tab -inp /dev/zero",
       1,
       {"readConfig Error: line 1 of /dev/zero is longer"}},
      // Patterns.
      {"bad expression",
       {},
       "-pdb ubq.pdb -outD out.tab -regex -atom 'CA x('",
       1,
       {"'x(' of the atom names (-atom) is not a valid regular expression: unmatched ()."}},
      {"open glob set",
       {},
       "-pdb ubq.pdb -outD out.tab -glob -resName '[AB'",
       1,
       {"'[AB' of the residue names (-resName) is not a valid glob pattern: unmatched []."}},
      {"120 optional letters",
       {},
       "-pdb ubq.pdb -outD out.tab -regex -atom '" + optional + "Q'",
       1,
       {"zero atoms selected"}},
      // Fits that cannot be trusted.
      {"one axis",
       nhPairs(std::vector<std::vector<double>>(10, {0, 0, 1})),
       "-bestFit -pdb v.pdb -inD v.tab -outD out.tab",
       1,
       {"leave the order matrix undetermined (condition number inf); no fit."}},
      {"five couplings",
       nhPairs({{0, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1}}),
       "-bestFit -pdb v.pdb -inD v.tab",
       0,
       {"Q and the other statistics test nothing."}},
      {"within a degree",
       nhPairs(cone(1)),
       "-bestFit -pdb v.pdb -inD v.tab",
       0,
       {"determine the order matrix poorly", "outside [-0.5, 1]"}},
      // Options.
      {"-map abc", {}, fitNh + "-map abc", 1, {"-map value 'abc' is not a whole number"}},
      {"-dot too large", {}, "-pdb ubq.pdb -outD out.tab -dot 4294967396", 1, {"-dot value"}},
      {"-dot last", {}, "-pdb ubq.pdb -outD out.tab -dot", 1, {"-dot needs a value."}},
      {"-inD without file", {}, fitUbq + "-inD", 1, {"-inD needs a value."}},
      {"-lcS 2", {}, "-pdb ubq.pdb -outD out.tab -lcS 2", 1, {"-lcS value 2 must lie between"}},
      {"-dGrid too fine",
       {},
       "-pdb ubq.pdb -outD out.tab -dGrid 1e-3",
       1,
       {"-dGrid 0.001 A is too fine for this molecule"}},
      {"-dGrid too wide",
       {},
       "-pdb ubq.pdb -outD out.tab -pf1 -dGrid 1e9",
       1,
       {"-dGrid 1e+09 A is wider than", "no grid position remains."}},
      {"-saupe nan", {}, fitNh + "-saupe nan 0 0 0 0", 1, {"-saupe value 'nan' is not a number"}},
      {"-inS1 inf",
       {},
       "-anA -outA out.tab -inS1 inf 0 0 0 0 -inS2 1 0 0 0 0",
       1,
       {"-inS1 value 'inf'"}},
      {"-w nan", {}, fitNh + "-w nan", 1, {"-w value 'nan'"}},
      {"-da nan", {}, fitNh + "-da nan", 1, {"-da value 'nan'"}},
      {"-psi beyond float", {}, fitNh + "-psi 1e39", 1, {"-psi value '1e39'"}},
      {"-bestFit without -pdb",
       {},
       "-bestFit -inD nh.tab -outD out.tab",
       1,
       {"-bestFit needs a structure file (-pdb)."}},
      {"-stKorvaFree without -pdbF", {}, "-stKorvaFree -outA out.tab", 1, {"needs a coordinate"}},
      {"directory as input",
       {},
       fit + "-inD nh.tab -pdb .",
       1,
       {"-pdb . is a directory, not a file."}},
      {"output is an input",
       {},
       "-bestFit -pdb ubq.pdb -inD nh.tab -outD nh.tab",
       1,
       {"-outD nh.tab is also the input of -inD."}},
      {"residue offset overflow", {}, fitNh + "-s1 -10 -a1 2147483647", 1, {"are too far apart"}},
      {"disk full",
       {},
       "-bestFit -pdb ubq.pdb -inD nh.tab -outD /dev/full",
       1,
       {"DC Error writing output file /dev/full"}},
      {"misspelt option",
       {},
       fitNh + "-bestfit",
       0,
       {"unknown option -bestfit; did you mean -bestFit?"}},
      {"swapped letters", {}, fitNh + "-bsetFit", 0, {"did you mean -bestFit?"}},
  };
  for (const badCase& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    std::set<std::string> inputs = {"ubq.pdb", "nh.tab"};
    dir.write("ubq.pdb", pdb);
    dir.write("nh.tab", tab);
    for (const auto& [name, text] : c.files) {
      dir.write(name, text);
      inputs.insert(name);
    }
    const testing::cmdResult r = testing::runKorvaCmd(c.args, "", dir.path(""));
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::string text = r.out + r.err + readFile(dir.path("out.tab"));
    for (const std::string& line : c.lines) {
      EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << r.err;
    }
    if (c.status == 0) continue;
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path(""))) {
      left.insert(e.path().filename().string());
    }
    EXPECT_EQ(left, inputs);
    EXPECT_EQ(readFile(dir.path("nh.tab")), tab);
  }
}

}  // namespace
}  // namespace korva
