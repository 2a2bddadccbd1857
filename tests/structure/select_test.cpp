// Applying selections to a structure.
#include "structure/select.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "structure/pdb.h"
#include "structure/test_files.h"

namespace korva {
namespace {

// Flags a plain atom-by-atom pdbSelectTest pass would give, for comparison with pdbSelect.
int countByTest(const pdbInfo& pdb, const struct pdbSelect& s) {
  int n = 0;
  for (const pdbAtom& a : pdb.atoms) n += pdbSelectTest(&a, &s);
  return n;
}

struct SelCase {
  const char* what;
  int mode;
  int first, last, rangeTest;
  const char* atoms;
  int atomMode;
  int expected;  // counted from the file with a python one-liner over columns 13-16 and 23-26
};

TEST(PdbSelect, ModesAgreeOnSingleChainAndGeneralPaths) {
  pdbInfo pdb;
  std::string src = std::string(KORVA_SOURCE_DIR) + "/tests/data/2mjb-model1.pdb";
  ASSERT_EQ(readPDB(src.c_str(), &pdb, nullptr), 0);
  ASSERT_EQ(pdb.nChains, 1);
  const SelCase cases[] = {
      {"CA exact", kSelCriteria, 1, 76, 1, "CA", kMatchExact, 76},
      {"C* glob", kSelCriteria, 1, 76, 1, "C*", kMatchGlob, 378},
      {"C regex", kSelCriteria, 1, 76, 1, "C", kMatchRegex, 378},
      {"residue 5", kSelCriteria, 5, 5, 1, "*", kMatchExact, 16},
      {"range off", kSelCriteria, 0, 0, 0, "CA", kMatchExact, 76},
      {"inverted CA", kSelInverted, 1, 76, 1, "CA", kMatchExact, 1231 - 76},
      {"inverted CA in 5", kSelInverted, 5, 5, 1, "CA", kMatchExact, 1231 - 1},
      {"clear", kSelClear, 1, 76, 1, "*", kMatchExact, 1231},
      {"set", kSelSet, 0, 0, 1, "*", kMatchExact, 1231},
      {"hydrogens", kSelCriteria, 1, 76, 1, "[1-3]H* H*", kMatchGlob, 629},
  };
  for (const SelCase& c : cases) {
    SCOPED_TRACE(c.what);
    struct pdbSelect s;
    pdbSelectNull(&s);
    s.mode = c.mode;
    s.firstRes = c.first;
    s.lastRes = c.last;
    s.rangeTest = c.rangeTest;
    std::strcpy(s.atomNames, c.atoms);
    s.atomMode = c.atomMode;
    s.value = 3;
    pdbClearSelection(&pdb);
    int passed = pdbSelect(&pdb, &s);  // single-chain path
    EXPECT_EQ(passed, c.expected);
    if (c.mode == kSelClear || c.mode == kSelSet) continue;
    EXPECT_EQ(countByTest(pdb, s), c.expected);  // general path, atom by atom
    int flagged = 0;
    for (const pdbAtom& a : pdb.atoms) {
      EXPECT_EQ(a.selected == 3, pdbSelectTest(&a, &s) == 1);
      flagged += a.selected == 3;
    }
    EXPECT_EQ(flagged, c.expected);
  }
}

TEST(PdbSelect, HydrogenRemovalLeavesHeavyAtoms) {
  pdbInfo pdb;
  std::string src = std::string(KORVA_SOURCE_DIR) + "/tests/data/2mjb-model1.pdb";
  ASSERT_EQ(readPDB(src.c_str(), &pdb, nullptr), 0);
  EXPECT_EQ(pdbSetSelection(&pdb, 1), 1231);
  EXPECT_EQ(pdbSelect1(&pdb, pdb.firstRes, pdb.lastRes, "[1-3]H* H*", 0, kMatchGlob), 629);
  int heavy = 0, wrong = 0;
  for (const pdbAtom& a : pdb.atoms) {
    heavy += a.selected;
    wrong += a.selected != (std::strcmp(a.element, "H") != 0 ? 1 : 0);
  }
  EXPECT_EQ(heavy, 602);  // element column is not H
  EXPECT_EQ(wrong, 0);
}

TEST(PdbSelect, TwoChainsUseTheGeneralPath) {
  testing::TempDir dir;
  std::string text;
  int serial = 1;
  for (char chain : {'A', 'B'}) {
    for (int r = 1; r <= 4; r++) {
      text += testing::atomLine(serial++, " CA ", ' ', "GLY ", chain, r, ' ', 0, 0, 0);
      text += testing::atomLine(serial++, " HA ", ' ', "GLY ", chain, r, ' ', 0, 0, 0);
    }
  }
  pdbInfo pdb;
  ASSERT_EQ(readPDB(dir.write("two.pdb", text).c_str(), &pdb, nullptr), 0);
  struct pdbSelect s;
  pdbSelectNull(&s);
  s.mode = kSelCriteria;
  s.firstRes = 4;
  s.lastRes = 2;  // swapped by the adjustment
  std::strcpy(s.chainNames, "B");
  s.chainMode = kMatchExact;
  EXPECT_EQ(pdbSelect(&pdb, &s), 6);  // residues 2..4 of chain B, two atoms each
  EXPECT_EQ(s.firstRes, 2);
  // A null selection keeps every atom; reading through a selection stores only passing atoms.
  EXPECT_EQ(pdbSelectTest(&pdb.atoms[0], nullptr), 1);
  pdbSelectNull(&s);
  s.mode = kSelCriteria;
  s.rangeTest = 0;
  std::strcpy(s.atomNames, "HA");
  pdbInfo only;
  ASSERT_EQ(readPDB(dir.path("two.pdb").c_str(), &only, &s), 0);
  EXPECT_EQ(only.nAtoms, 8);
  // Quoted words lose their quotes; a quoted word with a blank leaves an empty word at the end.
  std::strcpy(s.atomNames, "'CA' \"H A\"");
  EXPECT_EQ(pdbSelectTest(&pdb.atoms[0], &s), 1);
  EXPECT_EQ(pdbSelectTest(&pdb.atoms[1], &s), 0);
}

TEST(PdbSelect, NullAtomFailsExceptUnderInversion) {
  // The inverted mode exchanges every pass and fail after the clear and set modes, the missing
  // atom's fail included.
  struct pdbSelect s;
  pdbSelectNull(&s);
  s.mode = kSelCriteria;
  EXPECT_EQ(pdbSelectTest(nullptr, &s), 0);
  s.mode = kSelInverted;
  EXPECT_EQ(pdbSelectTest(nullptr, &s), 1);
  s.mode = kSelSet;
  EXPECT_EQ(pdbSelectTest(nullptr, &s), 1);
  s.mode = kSelClear;
  EXPECT_EQ(pdbSelectTest(nullptr, &s), 0);
}

TEST(PdbSelectArgs, OptionsSetModesRangeAndLists) {
  struct Case {
    std::vector<const char*> args;
    int mode, first, last, rangeTest, atomMode, resMode;
    const char* atoms;
  } cases[] = {
      {{"-inv"}, kSelInverted, 0, 0, 1, kMatchNone, kMatchNone, "*"},
      {{"-inv", "-atom", "CA"}, kSelCriteria, 0, 0, 1, kMatchExact, kMatchNone, "CA"},
      {{"-clear", "-set"}, kSelSet, 0, 0, 1, kMatchNone, kMatchNone, "*"},
      {{"-res", "5"}, kSelCriteria, 5, 5, 1, kMatchNone, kMatchNone, "*"},
      {{"-r1", "10", "-rN", "5"}, kSelCriteria, 5, 10, 1, kMatchNone, kMatchNone, "*"},
      {{"-res", "*"}, kSelCriteria, 0, 0, 0, kMatchNone, kMatchNone, "*"},
      {{"-regex", "-aGlob", "-atom", "C*", "-resName", "A"},
       kSelCriteria,
       0,
       0,
       1,
       kMatchGlob,
       kMatchRegex,
       "C*"},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = {const_cast<char*>("korva")};
    for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
    struct pdbSelect s;
    pdbSelectNull(&s);
    EXPECT_EQ(getPDBSelectArgs(static_cast<int>(argv.size()), argv.data(), &s), 0);
    SCOPED_TRACE(c.args[0]);
    EXPECT_EQ(s.mode, c.mode);
    EXPECT_EQ(s.firstRes, c.first);
    EXPECT_EQ(s.lastRes, c.last);
    EXPECT_EQ(s.rangeTest, c.rangeTest);
    EXPECT_EQ(s.atomMode, c.atomMode);
    EXPECT_EQ(s.resMode, c.resMode);
    EXPECT_STREQ(s.atomNames, c.atoms);
  }
}

}  // namespace
}  // namespace korva
