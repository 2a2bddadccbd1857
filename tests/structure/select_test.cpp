// Applying selections to a structure through a flag per atom.
#include "structure/select.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "structure/pdb.h"
#include "support/files.h"

namespace korva {
namespace {

TEST(PdbSelect, ModesAgreeOnSingleChainAndGeneralPaths) {
  pdbInfo pdb;
  std::string src = std::string(KORVA_SOURCE_DIR) + "/tests/data/2mjb-model1.pdb";
  ASSERT_EQ(readPDB(src.c_str(), &pdb, nullptr, nullLog()), 0);
  ASSERT_EQ(pdb.nChains, 1);
  const struct {
    const char* what;
    int mode;
    int first, last, rangeTest;
    const char* atoms;
    int atomMode;
    int expected;  // counted from the file with a python one-liner over columns 13-16 and 23-26
  } cases[] = {
      {"CA exact", kSelCriteria, 1, 76, 1, "CA", kMatchExact, 76},
      {"C* glob", kSelCriteria, 1, 76, 1, "C*", kMatchGlob, 378},
      {"C regex", kSelCriteria, 1, 76, 1, "C", kMatchRegex, 378},
      {"residue 5", kSelCriteria, 5, 5, 1, "*", kMatchExact, 16},
      {"residues 75 to 99", kSelCriteria, 75, 99, 1, "*", kMatchExact, 15},
      {"range off", kSelCriteria, 0, 0, 0, "CA", kMatchExact, 76},
      {"inverted CA", kSelInverted, 1, 76, 1, "CA", kMatchExact, 1231 - 76},
      {"inverted CA in 5", kSelInverted, 5, 5, 1, "CA", kMatchExact, 1231 - 1},
      {"hydrogens", kSelCriteria, 1, 76, 1, "[1-3]H* H*", kMatchGlob, 629},
      {"quoted words", kSelCriteria, 1, 76, 1, "'CA' \"N\"", kMatchExact, 152},
      {"clear", kSelClear, 1, 76, 1, "*", kMatchExact, 1231},
      {"set", kSelSet, 0, 0, 1, "*", kMatchExact, 1231},
  };
  for (const auto& c : cases) {
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
    std::vector<int> flags(1231, 7);
    EXPECT_EQ(pdbSelect(&pdb, &s, flags.data()).value, c.expected);  // single-chain path
    if (c.mode == kSelClear || c.mode == kSelSet) {
      for (int f : flags) ASSERT_EQ(f, c.mode == kSelSet ? 3 : 0);
      continue;
    }
    int flagged = 0;
    for (size_t i = 0; i < flags.size(); i++) {
      const int pass = pdbSelectTest(&pdb.atoms[i], &s);  // general path, atom by atom
      EXPECT_EQ(flags[i], pass ? 3 : 7) << i;             // failing atoms keep their flag
      flagged += pass;
    }
    EXPECT_EQ(flagged, c.expected);
  }
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
  ASSERT_EQ(readPDB(dir.write("two.pdb", text).c_str(), &pdb, nullptr, nullLog()), 0);
  struct pdbSelect s;
  pdbSelectNull(&s);
  s.mode = kSelCriteria;
  s.firstRes = 4;
  s.lastRes = 2;  // swapped by the adjustment
  std::strcpy(s.chainNames, "B");
  s.chainMode = kMatchExact;
  std::vector<int> flags(16, 0);
  EXPECT_EQ(pdbSelect(&pdb, &s, flags.data()).value, 6);  // residues 2..4 of chain B, two each
  EXPECT_EQ(s.firstRes, 2);
  EXPECT_EQ(s.nChainNames, 1);
  for (int i = 0; i < 16; i++) EXPECT_EQ(flags[i], i >= 10 ? 1 : 0) << i;
  EXPECT_EQ(pdbSelect(nullptr, &s, flags.data()).value, 0);
  // An invalid pattern fails, naming itself, its list and the reason; the flags stay.
  std::strcpy(s.segNames, "S* [AB");
  s.segMode = kMatchGlob;
  const Outcome<int> bad = pdbSelect(&pdb, &s, flags.data());
  EXPECT_EQ(bad.status.message(),
            "PDB Selection Error: '[AB' of the segment names (-seg) is not a valid glob pattern: "
            "unmatched [].\n");
  EXPECT_EQ(flags[0], 0);
  // A null selection keeps every atom; reading through a selection stores only passing atoms.
  EXPECT_EQ(pdbSelectTest(&pdb.atoms[0], nullptr), 1);
  pdbSelectNull(&s);
  s.mode = kSelCriteria;
  s.rangeTest = 0;
  std::strcpy(s.atomNames, "HA");
  pdbInfo only;
  ASSERT_EQ(readPDB(dir.path("two.pdb").c_str(), &only, &s, nullLog()), 0);
  EXPECT_EQ(only.nAtoms, 8);
  // A quoted word with a blank counts as two words and leaves an empty word at the end.
  std::strcpy(s.atomNames, "'CA' \"H A\"");
  EXPECT_EQ(countSelWords(s.atomNames), 3);
  EXPECT_EQ(pdbSelectTest(&pdb.atoms[0], &s), 1);
  EXPECT_EQ(pdbSelectTest(&pdb.atoms[1], &s), 0);
}

TEST(PdbSelect, NullAtomFailsExceptUnderInversion) {
  // The inverted mode exchanges every pass and fail after the clear and set modes, the missing
  // atom's fail included.
  const struct {
    int mode, pass;
  } cases[] = {{kSelCriteria, 0}, {kSelInverted, 1}, {kSelSet, 1}, {kSelClear, 0}};
  for (const auto& c : cases) {
    struct pdbSelect s;
    pdbSelectNull(&s);
    s.mode = c.mode;
    EXPECT_EQ(pdbSelectTest(nullptr, &s), c.pass) << c.mode;
  }
}

}  // namespace
}  // namespace korva
