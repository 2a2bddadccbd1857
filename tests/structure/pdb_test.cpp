// PDB reading, indexing, look-ups and writing.
#include "structure/pdb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "support/files.h"

namespace korva {
namespace {

using testing::atomLine;
using testing::num;
using testing::readFile;
using testing::TempDir;

int readText(const TempDir& dir, const std::string& text, pdbInfo* pdb, Log& log = nullLog()) {
  return readPDB(dir.write("in.pdb", text).c_str(), pdb, nullptr, log);
}

TEST(PdbRead, BadInputNeverStopsOrCorruptsTheReading) {
  TempDir dir;
  std::string valid = atomLine(7, " CA ", ' ', "ALA ", 'A', 3, ' ', 1.0, 2.0, 3.0);
  std::string hundred;
  for (int i = 1; i <= 100; i++) hundred += atomLine(i, " N  ", ' ', "GLY ", 'A', i, ' ', 1, 2, 3);
  std::string binary;
  for (int i = 0; i < 4096; i++) binary.push_back(static_cast<char>((i * 131 + 7) % 256));
  auto with = [&valid](size_t at, const char* text) {
    return std::string(valid).replace(at, std::strlen(text), text);
  };
  const std::string letters = with(30, "abcdefgh"), nanY = with(38, "  nan   ");
  // One atom in a hundred may be left out (1 of 101 here), two of 102 may not.
  const struct {
    const char* what;
    std::string text;
    int status, atoms;
    std::string message;  // part of the log, "@" standing for the file; "" for an empty log
  } cases[] = {
      {"empty file", "", 0, 0, ""},
      {"binary bytes", binary, 0, 0, ""},
      {"byte-order mark", "\xEF\xBB\xBF" + valid, 0, 1, ""},
      {"multi-megabyte line", std::string(5 << 20, 'X') + "\n" + valid, 0, 1, ""},
      {"multi-megabyte ATOM line", valid.substr(0, 80) + std::string(3 << 20, '9') + "\n", 0, 1,
       ""},
      {"numbers in name fields", "ATOM      1 1234 5678 9  1      1.000   2.000   3.000\n", 0, 1,
       ""},
      {"letters in x", letters + hundred, 0, 100,
       "@ line 1: atom CA of ALA 3 left out: x 'abcdefgh' is not a finite single-precision "
       "number."},
      {"nan in y", hundred + nanY, 0, 100, "@ line 101: atom CA of ALA 3 left out: y 'nan' is not"},
      {"z beyond float", hundred + with(46, "   1e39 "), 0, 100, "left out: z '1e39' is not"},
      {"ends mid-line", hundred + valid.substr(0, 40), 0, 100, "left out: y '' is empty."},
      {"residue letters", hundred + with(22, "  3x"), 0, 100, "residue number '3x' is not a whole"},
      {"no residue number", hundred + with(22, "    "), 0, 100, "residue number '' is empty."},
      {"two bad atoms", letters + nanY + hundred, 1, 0,
       "2 of the 102 atoms of @ left out (at most 1 in 100 may be).\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    pdbInfo pdb;
    TextLog log;
    EXPECT_EQ(readText(dir, c.text, &pdb, log), c.status);
    EXPECT_EQ(static_cast<int>(pdb.atoms.size()), c.atoms);
    if (c.atoms == 0) {
      EXPECT_EQ(pdb.firstRes, 0);
      EXPECT_EQ(pdb.lastRes, 0);
      EXPECT_EQ(pdb.nRes, 0);
    }
    std::string message = c.message;
    if (message.find('@') != std::string::npos)
      message.replace(message.find('@'), 1, dir.path("in.pdb"));
    if (message.empty()) {
      EXPECT_EQ(log.text(), "");
    }
    EXPECT_NE(log.text().find(message), std::string::npos) << log.text();
  }
  TextLog log;
  pdbInfo pdb;
  EXPECT_EQ(readPDB("/nonexistent/dir/x.pdb", &pdb, nullptr, log), 1);
  EXPECT_EQ(log.text(), "PDB Error opening PDB file /nonexistent/dir/x.pdb\n");
}

TEST(PdbRead, ColumnRuleAndRecordTest) {
  TempDir dir;
  std::string text =
      // inner blank of the atom name dropped; residue ALA in 18-20, chain A in 22
      "ATOM      1  C A ALA A   5       1.000   2.000   3.000  0.50 12.25      SEGX C1+\n"
      // four-letter residue name in 18-21, blanks inside the residue-number field
      "ATOM      2  N   HSDAB 1         0.0     0.0     0.0\n"
      // lower-case record name is an atom; HETATM, TER and a glued serial number are not
      "atom      3  O   GLY A   6       0.000   0.000   0.000\n"
      "HETATM    4  O   HOH A   7       0.000   0.000   0.000\n"
      "ATOM100000  O   GLY A   8       0.000   0.000   0.000\n"
      "TER\n"
      "   \n";
  pdbInfo pdb;
  ASSERT_EQ(readText(dir, text, &pdb), 0);
  ASSERT_EQ(pdb.nAtoms, 3);
  const pdbAtom &a = pdb.atoms[0], &b = pdb.atoms[1];
  const std::string names[][2] = {{a.atomName, "CA"},  {a.resName, "ALA"},
                                  {a.chainId, "A"},    {a.segId, "SEGX"},
                                  {a.element, "C"},    {a.charge, "1+"},
                                  {b.resName, "HSDA"}, {b.chainId, "B"},
                                  {b.segId, ""},       {pdb.atoms[2].atomName, "O"},
                                  {pdb.defChain, "A"}, {pdb.defSeg, "SEGX"}};
  for (const auto& n : names) EXPECT_EQ(n[0], n[1]);
  const double values[][2] = {
      {num(a.resId), 5},       {num(a.atomId), 1},         {num(a.y), 2.0},
      {num(a.occupancy), 0.5}, {num(a.tempFactor), 12.25}, {num(b.resId), 1},
      {num(pdb.firstRes), 1},  {num(pdb.lastRes), 6}};
  for (const auto& v : values) EXPECT_EQ(v[0], v[1]);
}

// Coordinates are read as strtod reads the field, rounded to float: the short decimals of the
// format without strtod, everything else by it. Lines straddle the reader's 64 KiB blocks.
TEST(PdbRead, NumbersAsTheCLibraryReadsThemAcrossBlocks) {
  TempDir dir;
  const char* fields[] = {"  -0.000", "  +1.5  ", "     .5 ", "    -5. ", "   1e2  ",
                          "  0x1p3 ", "-999.999", "  0.1   ", "16777217", "12.34567"};
  std::string text;
  const int lines = 1000;  // 81 bytes each
  for (int i = 0; i < lines; i++) {
    std::string line = atomLine(i + 1, " CA ", ' ', "ALA ", 'A', i + 1, ' ', i, 2.0, 3.0);
    line.replace(30, 8, fields[i % std::size(fields)]);
    text += line;
  }
  pdbInfo pdb;
  ASSERT_EQ(readText(dir, text, &pdb), 0);
  ASSERT_EQ(pdb.nAtoms, lines);
  for (int i = 0; i < lines; i++) {
    const char* f = fields[i % std::size(fields)];
    char* end = nullptr;
    const double v = std::strtod(f + std::strspn(f, " "), &end);
    const bool whole = std::strspn(end, " ") == std::strlen(end) && end != f + std::strspn(f, " ");
    EXPECT_EQ(num(pdb.atoms[i].x), whole ? num(static_cast<float>(v)) : 0.0) << f;
    EXPECT_EQ(pdb.atoms[i].resId, i + 1);
  }
  EXPECT_TRUE(std::signbit(pdb.atoms[0].x));
}

TEST(PdbIndex, RedundantAtomsAndInsertionCodes) {
  TempDir dir;
  std::string line = atomLine(1, " CA ", ' ', "ALA ", 'A', 4, ' ', 1.0, 2.0, 3.0);
  pdbInfo pdb;
  TextLog log;
  ASSERT_EQ(readText(dir, "MODEL 1\n" + line + "ENDMDL\nMODEL 2\n" + line + "ENDMDL\n", &pdb, log),
            0);
  EXPECT_EQ(log.text(),
            "PDB Warning: Redundant Atom Specification.\n"
            " ResID: 4 AtomName: CA Chain: A Segment: \n");
  ASSERT_EQ(pdb.nAtoms, 2);
  ASSERT_EQ(pdb.nRes, 1);
  EXPECT_EQ(pdb.residues[0].atoms.size(), 2u);
  EXPECT_EQ(findAtom(&pdb, 4, "CA", "A", ""), &pdb.atoms[0]);

  // Residues 10 and 10A share one record; the atoms of 10A are found by name all the same, and
  // an atom name present in both is found in 10, the plain number.
  std::string text = atomLine(1, " CA ", ' ', "ALA ", 'A', 10, ' ', 0, 0, 0) +
                     atomLine(2, " CA ", ' ', "SER ", 'A', 10, 'A', 0, 0, 0) +
                     atomLine(3, " CB ", ' ', "SER ", 'A', 10, 'A', 0, 0, 0) +
                     atomLine(4, " N  ", ' ', "GLY ", 'A', 11, ' ', 0, 0, 0);
  ASSERT_EQ(readText(dir, text, &pdb), 0);
  ASSERT_EQ(pdb.nRes, 2);
  EXPECT_EQ(pdb.residues[0].nAtoms, 3);
  EXPECT_STREQ(pdb.residues[0].resName, "SER");  // the last atom's name
  EXPECT_EQ(findAtom(&pdb, 10, "CA", "A", ""), &pdb.atoms[0]);
  EXPECT_EQ(findAtom(&pdb, 10, "CB", "A", ""), &pdb.atoms[2]);
  EXPECT_EQ(findAtom(&pdb, 10, "N", "A", ""), nullptr);
  EXPECT_EQ(findAtom(&pdb, 11, "CB", "A", ""), nullptr);
  EXPECT_EQ(findAtom(&pdb, 10, "CB", "B", ""), nullptr);
  EXPECT_EQ(pdb.atoms[2].res, &pdb.residues[0]);
}

TEST(PdbIndex, TwoChainsWithTheSameNumberingAndResidueLinks) {
  TempDir dir;
  std::string text;
  int serial = 1;
  for (char chain : {'A', 'B'}) {
    for (int r = 1; r <= 3; r++)
      text += atomLine(serial++, " CA ", ' ', "GLY ", chain, r, ' ', r, chain, 0);
  }
  text += atomLine(serial++, " CA ", ' ', "GLY ", 'A', 5, ' ', 0, 0, 0);  // gap at 4
  text += atomLine(serial++, " CA ", ' ', "GLY ", 'A', -2, ' ', 0, 0, 0);
  pdbInfo pdb;
  ASSERT_EQ(readText(dir, text, &pdb), 0);
  ASSERT_EQ(pdb.nChains, 2);
  ASSERT_EQ(pdb.nSegs, 2);
  EXPECT_EQ(pdb.nRes, 8);
  EXPECT_EQ(pdb.firstRes, -2);
  const pdbRes* b2 = findRes(&pdb, 2, "B", "");
  ASSERT_NE(b2, nullptr);
  EXPECT_STREQ(b2->chainId, "B");
  EXPECT_FLOAT_EQ(b2->atoms[0]->y, 'B');
  EXPECT_EQ(b2->chain->nRes, 3);
  EXPECT_EQ(b2->prev, findRes(&pdb, 1, "B", ""));
  EXPECT_EQ(b2->next, findRes(&pdb, 3, "B", ""));
  EXPECT_EQ(findRes(&pdb, 3, "B", "")->next, nullptr);  // end of chain B
  EXPECT_EQ(findRes(&pdb, 1, "A", "")->prev, nullptr);
  EXPECT_EQ(findRes(&pdb, 3, "A", "")->next, nullptr);  // residue 4 is missing
  EXPECT_EQ(findRes(&pdb, 0, "A", ""), nullptr);
  EXPECT_EQ(findRes(&pdb, 6, "A", ""), nullptr);
  EXPECT_NE(findAtom(&pdb, -2, "CA", "A", ""), nullptr);
  const pdbChain* a = findRes(&pdb, 1, "A", "")->chain;
  EXPECT_EQ(a->firstRes, -2);
  EXPECT_EQ(a->lastRes, 5);
  ASSERT_EQ(a->resTable.size(), 8u);
  EXPECT_EQ(a->resTable[6], nullptr);
  EXPECT_EQ(a->resTable[7], findRes(&pdb, 5, "A", ""));
  EXPECT_EQ(pdb.segs[1].nAtoms, 3);
  pdbFree(&pdb);
  EXPECT_EQ(findAtom(&pdb, 1, "CA", "A", ""), nullptr);
  EXPECT_EQ(findRes(&pdb, 1, "A", ""), nullptr);
}

TEST(PdbWrite, RoundTripKeepsColumnsAndTakesGivenCoordinates) {
  std::string src = std::string(KORVA_SOURCE_DIR) + "/tests/data/2mjb-model1.pdb";
  TempDir dir;
  pdbInfo pdb;
  ASSERT_EQ(readPDB(src.c_str(), &pdb, nullptr, nullLog()), 0);
  ASSERT_EQ(pdb.nAtoms, 1231);  // grep -c ^ATOM
  std::string out = dir.path("out.pdb");
  ASSERT_EQ(writePDB(out.c_str(), &pdb, nullptr, "rotated", nullLog()), 0);
  // Every ATOM line comes back with the same columns 1-27 and 31-66.
  const std::string in = readFile(src), written = readFile(out);
  ASSERT_EQ(written.compare(0, 16, "REMARK rotated\n\n"), 0);
  size_t ip = 0, wp = 16;
  int compared = 0;
  for (size_t ie; (ie = in.find('\n', ip)) != std::string::npos; ip = ie + 1) {
    if (in.compare(ip, 4, "ATOM") != 0) continue;
    EXPECT_EQ(written.substr(wp, 27), in.substr(ip, 27));
    EXPECT_EQ(written.substr(wp + 30, 36), in.substr(ip + 30, 36));
    wp = written.find('\n', wp) + 1;
    compared++;
  }
  EXPECT_EQ(compared, 1231);
  EXPECT_EQ(written.substr(wp), "END\n");

  // Coordinates given by the caller replace the atoms' own; the structure is not changed.
  tvector<float> xyz(3 * 1231, 0.0f);
  xyz[3] = -1.5f;
  ASSERT_EQ(writePDB(out.c_str(), &pdb, nullptr, nullptr, nullLog(), xyz.data()), 0);
  EXPECT_EQ(readFile(out).substr(81 + 30, 24), "  -1.500   0.000   0.000");
  EXPECT_NE(pdb.atoms[1].x, -1.5f);

  TextLog log;
  EXPECT_EQ(writePDB("/nonexistent/dir/o.pdb", &pdb, nullptr, nullptr, log), 1);
  EXPECT_EQ(log.text(), "PDB Error opening PDB file /nonexistent/dir/o.pdb\n");
}

TEST(PdbNames, NormalisersAndBoundedCopy) {
  const struct {
    const char* in;
    int changed;
    const char* out;
  } cases[] = {{"{}", 1, ""},     {"NONE", 1, ""}, {"none", 1, ""},   {"(null)", 1, ""},
               {"(Null)", 1, ""}, {"CA", 0, "CA"}, {"{ }", 0, "{ }"}, {"nonE1", 0, "nonE1"}};
  for (const auto& c : cases) {
    for (int (*fix)(char*) : {fixAtomName, fixResName, fixChainName, fixSegName}) {
      char name[kNameLen];
      std::strcpy(name, c.in);
      EXPECT_EQ(fix(name), c.changed) << c.in;
      EXPECT_STREQ(name, c.out);
    }
  }
  char name[kNameLen];
  EXPECT_EQ(pdbStrCpy(name, "ABCDEFGHIJKLMNOPQ"), 1);
  EXPECT_STREQ(name, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(pdbStrCpy(name, "ABCDEFGHIJKLMNO"), 0);  // 15 characters fit
  EXPECT_STREQ(name, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(pdbStrCpy(name, nullptr), 0);
  EXPECT_STREQ(name, "");
}

}  // namespace
}  // namespace korva
