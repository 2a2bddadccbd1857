// Atom names across conventions, on residues written in either style.
#include "structure/name_convention.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

using testing::atomLine;

TEST(NameConvention, FindsTheStructuresNameAndSaysWhichConvention) {
  // Residue 1 is the N-terminus; 2 uses IUPAC names and H, 3 PDB names, HN and a methylene
  // with two protons only.
  const char* atoms[][2] = {{"1", " N  "}, {"1", " H1 "}, {"1", " H2 "}, {"2", " N  "},
                            {"2", " H  "}, {"2", " HB1"}, {"2", " HB2"}, {"2", " HB3"},
                            {"3", " N  "}, {"3", " HN "}, {"3", "1HD1"}, {"3", "2HD1"},
                            {"3", "3HD1"}, {"3", "1HB "}, {"3", "2HB "}};
  std::string text;
  int serial = 0;
  for (const auto& a : atoms) {
    serial++;
    text += atomLine(serial, a[1], ' ', "LEU ", 'A', std::stoi(a[0]), ' ', serial, 0, 0);
  }
  testing::TempDir dir;
  pdbInfo pdb;
  ASSERT_EQ(readPDB(dir.write("c.pdb", text).c_str(), &pdb, nullptr, nullLog()), 0);
  struct Case {
    int res;
    const char* name;
    const char* found;  // nullptr: no match
    nameConvention convention;
  } cases[] = {
      {1, "HN", "H1", nameConvention::terminalH}, {1, "H", "H1", nameConvention::terminalH},
      {2, "HN", "H", nameConvention::amideH},     {3, "H", "HN", nameConvention::amideH},
      {2, "1HB", "HB1", nameConvention::methyl},  {3, "HD13", "3HD1", nameConvention::methyl},
      {3, "HB2", nullptr, nameConvention::none},  {3, "H1", nullptr, nameConvention::none},
      {2, "HB", nullptr, nameConvention::none},   {1, "CA", nullptr, nameConvention::none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.res) + c.name);
    conventionMatch m = matchByConvention(*findRes(&pdb, c.res, "A", ""), c.name);
    EXPECT_EQ(m.convention, c.convention);
    if (c.found == nullptr) {
      EXPECT_EQ(m.atom, nullptr);
    } else {
      ASSERT_NE(m.atom, nullptr);
      EXPECT_STREQ(m.atom->atomName, c.found);
    }
  }
}

}  // namespace
}  // namespace korva
