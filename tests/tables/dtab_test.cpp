// The coupling table: reading, interaction constants, selection and the working list.
#include "tables/dtab.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

using testing::num;
using testing::TempDir;

constexpr const char* kHeader =
    "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
    "FORMAT %5d %6s %6s %5d %6s %6s %9.3f %9.3f %.2f\n\n";

struct DcTable : ::testing::Test {
  TempDir dir;
  dTab tab;
  TextLog log;
  int read(const std::string& text) {
    log.clear();
    return readDC(dir.write("dc.tab", text).c_str(), &tab, log);
  }
};

// Expected constants: gamma_I * gamma_J * 3.3568089714136606e-12 / r^3 evaluated in python3
// with the single-precision ratios (H 267519808, C 67283000, N -27116000); HB-CB 1.09 A apart
// gives 46656.10 Hz.
TEST(DipolarConstant, TabulatedPairsCoordinatesAndElements) {
  const struct {
    int resI;
    const char* atomI;
    int resJ;
    const char* atomJ;
    double di;  // Hz; 0 when the pair is not tabulated
  } cases[] = {
      {5, "N", 5, "H", -21523.107},  {5, "HN", 5, "N", -21523.107}, {5, "HA", 5, "CA", 43121.882},
      {5, "CA", 5, "HA", 43121.882}, {5, "N", 5, "CA", -1975.992},  {4, "C", 5, "N", -2609.052},
      {6, "N", 5, "C", -2609.052},   {4, "C", 5, "HN", 6821.917},   {6, "H", 5, "C", 6821.917},
      {4, "C", 5, "CA", 4284.773},   {6, "CA", 5, "C", 4284.773},   {5, "C", 5, "N", 0.0},
      {5, "H", 6, "N", 0.0},         {5, "HB", 5, "CB", 0.0},
  };
  for (const auto& c : cases) {
    float di = -1.0f;
    int fixed = -1;
    EXPECT_EQ(findDI(c.resI, "ALA", c.atomI, c.resJ, "ALA", c.atomJ, &di, &fixed, nullLog()), 0);
    EXPECT_NEAR(di, c.di, 0.01) << c.atomI << "-" << c.atomJ;
    EXPECT_EQ(fixed, c.di != 0.0 ? 1 : 0) << c.atomI << "-" << c.atomJ;
  }

  // From coordinates: 1H counts as hydrogen (the first letter that is not a digit); coinciding
  // atoms give 0, not a division by zero. Tabulated pairs ignore the coordinates (see below).
  const float cb[3] = {1.0f, 2.0f, 3.0f}, hb[3] = {2.09f, 2.0f, 3.0f};
  float di = -1.0f;
  int fixed = -1;
  EXPECT_EQ(findDI2(hb, 7, "ALA", "1H", cb, 7, "ALA", "CB", &di, &fixed, nullLog()), 0);
  EXPECT_NEAR(di, 46656.10, 0.5);
  EXPECT_EQ(fixed, 0);
  EXPECT_EQ(findDI2(cb, 7, "ALA", "HB", cb, 7, "ALA", "CB", &di, &fixed, nullLog()), 0);
  EXPECT_EQ(di, 0.0f);
  // Element letters are upper case; a lower-case one is unknown.
  for (const char* atom : {"ZN", "h"}) {
    TextLog log;
    EXPECT_EQ(findDI(1, "ALA", atom, 1, "HIS", "NE2", &di, &fixed, log), 1);
    EXPECT_EQ(log.text(), std::string("Dipolar Interaction - Unknown atom ") + atom + ".\n");
  }
}

TEST_F(DcTable, NoneOrEmptyNameAndMissingColumns) {
  for (const char* name : {"None", "none", "NONE", ""}) {
    EXPECT_EQ(readDC(name, &tab, log), 0) << name;
    EXPECT_EQ(tab.n, 0) << name;
  }
  // Any column may come first.
  ASSERT_EQ(read("VARS W D RESID_I\nFORMAT %f %f %d\n0.5 1 3\n"), 0);
  EXPECT_EQ(tab.in[0].W, 0.5f);
  ASSERT_EQ(read("VARS RESID_I ATOMNAME_I ATOMNAME_J D\nFORMAT %d %s %s %f\n 3 N H 1\n 7 N H 2\n"),
            0);
  ASSERT_EQ(tab.n, 2);
  const dcRecord& r = tab.in[1];
  const double values[][2] = {{num(r.index), 2},
                              {num(r.resI), 7},
                              {num(r.resJ), kDCResUnset},
                              {num(r.D), 2},
                              {num(r.DD), 1},
                              {num(r.W), 1},
                              {num(r.S), 1},
                              {num(r.readFlag), 1},
                              {num(r.selected), 1},
                              {num(tab.ignoreChain), 1},
                              {num(tab.ignoreSeg), 1},
                              {num(tab.firstRes), kDCResUnset},
                              {num(tab.lastRes), 7},
                              {num(tab.work[0].D), kDCUnset},
                              {num(tab.work[0].selected), 0}};
  for (const auto& v : values) EXPECT_EQ(v[0], v[1]);
  EXPECT_STREQ(r.resNameI, "");
}

TEST_F(DcTable, ReadsEveryColumnAndNormalisesEmptyNames) {
  ASSERT_EQ(read("VARS INDEX ABS RESID_I RESNAME_I ATOMNAME_I CHAINNAME_I SEGNAME_I RESID_J "
                 "RESNAME_J ATOMNAME_J CHAINNAME_J SEGNAME_J D DD S W\n"
                 "FORMAT %d %d %f %s %s %s %s %d %s %s %s %s %f %f %f %f\n"
                 "11 4 12.7 gly HA None {} 12 GLY CA (null) SEGA 5.5 0.5 2 3\n"
                 "12 0 -3 ALA N A none -3 ALA H {} NONE 1 1 1 1\n"),
            0);
  // Names compared without regard to case make the glycine pair; the residue number 12.7 is
  // truncated towards zero; the second row names chain A.
  const dcRecord& r = tab.in[0];
  const double values[][2] = {{num(r.index), 11},
                              {num(r.abs), 4},
                              {num(r.resI), 12},
                              {num(r.glyFlag), 1},
                              {num(r.D), 5.5},
                              {num(r.DD), 0.5},
                              {num(r.S), 2},
                              {num(r.W), 3},
                              {num(r.fixedDistance), 1},
                              {num(tab.ignoreChain), 0},
                              {num(tab.ignoreSeg), 0},
                              {num(tab.firstRes), -3},
                              {num(tab.lastRes), 12}};
  for (const auto& v : values) EXPECT_EQ(v[0], v[1]);
  const std::string names[][2] = {
      {r.chainI, ""}, {r.segI, ""}, {r.chainJ, ""}, {r.segJ, "SEGA"}, {tab.in[1].chainI, "A"}};
  for (const auto& n : names) EXPECT_EQ(n[0], n[1]);
  EXPECT_NEAR(r.DI, 43121.882, 0.01);
}

TEST_F(DcTable, BadInputFailsOrWarnsWithoutCrashing) {
  const std::string path = dir.path("dc.tab");
  const struct {
    const char* what;
    std::string text;
    int status;
    std::string message;  // expected start of the log
  } cases[] = {
      {"binary", std::string(kHeader) + "1 ALA N 1 ALA H 1 1 1\n\x01\x02" + '\0' + "xyz\n", 1, ""},
      {"name column of numbers", "VARS RESID_I ATOMNAME_I\nFORMAT %d %d\n1 2\n", 1,
       "DC Error column ATOMNAME_I of " + path + " must hold names.\n"},
      {"value column of text", "VARS RESID_I D\nFORMAT %d %s\n1 big\n", 1,
       "DC Error column D of " + path + " must hold numbers.\n"},
      {"residue beyond an integer", "VARS RESID_I D\nFORMAT %f %f\n1 1\n1e30 1\n", 1,
       "DC Error bad residue number in " + path + ", row 2.\n"},
      {"unknown element",
       std::string(kHeader) + "1 ZN ZN 1 HIS NE2 3.0 1 1\n2 ALA N 2 ALA H 4 1 1\n", 0,
       "Dipolar Interaction - Unknown atom ZN.\n"},
      {"word of ten kilobytes",
       std::string(kHeader) + "1 " + std::string(10000, 'A') + " N 1 A H 1 1 1\n", 0,
       "PDB Error: string item too long: AAAA"},
      {"number that does not parse", std::string(kHeader) + "1 ALA N 1 ALA H abc 1 1\n", 0,
       "RdTable Warning"},
      {"no D column", "VARS RESID_I DD\n1 1\n", 1, "DC Error: " + path + " has no column D.\n"},
      {"a name twice", "VARS RESID_I D d\n1 1 2\n", 1,
       "DC Error: column D of " + path + " is named twice.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(read(c.text), c.status);
    EXPECT_EQ(log.text().substr(0, c.message.size()), c.message);
    if (c.status != 0) {
      EXPECT_EQ(tab.n, 0);
    }
  }
  // The last three that read on: the unreadable number leaves its coupling out, the name is cut to
  // its field, the unknown element is never selected.
  ASSERT_EQ(read(cases[6].text), 0);
  EXPECT_EQ(tab.in[0].unusable, 1);
  ASSERT_EQ(read(cases[5].text), 0);
  EXPECT_EQ(std::string(tab.in[0].resNameI), std::string(kNameLen - 1, 'A'));
  // The coupling with an unknown element is read but never selected.
  ASSERT_EQ(read(cases[4].text), 0);
  ASSERT_EQ(tab.n, 2);
  EXPECT_EQ(tab.in[0].badElement, 1);
  EXPECT_EQ(tab.in[1].badElement, 0);
  EXPECT_EQ(selectD(tab.in.data(), tab.n, -100, 100, 3), 1);
  EXPECT_EQ(tab.in[0].selected, 0);
  EXPECT_EQ(readDC(dir.path("absent.tab").c_str(), &tab, log), 1);
}

// Each row below but the first has a value that cannot be used: the faulty ones are named, the
// missing ones (a null cell, a D of 999 or more) counted, and none of them is ever selected.
TEST_F(DcTable, UnusableValuesTakePartInNothing) {
  const char* rows[][2] = {
      {"5 1 1", ""},
      {"nan 1 1", "D is not a number"},
      {"5 1 inf", "W is not a number"},
      {"5 0 1", "DD is 0, which would weigh it infinitely"},
      {"999 1 1", ""},
      {"5 -1 1", ""},  // the file's NULLVALUE
  };
  std::string text = "\xEF\xBB\xBFNULLVALUE -1\n" + std::string(kHeader);
  std::string warnings;
  for (int k = 0; k < 6; ++k) {
    text +=
        std::to_string(k + 1) + " ALA N " + std::to_string(k + 1) + " ALA H " + rows[k][0] + "\n";
    if (rows[k][1][0] != '\0') {
      warnings += "DC Warning: " + dir.path("dc.tab") + " row " + std::to_string(k + 1) + " (" +
                  std::to_string(k + 1) + " N - " + std::to_string(k + 1) +
                  " H) left out: " + rows[k][1] + ".\n";
    }
  }
  ASSERT_EQ(read(text), 0);
  ASSERT_EQ(tab.n, 6);
  EXPECT_EQ(log.text().substr(log.text().find("DC Warning")),
            warnings + "DC Warning: couplings of " + dir.path("dc.tab") +
                " not measured (NULLVALUE, or D of 999 or more), left out: 2.\n");
  EXPECT_EQ(selectD(tab.in.data(), tab.n, 1, 6, 3), 1);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(tab.in[k].unusable, k > 0 ? 1 : 0) << k;
}

TEST(DcSelection, ResidueRangeModesAndAtomTypes) {
  // A coupling between residues 20 and 21 against the range 10..20 (and 10..21 for mode 3).
  const struct {
    int first, last, mode, kept;
  } ranges[] = {{10, 20, 1, 0}, {10, 20, 2, 1}, {10, 20, 3, 0}, {10, 21, 3, 1}, {21, 30, 1, 0},
                {21, 30, 2, 1}, {21, 30, 3, 1}, {22, 30, 2, 0}, {20, 21, 1, 1}, {19, 19, 2, 0}};
  for (const auto& c : ranges) {
    dcRecord r;
    resetDC(&r, 1);
    r.resI = 20;
    r.resJ = 21;
    EXPECT_EQ(selectD(&r, 1, c.first, c.last, c.mode), c.kept)
        << c.first << ".." << c.last << " mode " << c.mode;
    EXPECT_EQ(r.selected, c.kept);
  }
  const struct {
    const char* typeI;
    const char* typeJ;
    int keptNH, keptHN;  // couplings written N,H and H,N
  } types[] = {{"All", "All", 1, 1}, {"H", "N", 0, 1},   {"N", "H", 1, 0},
               {"All", "N", 0, 1},   {"N", "All", 1, 0}, {"CA", "All", 0, 0}};
  for (const auto& c : types) {
    dcRecord r[2];
    resetDC(r, 2);
    std::snprintf(r[0].atomNameI, kNameLen, "N");
    std::snprintf(r[0].atomNameJ, kNameLen, "H");
    std::snprintf(r[1].atomNameI, kNameLen, "H");
    std::snprintf(r[1].atomNameJ, kNameLen, "N");
    r[0].selected = r[1].selected = 1;
    EXPECT_EQ(selTypDC(r, 2, c.typeI, c.typeJ), c.keptNH + c.keptHN) << c.typeI << c.typeJ;
    EXPECT_EQ(r[0].selected, c.keptNH) << c.typeI << c.typeJ;
    EXPECT_EQ(r[1].selected, c.keptHN) << c.typeI << c.typeJ;
  }
}

// A two-residue structure (GLY 1, ALA 2) whose N-H is 1.0 A long and HB-CB 1.09 A.
std::string twoResiduePdb() {
  using testing::atomLine;
  return atomLine(1, " N  ", ' ', "GLY ", 'A', 1, ' ', 0, 0, 0) +
         atomLine(2, " H  ", ' ', "GLY ", 'A', 1, ' ', 1, 0, 0) +
         atomLine(3, " CA ", ' ', "GLY ", 'A', 1, ' ', 0, 1.5, 0) +
         atomLine(4, " HA ", ' ', "GLY ", 'A', 1, ' ', 0, 2.6, 0) +
         atomLine(5, " N  ", ' ', "ALA ", 'A', 2, ' ', 5, 0, 0) +
         atomLine(6, " H  ", ' ', "ALA ", 'A', 2, ' ', 6, 0, 0) +
         atomLine(7, " CB ", ' ', "ALA ", 'A', 2, ' ', 5, 3, 0) +
         atomLine(8, " HB ", ' ', "ALA ", 'A', 2, ' ', 6.09, 3, 0);
}

TEST_F(DcTable, BuildUsesOffsetWeightsAndTheGlycineRule) {
  pdbInfo pdb;
  ASSERT_EQ(readPDB(dir.write("two.pdb", twoResiduePdb()).c_str(), &pdb, nullptr, nullLog()), 0);
  // Numbered from 101 in the table, from 1 in the structure.
  ASSERT_EQ(read(std::string(kHeader) + "101 GLY N 101 GLY H 1 1 1\n101 GLY HA 101 GLY CA 2 1 1\n"
                                        "102 ALA N 102 ALA H 3 0.5 1\n102 ALA CB 102 ALA HB 4 1 1\n"
                                        "103 ALA N 103 ALA H 5 1 1\n102 ALA N 102 ALA H 3 0.5 0\n"),
            0);
  // Without the offset nothing is found, silently.
  EXPECT_EQ(mapDCInfo(&pdb, &tab), 0);
  const float scales[] = {0.0f, 4.0f};
  EXPECT_EQ(selectD(tab.in.data(), tab.n, 101, 103, 3), 6);
  EXPECT_EQ(buildDC(&pdb, &tab, -100, 101, scales, 2, log), 4);

  EXPECT_EQ(tab.work[0].selected, 0);  // residue weight 0
  const dcRecord& gly = tab.work[1];   // weight 0, but the glycine HA-CA stays
  EXPECT_EQ(gly.selected, 1);
  EXPECT_EQ(gly.W, 0.0f);
  EXPECT_EQ(gly.DD, kDCUnset);
  EXPECT_NEAR(gly.DI, 43121.882, 0.01);
  const dcRecord& nh = tab.work[2];  // weight 4: W x 2, DD / 4
  EXPECT_EQ(nh.selected, 1);
  EXPECT_EQ(nh.resI, 2);
  EXPECT_STREQ(nh.chainI, "A");
  EXPECT_FLOAT_EQ(nh.W, 2.0f);
  EXPECT_FLOAT_EQ(nh.DD, 0.125f);
  EXPECT_NEAR(nh.DI, -21523.107, 0.01);  // tabulated, although 1.0 A apart here
  EXPECT_EQ(nh.fixedDistance, 1);
  EXPECT_EQ(nh.D, kDCUnset);
  const dcRecord& cb = tab.work[3];
  EXPECT_NEAR(cb.DI, 46656.10, 1.0);  // from the 1.09 A of the structure (see above)
  EXPECT_EQ(cb.fixedDistance, 0);
  EXPECT_EQ(tab.work[4].selected, 0);  // residue 3 is not in the structure

  // Which couplings take part: mapped, entering the fit (weighted, not glycine), listed.
  tab.in[2].badElement = 1;  // as if the element of the N-H were unknown
  const struct {
    int row;
    bool mapped, fits, listed;
  } roles[] = {{0, false, false, false}, {1, true, false, true},   {2, true, true, false},
               {3, true, true, true},    {4, false, false, false}, {5, true, false, true}};
  for (const auto& c : roles) {
    EXPECT_EQ(dcMapped(tab.work[c.row]), c.mapped) << c.row;
    EXPECT_EQ(dcEntersFit(tab, c.row), c.fits) << c.row;
    EXPECT_EQ(dcListed(tab, c.row), c.listed) << c.row;
  }
  EXPECT_TRUE(dcIsGlycine(tab, 1));
}

TEST_F(DcTable, ChainlessTableMapsThroughTheDefaultChainAndEmptyStructureMapsNothing) {
  pdbInfo pdb;
  ASSERT_EQ(read("VARS RESID_I ATOMNAME_I RESID_J ATOMNAME_J D\nFORMAT %d %s %d %s %f\n"
                 "1 N 1 H 1\n2 N 2 H 1\n2 N 2 CA 1\n"),
            0);
  EXPECT_EQ(mapDCInfo(&pdb, &tab), 0);
  EXPECT_EQ(buildDC(&pdb, &tab, 0, 1, nullptr, 0, log), 0);
  EXPECT_EQ(log.text(), "");
  ASSERT_EQ(readPDB(dir.write("two.pdb", twoResiduePdb()).c_str(), &pdb, nullptr, nullLog()), 0);
  EXPECT_EQ(mapDCInfo(&pdb, &tab), 2);
  EXPECT_EQ(tab.in[2].selected, 0);
  EXPECT_EQ(tab.in[1].atomJ, &pdb.atoms[5]);
}

}  // namespace
}  // namespace korva
