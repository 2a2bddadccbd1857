// Combination of two coupling tables: the arithmetic and the pairing of identical couplings.
#include "tables/combine.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

TEST(AddDC, ArithmeticOfEachAction) {
  const struct {
    int action;
    float c1, c2, d1, d2, result;  // by hand
  } cases[] = {
      {kActionAdd, 0, 1, 3, 5, 5},    {kActionAdd, 2, 1, 3, 5, 11}, {kActionSub, 1, 1, 3, 5, -2},
      {kActionMul, 2, 3, 1, 4, 24},   {kActionDiv, 3, 2, 4, 3, 2},  {kActionMax, 2, 3, -1, -2, -2},
      {kActionMax, 2, 3, -2, -1, -3}, {kActionMax, 2, 3, 1, 1, 2},  {99, 1, 1, 1, 1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(addDC(c.action, c.c1, c.c2, c.d1, c.d2), c.result)
        << "action " << c.action << " " << c.d1 << " " << c.d2;
  }
}

struct CompareTables : ::testing::Test {
  testing::TempDir dir;
  dTab t1, t2;
  void read(dTab* t, const std::string& name, const std::string& rows) {
    const std::string text =
        "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D\n"
        "FORMAT %d %s %s %d %s %s %f\n" +
        rows;
    ASSERT_EQ(readDC(dir.write(name, text).c_str(), t, nullLog()), 0);
  }
};

TEST_F(CompareTables, PairsIdenticalCouplingsLastMatchWins) {
  read(&t1, "a.tab",
       "1 ALA N 1 ALA H 4\n"     // paired twice in table 2: the later value wins
       "2 GLY N 2 GLY H 5\n"     // only in table 1
       "3 SER N 3 SER H 1000\n"  // placeholder: left alone
       "4 LYS N 4 LYS H 6\n"     // deselected by the type selection before pairing
       "5 LYS N 5 LYS H 7\n"     // paired with a residue-name mismatch only: not identical
       "6 LYS N 6 LYS H 7\n"     // J numbered differently in table 2
       "7 LYS N 7 LYS H 7\n");   // atom name of J differs in table 2
  read(&t2, "b.tab",
       "1 ALA N 1 ALA H 10\n3 SER N 3 SER H 2\n4 LYS N 4 LYS H 3\n5 Lys N 5 Lys H 3\n"
       "1 ALA N 1 ALA H 20\n6 LYS N 7 LYS H 1\n7 LYS N 7 LYS HN 1\n0 ALA N 0 ALA H 1\n");
  t1.in[3].selected = 0;
  // Subtraction with c1 = c2 = 1: 4 - 20.
  EXPECT_EQ(adjustDC(kActionSub, 1, 1, &t1, &t2, nullLog()), 1);
  EXPECT_FLOAT_EQ(t1.work[0].D, -16.0f);
  EXPECT_EQ(t1.work[0].selected, 1);
  EXPECT_EQ(t1.in[1].selected, 0);
  EXPECT_EQ(t1.work[1].selected, 0);
  EXPECT_EQ(t1.in[2].selected, 1);  // placeholder keeps its flags and value
  EXPECT_EQ(t1.work[2].D, kDCUnset);
  EXPECT_EQ(t1.work[3].selected, 1);  // combined but not counted
  EXPECT_FLOAT_EQ(t1.work[3].D, 3.0f);
  for (int i : {4, 5, 6}) EXPECT_EQ(t1.in[i].selected, 0) << i;
}

TEST_F(CompareTables, EmptyTableOrDivisionByZeroCombinesNothing) {
  read(&t1, "a.tab", "1 ALA N 1 ALA H 4\n");
  EXPECT_EQ(adjustDC(kActionAdd, 0, 1, &t1, &t2, nullLog()), 0);
  EXPECT_EQ(adjustDC(kActionAdd, 0, 1, &t2, &t1, nullLog()), 0);
  read(&t2, "b.tab", "1 ALA N 1 ALA H 0\n");
  TextLog log;
  EXPECT_EQ(adjustDC(kActionDiv, 1, 1, &t1, &t2, log), 0);
  EXPECT_EQ(log.text(), "DC Warning: combined value of coupling 1 is not finite; left out.\n");
  EXPECT_EQ(t1.work[0].selected, 0);
  EXPECT_EQ(t1.in[0].selected, 0);
}

}  // namespace
}  // namespace korva
