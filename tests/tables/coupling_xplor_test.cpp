// Xplor-NIH restraint files: which assign statements are couplings, and bad statements.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "tables/coupling_formats.h"

namespace korva {
namespace {

using testing::TempDir;

const std::string kTensor =
    "assign ( resid 600 and name OO )\n ( resid 600 and name Z )\n ( resid 600 and name X )\n"
    " ( resid 600 and name Y )\n";

TEST(XplorCouplings, ReadsTensorStatementsAndPassesOverTheRest) {
  TempDir dir;
  std::string text =
      "! distances, then a dihedral of one residue\n"
      "assign (resid 3 and name HA)(resid 4 and name HN) 3.0 1.0 1.0 ! NOE\n"
      "assi (resid 2 and name N)(resid 2 and name CA)(resid 2 and name CB)(resid 2 and name CG)"
      " 1.0 -60 10 2\n"
      "{ assign (resid 601 and name OO)(resid 601 and name Z)(resid 601 and name X)\n"
      "  (resid 601 and name Y)(resid 1 and name N)(resid 1 and name HN) 5 }\n" +
      kTensor +  // lines 6-9
      " ((segid \"A   \") and resid 7 and name n)\n (resi 7 AND name hn) -3.5 0.2 0.4\n" + kTensor +
      " (resid 8 and name CA)\n (resid 8 and name HA#) 25.4\n" + kTensor + " 1.0\n" +
      "  Entry H atom name  Submitted Coord H atom name\n";
  std::string path = dir.write("a.mr", text);
  TextLog log;
  auto r = readCouplingFile(path.c_str(), log);
  ASSERT_TRUE(r.ok()) << r.status.message();
  EXPECT_EQ(r.value.format, couplingFormat::xplor);
  ASSERT_EQ(r.value.lists.size(), 1u);  // the braces hide list 601
  EXPECT_EQ(r.value.lists[0].name, "600");
  ASSERT_EQ(r.value.lists[0].entries.size(), 1u);
  const couplingEntry& e = r.value.lists[0].entries[0];
  EXPECT_EQ(e.where, 6);
  EXPECT_EQ(e.resI, 7);
  EXPECT_STREQ(e.atomNameI, "N");
  EXPECT_STREQ(e.segI, "A");
  EXPECT_STREQ(e.atomNameJ, "HN");
  EXPECT_FLOAT_EQ(e.D, -3.5f);
  EXPECT_FLOAT_EQ(e.DD, 0.4f);  // the larger of the two errors
  EXPECT_EQ(log.text(), "Xplor Warning: " + path +
                            " line 17: name \"HA#\" is a wildcard for several atoms; coupling "
                            "skipped\n" +
                            "Xplor Warning: " + path +
                            " line 18: an assign statement on a tensor residue has 4 "
                            "selections, not 6; coupling skipped\n");
}

TEST(XplorCouplings, TruncatedFilesFail) {
  TempDir dir;
  struct Case {
    std::string text;
    const char* message;  // after "Xplor Error: <path> "
  } cases[] = {
      {kTensor + " (resid 7 and name N)\n", "line 1: the file ends inside this assign statement\n"},
      {kTensor + " (resid 7 and name N)\n (resid 7 and",
       "line 1: the file ends inside this "
       "assign statement\n"},
      {"{ comment\n" + kTensor, "line 1: comment { not closed\n"},
      {"assign (resid 2 and name CA)(resid 3 and name HA) 3 1 1\n",
       "holds no assign statement of six selections on a tensor residue\n"},
  };
  for (const Case& c : cases) {
    std::string path = dir.write("t.mr", c.text);
    auto r = readCouplingFile(path.c_str(), nullLog());
    EXPECT_EQ(r.status.message(), "Xplor Error: " + path + " " + c.message);
  }
}

}  // namespace
}  // namespace korva
