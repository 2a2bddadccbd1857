// Structure files read model by model: MODEL records split the atoms, duplicates are judged
// within one model, and mmCIF is told by the name.
#include "structure/models.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/files.h"

namespace korva {
namespace {

using korva::testing::atomLine;
using korva::testing::makeTempDir;
using korva::testing::writeFile;

TEST(Models, MmcifIsToldByTheName) {
  const struct {
    const char* name;
    bool mmcif;
  } cases[] = {{"a.cif", true}, {"A.CIF.GZ", true},   {"x/b.mmcif", true}, {"a.pdb", false},
               {"cif", false},  {"a.cif.bz2", false}, {"a.gz", false},     {"", false}};
  for (const auto& c : cases) EXPECT_EQ(isMmcifName(c.name), c.mmcif) << c.name;
}

// Each MODEL record starts a model with its number (or the next one when it gives none); atoms
// before the first record are a model of their own; the same atom in two models is no
// duplicate, twice in one model it is.
TEST(Models, ModelRecordsSplitTheAtoms) {
  const std::string n = atomLine(1, " N  ", ' ', "ALA ", 'A', 1, ' ', 0, 0, 0);
  const std::string h = atomLine(2, " H  ", ' ', "ALA ", 'A', 1, ' ', 0, 0, 1);
  const struct {
    std::string text;
    std::vector<int> numbers;
    std::vector<size_t> sizes;
    int redundant;  // warnings
  } cases[] = {
      {n + h, {1}, {2}, 0},
      {"MODEL        5\n" + n + h + "ENDMDL\nMODEL        7\n" + n + h + "ENDMDL\n",
       {5, 7},
       {2, 2},
       0},
      {n + "MODEL\n" + n + h + h, {1, 2}, {1, 3}, 1},
      {"MODELS are not records\n" + n, {1}, {1}, 0},
  };
  const std::string dir = makeTempDir();
  for (const auto& c : cases) {
    writeFile(dir + "/m.pdb", c.text);
    Outcome<tvector<atomModel>> atoms =
        readModelAtoms((dir + "/m.pdb").c_str(), nullptr, nullLog());
    ASSERT_TRUE(atoms.ok()) << c.text;
    ASSERT_EQ(atoms.value.size(), c.numbers.size()) << c.text;
    for (size_t m = 0; m < c.numbers.size(); m++) {
      EXPECT_EQ(atoms.value[m].number, c.numbers[m]) << c.text;
      EXPECT_EQ(atoms.value[m].atoms.size(), c.sizes[m]) << c.text;
    }
    // Models of unequal atoms cannot form an ensemble, but each can be taken alone.
    TextLog log;
    modelSet set;
    const int pick = c.sizes.size() > 1 && c.sizes[0] != c.sizes[1] ? 2 : 0;
    ASSERT_TRUE(buildModelSet(std::move(atoms.value), pick, "m.pdb", &set, log).ok()) << c.text;
    int warnings = 0;
    for (size_t p = 0; (p = log.text().find("Redundant", p)) != std::string::npos; p++) warnings++;
    EXPECT_EQ(warnings, c.redundant) << c.text;
  }
}

}  // namespace
}  // namespace korva
