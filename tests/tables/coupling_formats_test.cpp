// Telling coupling formats apart, one coupling set in four formats, and choosing a list.
#include "tables/coupling_formats.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/files.h"

namespace korva {
namespace {

using testing::TempDir;

const std::string kData = std::string(KORVA_SOURCE_DIR) + "/tests/data/";

// The 99 phage N-H couplings of PDB entry 2LOY as four files (cut from the deposited ones) hold
// the same residues and values; the NMR-STAR file remediated by the PDB gives no errors.
TEST(CouplingFile, OneSetReadsAlikeFromNefStarRemediatedStarAndXplor) {
  struct Form {
    const char* file;
    couplingFormat format;
    const char* list;
    float dd;
  } forms[] = {
      {"2loy-rdc.nef", couplingFormat::nef, "nef_rdc_restraint_list_2loy.mr_1", 4.0f},
      {"2loy-rdc.str", couplingFormat::nmrStar, "nef_rdc_restraint_list_2loy.mr_1", 4.0f},
      {"2loy-rdc-remediated.str", couplingFormat::nmrStar, "CNS/XPLOR_dipolar_coupling_5",
       kCouplingErrorUnset},
      {"2loy-rdc.mr", couplingFormat::xplor, "900", 4.0f},
  };
  std::map<int, float> first;  // residue -> D of the first form
  for (const Form& f : forms) {
    SCOPED_TRACE(f.file);
    auto r = readCouplingFile((kData + f.file).c_str(), nullLog());
    ASSERT_TRUE(r.ok()) << r.status.message();
    EXPECT_EQ(r.value.format, f.format);
    ASSERT_EQ(r.value.lists.size(), 1u);
    EXPECT_EQ(r.value.lists[0].name, f.list);
    std::map<int, float> d;
    for (const couplingEntry& e : r.value.lists[0].entries) {
      EXPECT_EQ(e.resI, e.resJ);
      EXPECT_EQ(std::string(e.atomNameI) + e.atomNameJ, e.atomNameI[0] == 'N' ? "NHN" : "HNN");
      EXPECT_FLOAT_EQ(e.DD, f.dd);
      d[e.resI] = e.D;
    }
    EXPECT_EQ(d.size(), 99u);
    if (first.empty()) first = d;
    EXPECT_EQ(d, first);
  }
  // The first and last rows as the files print them.
  EXPECT_FLOAT_EQ(first[3], 11.846f);
  EXPECT_FLOAT_EQ(first[179], 12.713f);
}

TEST(CouplingFile, ChoosesAListByNameOrTakesTheFirstWithANote) {
  const std::string path = kData + "gb1-two-lists.nef";
  auto r = readCouplingFile(path.c_str(), nullLog());
  ASSERT_TRUE(r.ok()) << r.status.message();
  ASSERT_EQ(r.value.lists.size(), 2u);
  EXPECT_EQ(r.value.lists[1].entries[3].resI, 6);  // the t list skips residue 5
  EXPECT_FLOAT_EQ(r.value.lists[1].entries[3].D, -5.947f);
  struct Case {
    const char* name;
    size_t index;
    std::string note;
  } cases[] = {
      {nullptr, 0,
       "Note: " + path +
           " holds 2 coupling lists; using nef_rdc_restraint_list_b (others: "
           "nef_rdc_restraint_list_t; -list NAME chooses).\n"},
      {"t", 1, ""},
      {"nef_rdc_restraint_list_t", 1, ""},
  };
  for (const Case& c : cases) {
    auto choice = chooseCouplingList(r.value, path.c_str(), c.name);
    ASSERT_TRUE(choice.ok());
    EXPECT_EQ(choice.value.index, c.index);
    EXPECT_EQ(choice.value.note, c.note.c_str());
  }
  r.value.lists.pop_back();  // a file of one list needs no note
  EXPECT_EQ(chooseCouplingList(r.value, path.c_str(), nullptr).value.note, "");
  EXPECT_EQ(chooseCouplingList(r.value, "f", "x").status.message(),
            "Couplings Error: no coupling list x in f (lists: nef_rdc_restraint_list_b)\n");
}

TEST(CouplingFile, LeavesTablesToTheTableReaderAndNamesRepeats) {
  auto r = readCouplingFile((kData + "three-nh.tab").c_str(), nullLog());
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value.format, couplingFormat::table);
  EXPECT_TRUE(r.value.lists.empty());

  TempDir dir;
  std::string rdc =
      "assign (resid 9 and name OO)(resid 9 and name Z)(resid 9 and name X)"
      "(resid 9 and name Y)";
  std::string path = dir.write("r.mr", rdc + "(resid 2 and name N)(resid 2 and name HN) 1\n" + rdc +
                                           "(resid 2 and name HN)(resid 2 and name N) 2\n");
  TextLog log;
  r = readCouplingFile(path.c_str(), log);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value.lists[0].entries.size(), 2u);
  EXPECT_EQ(log.text(),
            "Xplor Warning: " + path + " line 2: coupling 2 HN - 2 N of list 9 repeats line 1\n");
}

}  // namespace
}  // namespace korva
