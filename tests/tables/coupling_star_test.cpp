// NEF and NMR-STAR couplings: unusable rows, malformed files, author numbering and _RDC lists.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "tables/coupling_formats.h"

namespace korva {
namespace {

using testing::TempDir;

// A NEF list of the given loop rows (chain, residue, name, atom for I and J, then D).
std::string nef(const std::string& rows, const char* tail = "stop_\nsave_\n") {
  return "data_t\nsave_nef_rdc_restraint_list_m\n"
         "_nef_rdc_restraint_list.sf_framecode $nef_rdc_restraint_list_m\nloop_\n"
         "_nef_rdc_restraint.chain_code_1\n_nef_rdc_restraint.sequence_code_1\n"
         "_nef_rdc_restraint.residue_name_1\n_nef_rdc_restraint.atom_name_1\n"
         "_nef_rdc_restraint.chain_code_2\n_nef_rdc_restraint.sequence_code_2\n"
         "_nef_rdc_restraint.residue_name_2\n_nef_rdc_restraint.atom_name_2\n"
         "_nef_rdc_restraint.target_value\n" +
         rows + tail;
}

constexpr const char* kRow = "A 5 ALA N A 5 ALA H 1.5\n";  // line 14 when first

TEST(StarCouplings, UnusableRowsAreNamedAndMalformedFilesFail) {
  TempDir dir;
  std::string noValueColumn = nef("A 5 ALA N A 5 ALA H\n");
  noValueColumn.erase(noValueColumn.find("_nef_rdc_restraint.target"), 32);
  struct Case {
    const char* what;
    std::string text;
    size_t entries;
    const char* message;  // warning, or with entries 0 the error, after "<kind> ...: <path> "
  } cases[] = {
      {"wildcard", nef(std::string(kRow) + "A 6 ALA N A 6 ALA HB% 2\n"), 1,
       "NEF Warning: line 15 (loop row 2): name a wildcard for several atoms: \"HB%\"; coupling "
       "skipped\n"},
      {"no value", nef(std::string(kRow) + "A 6 ALA N A 6 ALA H .\n"), 1,
       "NEF Warning: line 15 (loop row 2): no coupling value: \".\"; coupling skipped\n"},
      {"insertion code", nef("A 6A ALA N A 6 ALA H 1\n" + std::string(kRow)), 1,
       "NEF Warning: line 14 (loop row 1): unreadable residue number \"6A\"; coupling skipped\n"},
      {"missing column", noValueColumn, 0,
       "NEF Error: line 4: loop _nef_rdc_restraint has no column target_value\n"},
      {"cut row", nef("A 5 ALA N A 5\n"), 0,
       "STAR Error: line 4: loop_ of 9 tags holds 6 values, not whole rows (truncated or a "
       "value missing)\n"},
      {"frame not closed", nef(kRow, "stop_\n"), 0,
       "STAR Error: line 16: save frame not closed: expected a tag, loop_ or the closing save_\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.write("c.nef", c.text);
    TextLog log;
    auto r = readCouplingFile(path.c_str(), log);
    std::string got = c.entries == 0 ? r.status.message() : log.text();
    std::string kind(c.message, std::string(c.message).find(':') + 1);
    EXPECT_EQ(got, kind + " " + path + std::string(c.message).substr(kind.size()));
    if (c.entries > 0) {
      ASSERT_TRUE(r.ok());
      EXPECT_EQ(r.value.lists[0].entries.size(), c.entries);
    }
  }
}

TEST(StarCouplings, PrefersAuthorNumberingAndDropsEntityNumbersAsChains) {
  TempDir dir;
  std::string head =
      "data_t\nsave_x\nloop_\n_RDC_constraint.Entity_assembly_ID_1\n"
      "_RDC_constraint.Comp_index_ID_1\n_RDC_constraint.Comp_ID_1\n_RDC_constraint.Atom_ID_1\n"
      "_RDC_constraint.Auth_seq_ID_1\n_RDC_constraint.Auth_atom_ID_1\n"
      "_RDC_constraint.Entity_assembly_ID_2\n_RDC_constraint.Comp_index_ID_2\n"
      "_RDC_constraint.Atom_ID_2\n_RDC_constraint.Auth_seq_ID_2\n_RDC_constraint.Auth_atom_ID_2\n"
      "_RDC_constraint.RDC_val\n_RDC_constraint.RDC_val_err\n";
  // Row 1: author numbers 11 (names from the own numbering only where it agrees); row 2 has no
  // author columns filled.
  std::string rows = "1 1 GLY N 11 N 1 2 H 12 HN 3 0.5\n1 4 ALA N . . 1 4 H . . 4 .\nstop_\n";
  auto r = readCouplingFile(dir.write("a.str", head + rows + "save_\n").c_str(), nullLog());
  ASSERT_TRUE(r.ok()) << r.status.message();
  const auto& e = r.value.lists[0].entries;
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].resI, 11);
  EXPECT_STREQ(e[0].resNameI, "");  // own residue 1 is not author residue 11
  EXPECT_EQ(e[0].resJ, 12);
  EXPECT_STREQ(e[0].atomNameJ, "HN");
  EXPECT_STREQ(e[0].chainI, "");  // one entity assembly: no chain
  EXPECT_FLOAT_EQ(e[0].DD, 0.5f);
  EXPECT_EQ(e[1].resI, 4);
  EXPECT_STREQ(e[1].resNameI, "ALA");
  EXPECT_FLOAT_EQ(e[1].DD, kCouplingErrorUnset);

  rows.replace(rows.find("1 4 ALA N . . 1"), 15, "2 4 ALA N . . 2");
  r = readCouplingFile(dir.write("b.str", head + rows + "save_\n").c_str(), nullLog());
  ASSERT_TRUE(r.ok());
  EXPECT_STREQ(r.value.lists[0].entries[1].chainJ, "2");  // two assemblies stay apart
}

// BMRB entry 19404 keeps its measured couplings in the _RDC category (cut to that frame).
TEST(StarCouplings, ReadsMeasuredCouplingsOfTheRdcCategory) {
  auto r = readCouplingFile(KORVA_SOURCE_DIR "/tests/data/19404-rdc.str", nullLog());
  ASSERT_TRUE(r.ok()) << r.status.message();
  ASSERT_EQ(r.value.lists.size(), 1u);
  EXPECT_EQ(r.value.lists[0].name, "RDC_list_1");
  const auto& e = r.value.lists[0].entries;
  ASSERT_EQ(e.size(), 83u);
  EXPECT_EQ(e[3].resI, 8);
  EXPECT_STREQ(e[3].atomNameI, "H");
  EXPECT_STREQ(e[3].atomNameJ, "N");
  EXPECT_FLOAT_EQ(e[3].D, -17.885f);
  EXPECT_FLOAT_EQ(e[3].DD, 1.006f);
}

}  // namespace
}  // namespace korva
