// Ensembles and foreign files on the command line: an ensemble of identical models reports what
// its one model reports, -model picks a model, the couplings that take no part are named, and
// bad input stops the run before anything is written.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

using korva::testing::makeTempDir;
using korva::testing::readFile;
using korva::testing::runKorvaCmd;
using korva::testing::sourcePath;
using korva::testing::writeFile;

const std::string kPdb = sourcePath("examples/ubiquitin-2mjb.pdb");
const std::string kTab = sourcePath("examples/ubiquitin-nh-bicelle.tab");

// The ATOM lines of the bundled structure, without the amide protons when noAmideH.
std::string atomLines(bool noAmideH) {
  const std::string pdb = readFile(kPdb);
  std::string atoms;
  for (size_t p = 0, q; (q = pdb.find('\n', p)) != std::string::npos; p = q + 1) {
    const std::string line = pdb.substr(p, q - p + 1);
    if (line.compare(0, 4, "ATOM") != 0 || (noAmideH && line.substr(12, 4) == " H  ")) continue;
    atoms += line;
  }
  return atoms;
}

// The ATOM lines of the bundled structure, model count times, each under its MODEL record;
// drop removes the atom of that 0-based index from the last model.
std::string modelsFile(int count, int drop = -1) {
  const std::string atoms = atomLines(false);
  std::string text;
  for (int m = 1; m <= count; m++) {
    text += "MODEL     " + std::to_string(m) + "\n";
    std::string these = atoms;
    if (m == count && drop >= 0) {
      size_t start = 0;
      for (int i = 0; i < drop; i++) start = these.find('\n', start) + 1;
      these.erase(start, these.find('\n', start) + 1 - start);
    }
    text += these + "ENDMDL\n";
  }
  return text;
}

// Drops the line that names the ensemble, so that the rest can be compared with a single model.
std::string withoutLine(std::string report, const char* start) {
  const size_t p = report.find(start);
  if (p != std::string::npos) report.erase(p, report.find('\n', p) + 1 - p);
  return report;
}

// The mean of identical models is that model: two copies give the single structure's report (but
// for the line naming the ensemble, and the condition number of a single fit's design), with two
// equal rows; -model 2 gives it byte for byte. Both hold for the steric prediction and the fits
// (one tensor, or one per model with zero spread).
TEST(EnsembleRun, IdenticalModelsReportLikeTheirModel) {
  const std::string dir = makeTempDir();
  writeFile(dir + "/two.pdb", modelsFile(2));
  for (const std::string mode : {"", "-bestFit", "-bestFit -nofixed", "-bestFit -perModel"}) {
    const std::string in = mode + " -inD '" + kTab + "' -outD r.tab";
    ASSERT_EQ(runKorvaCmd(in + " -pdb '" + kPdb + "'", "", dir).status, 0) << mode;
    const std::string single = readFile(dir + "/r.tab");
    const auto both = runKorvaCmd(in + " -pdb two.pdb -outModels m.tab", "", dir);
    ASSERT_EQ(both.status, 0) << both.err;
    const std::string report = readFile(dir + "/r.tab");
    EXPECT_NE(report.find("REMARK Ensemble of 2 models of two.pdb"), std::string::npos) << mode;
    if (mode == "-bestFit -perModel") {
      EXPECT_NE(report.find("REMARK Per-model Q       mean 0.0452 sd 0.0000"), std::string::npos);
    } else {
      EXPECT_EQ(withoutLine(report, "REMARK Ensemble of "),
                withoutLine(single, "DATA CONDITION_NUMBER"))
          << mode;
    }
    const std::string rows = readFile(dir + "/m.tab");
    const size_t first = rows.find("\n    1 "), second = rows.find("\n    2 ");
    ASSERT_NE(second, std::string::npos) << rows;
    EXPECT_EQ(rows.substr(first + 6, second - first - 6),
              rows.substr(second + 6, rows.size() - second - 7))
        << mode;
    ASSERT_EQ(runKorvaCmd(in + " -pdb two.pdb -model 2 -pdbRot rot.cif", "", dir).status, 0);
    EXPECT_EQ(readFile(dir + "/r.tab"), single) << mode;
    // A .cif name takes the rotated structure as mmCIF: its header, then one row per atom.
    const std::string rotated = readFile(dir + "/rot.cif");
    EXPECT_EQ(rotated.compare(0, 11, "data_korva\n"), 0);
    size_t rowsOut = 0;
    for (size_t p = 0; (p = rotated.find("\nATOM ", p)) != std::string::npos; p++) rowsOut++;
    EXPECT_EQ(rowsOut, 1231u) << mode;
  }
}

// Each coupling that takes no part is named with its reason; a table that calls the amide proton
// HN meets a structure that calls it H; a structure without amide protons gets them built.
TEST(EnsembleRun, CouplingsMeetTheStructure) {
  const std::string dir = makeTempDir();
  writeFile(dir + "/c.tab",
            "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D W\n"
            "FORMAT %d %s %s %d %s %s %f %f\n"
            "2 GLN N 2 GLN HN -8.17 1\n3 ILE N 3 ILE HN 8.27 0\n"
            "90 ALA N 90 ALA HN 1.0 1\n4 PHE N 4 PHE QX 1.0 1\n");
  writeFile(dir + "/noh.pdb", atomLines(true));
  struct {
    std::string args;
    const char* expected;  // a line of standard error
  } cases[] = {
      {"-pdb '" + kPdb + "' -inD c.tab",
       "Note: 2 coupling atom names matched to the structure's naming (amide proton H/HN).\n"},
      {"-pdb '" + kPdb + "' -inD c.tab",
       "KORVA: coupling 2 (3 ILE N - 3 ILE H) dropped: zero weight.\n"},
      {"-pdb '" + kPdb + "' -inD c.tab",
       "KORVA: coupling 3 (90 ALA N - 90 ALA HN) dropped: atom N of residue 90 not in the "
       "structure.\n"},
      {"-pdb '" + kPdb + "' -inD c.tab", "KORVA: 3 of 4 couplings dropped.\n"},
      {"-pdb noh.pdb -inD '" + kTab + "'",
       "Note: built 72 amide protons H missing from noh.pdb (-noBuildH: build none).\n"},
      {"-pdb noh.pdb -inD '" + kTab + "' -noBuildH", "KORVA: 63 of 63 couplings dropped.\n"},
  };
  for (const auto& c : cases) {
    const auto r = runKorvaCmd(c.args, "", dir);
    EXPECT_EQ(r.status, 0) << c.args << r.err;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.args << "\n" << r.err;
  }
}

// Bad input: one error line, a failure status and no report.
TEST(EnsembleRun, BadInputStopsBeforeWriting) {
  const std::string dir = makeTempDir();
  writeFile(dir + "/two.pdb", modelsFile(2));
  writeFile(dir + "/uneven.pdb", modelsFile(2, 5));
  const std::string cif = readFile(sourcePath("tests/data/1d3z-cut.cif"));
  writeFile(dir + "/cut.cif", cif.substr(0, cif.size() / 2) + "\"open\n");
  const std::string nef = sourcePath("tests/data/gb1-two-lists.nef");
  struct {
    std::string args;
    const char* error;
  } cases[] = {
      {"-pdb two.pdb -model 3", "KORVA: error - model 3 not in two.pdb (2 models).\n"},
      {"-pdb uneven.pdb",
       "KORVA: error - the models of uneven.pdb differ in their atoms: model 1 has 1231, model 2 "
       "has 1230.\n"},
      {"-pdb cut.cif", "mmCIF Error"},
      {"-pdb '" + kPdb + "' -inD '" + nef + "' -list nosuch", "no coupling list nosuch"},
      {"-pdb '" + kPdb + "' -inD '" + kTab + "' -list 500", "is a coupling table"},
      {"-bestFit -pdb two.pdb -inD '" + kTab + "' -map 5", "-map maps one structure"},
      {"-pdb two.pdb -model 0", "-model value 0 must be 1 or more"},
      {"-pdb two.pdb -pf1 -elec", "a charged medium is simulated on one model"},
      {"-bestFit -pdb two.pdb -inD '" + sourcePath("tests/data/three-nh.tab") + "'",
       "found 3.\nMatrix: error in best-fit of data.\n"},
  };
  for (const auto& c : cases) {
    const auto r = runKorvaCmd(c.args + " -outD r.tab -outModels m.tab", "", dir);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(readFile(dir + "/r.tab"), "") << c.args;
    EXPECT_EQ(readFile(dir + "/m.tab"), "") << c.args;
  }
}

}  // namespace
}  // namespace korva
