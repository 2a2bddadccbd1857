// mmCIF reading against the PDB reader, its corners and failures, and writing back.
#include "structure/mmcif.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "support/files.h"

namespace korva {
namespace {

using testing::TempDir;

const std::string kData = std::string(KORVA_SOURCE_DIR) + "/tests/data/";

bool sameAtom(const pdbAtom& a, const pdbAtom& b) {
  return !std::strcmp(a.atomName, b.atomName) && !std::strcmp(a.resName, b.resName) &&
         !std::strcmp(a.chainId, b.chainId) && !std::strcmp(a.locId, b.locId) &&
         !std::strcmp(a.iCode, b.iCode) && !std::strcmp(a.element, b.element) &&
         a.resId == b.resId && a.x == b.x && a.y == b.y && a.z == b.z &&
         a.occupancy == b.occupancy && a.tempFactor == b.tempFactor &&
         !std::strcmp(a.charge, b.charge);
}

// The PDB file of the same entry is the reference: its atoms, all models in a row, must be the
// mmCIF atoms model after model (serial numbers differ: the PDB file restarts them per model).
void expectSameAsPdb(const tvector<atomModel>& models, const char* pdbPath) {
  pdbInfo pdb;
  ::testing::internal::CaptureStderr();  // the merged models repeat atoms
  ASSERT_EQ(readPDB(pdbPath, &pdb, nullptr, nullLog()), 0);
  ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(models.size(), 2u);
  size_t k = 0;
  for (const atomModel& m : models) {
    EXPECT_EQ(m.number, static_cast<int>(&m - &models[0]) + 1);
    ASSERT_EQ(m.atoms.size(), 55u);
    for (const pdbAtom& a : m.atoms) EXPECT_TRUE(sameAtom(a, pdb.atoms[k++])) << k;
  }
}

TEST(MmcifRead, GivesThePdbFilesAtomsModelByModelPlainOrCompressed) {
  TempDir dir;
  std::string cif = testing::readFile(kData + "1d3z-cut.cif");
  std::string gz = dir.path("x.cif.gz");
  gzFile out = gzopen(gz.c_str(), "wb");
  gzwrite(out, cif.data(), static_cast<unsigned>(cif.size()));
  gzclose(out);
  for (const std::string& path : {kData + "1d3z-cut.cif", gz}) {
    auto r = readMmcif(path.c_str(), nullptr, nullLog());
    ASSERT_TRUE(r.ok()) << r.status.message();
    expectSameAsPdb(r.value, (kData + "1d3z-cut.pdb").c_str());
  }
  std::string cut = testing::readFile(gz);
  auto r =
      readMmcif(dir.write("cut.gz", cut.substr(0, cut.size() / 2)).c_str(), nullptr, nullLog());
  EXPECT_NE(r.status.message().find("Error reading file"), std::string::npos);
}

const char* kHead =
    "data_t\nloop_\n_atom_site.group_PDB\n_atom_site.id\n_atom_site.label_atom_id\n"
    "_atom_site.label_seq_id\n_atom_site.auth_atom_id\n_atom_site.auth_comp_id\n"
    "_atom_site.auth_asym_id\n_atom_site.auth_seq_id\n_atom_site.pdbx_PDB_ins_code\n"
    "_atom_site.label_alt_id\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
    "_atom_site.pdbx_formal_charge\n_atom_site.pdbx_PDB_model_num\n";

TEST(MmcifRead, TakesAuthorNamesInsertionCodesAlternatesAndModels) {
  TempDir dir;
  std::string text = std::string(kHead) +
                     "ATOM 1 N 1 \"O5'\" LYS B 10 A B 1.5 -2 3e1 1 7\n"
                     "HETATM 2 O 2 O HOH B 11 ? . 0 0 0 ? 7\n"
                     "atom 3 N 1 NZ LYS B -3 ? . 0 0 0 -2 3\n";
  auto r = readMmcif(dir.write("t.cif", text).c_str(), nullptr, nullLog());
  ASSERT_TRUE(r.ok()) << r.status.message();
  ASSERT_EQ(r.value.size(), 2u);
  const pdbAtom& a = r.value[0].atoms[0];
  EXPECT_EQ(r.value[0].number, 7);
  EXPECT_EQ(r.value[0].atoms.size(), 1u);  // the HETATM row is skipped
  EXPECT_STREQ(a.atomName, "O5'");
  EXPECT_STREQ(a.resName, "LYS");
  EXPECT_STREQ(a.chainId, "B");
  EXPECT_EQ(a.resId, 10);
  EXPECT_STREQ(a.iCode, "A");
  EXPECT_STREQ(a.locId, "B");
  EXPECT_FLOAT_EQ(a.z, 30.0f);
  EXPECT_STREQ(a.charge, "1+");
  EXPECT_EQ(r.value[1].atoms[0].resId, -3);
  EXPECT_STREQ(r.value[1].atoms[0].charge, "2-");

  // A one-atom table may be written as tag-value pairs.
  r = readMmcif(dir.write("one.cif",
                          "data_o\n_atom_site.Cartn_x 1\n_atom_site.Cartn_y 2\n"
                          "_atom_site.Cartn_z 3\n_atom_site.auth_seq_id 4\n"
                          "_atom_site.auth_comp_id ALA\n_atom_site.auth_asym_id A\n"
                          "_atom_site.auth_atom_id CA\n")
                    .c_str(),
                nullptr, nullLog());
  ASSERT_TRUE(r.ok()) << r.status.message();
  EXPECT_EQ(r.value[0].atoms[0].resId, 4);
}

TEST(MmcifRead, BadFilesFailWithFileLineAndReason) {
  TempDir dir;
  std::string head = kHead;
  struct Case {
    const char* what;
    std::string text;
    const char* message;  // after "mmCIF Error: <path> "
  } cases[] = {
      {"missing column",
       "data_t\nloop_\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n_atom_site.Cartn_z\n"
       "_atom_site.auth_atom_id\n_atom_site.auth_comp_id\n_atom_site.auth_asym_id\n1 2 3 N A A\n",
       "line 2: the _atom_site table has no column _atom_site.auth_seq_id\n"},
      {"truncated loop", head + "ATOM 1 N 1 N ALA A 1 ? . 0 0 0 ? 1\nATOM 2 C 1 CA ALA\n",
       "line 2: loop_ of 15 tags holds 21 values, not whole rows (truncated or a value missing)\n"},
      {"bad coordinate", head + "ATOM 1 N 1 N ALA A 1 ? . 0 x 0 ? 1\n",
       "line 18: unreadable _atom_site.Cartn_y \"x\"\n"},
      {"unknown residue number", head + "ATOM 1 N 1 N ALA A ? ? . 0 0 0 ? 1\n",
       "line 18: unreadable _atom_site.auth_seq_id \"?\"\n"},
      {"open quote", "data_t\n_cell.a 'abc\n", "line 2: quoted string not closed on its line\n"},
      {"no table", "data_t\n_cell.a 1\n", "holds no _atom_site table\n"},
      {"empty", "# nothing\n", "holds no data_ block\n"},
      {"no header", "loop_\n_a.b\n1\n", "line 1: expected a data_ block header\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.write("bad.cif", c.text);
    auto r = readMmcif(path.c_str(), nullptr, nullLog());
    EXPECT_EQ(r.status.message(), "mmCIF Error: " + path + " " + c.message);
  }
  auto r = readMmcif("/nonexistent/x.cif", nullptr, nullLog());
  EXPECT_EQ(r.status.message(), "mmCIF Error opening file /nonexistent/x.cif\n");
}

TEST(MmcifWrite, ReadsBackAsWrittenAndFailsForAnUnwritablePath) {
  TempDir dir;
  pdbInfo pdb;
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(readPDB((kData + "1d3z-cut.pdb").c_str(), &pdb, nullptr, nullLog()), 0);
  ::testing::internal::GetCapturedStderr();
  std::strcpy(pdb.atoms[0].atomName, "_O'");  // needs quotes
  pdb.atoms[0].locId[0] = '\0';
  // Formal charges travel as numbers; a neutral atom has none.
  std::strcpy(pdb.atoms[1].charge, "2-");
  std::strcpy(pdb.atoms[2].charge, "1+");
  std::string path = dir.path("out.cif");
  ASSERT_TRUE(writeMmcif(path.c_str(), pdb, "rotated").ok());
  auto r = readMmcif(path.c_str(), nullptr, nullLog());
  ASSERT_TRUE(r.ok()) << r.status.message();
  ASSERT_EQ(r.value[0].atoms.size(), pdb.atoms.size());
  for (size_t i = 0; i < pdb.atoms.size(); i++) {
    EXPECT_TRUE(sameAtom(r.value[0].atoms[i], pdb.atoms[i])) << i;
  }
  EXPECT_FALSE(writeMmcif(dir.path("no/such/dir.cif").c_str(), pdb, nullptr).ok());
}

}  // namespace
}  // namespace korva
