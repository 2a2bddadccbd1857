// The surface-atom selection on a structure: radii by element, which atoms take part, and how an
// exposed atom carries its name-sakes along.
#include "align/surface_pdb.h"

#include <gtest/gtest.h>

#include <string>

#include "structure/pdb.h"
#include "support/files.h"

namespace korva {
namespace {

using korva::testing::atomLine;
using korva::testing::TempDir;

struct atomSpec {
  const char* name4;
  char chain;
  int resId;
  double x;
};

// Reads the atoms (on the x axis) into pdb through a scratch PDB file.
void loadAtoms(const TempDir& dir, std::initializer_list<atomSpec> atoms, pdbInfo* pdb) {
  std::string text;
  int serial = 1;
  for (const atomSpec& a : atoms) {
    text += atomLine(serial++, a.name4, ' ', "ALA ", a.chain, a.resId, ' ', a.x, 0.0, 0.0);
  }
  ASSERT_EQ(readPDB(dir.write("m.pdb", text).c_str(), pdb, nullptr, nullLog()), 0);
}

// A probe atom 0.55 A from a carbon (radius 1.9 + 1.4 = 3.3 A). Exposed fraction of a sphere of
// radius R cut by one of radius Rb at distance d: (1 + a/R)/2 with a = (d^2 + R^2 - Rb^2)/(2d);
// relative = (R/vdw)^2 times that. By hand: O and H (vdw 1.4, R 2.8): a = -2.498, relative
// 0.216, buried; C, CA, F (1.9): a = 0.083, relative 1.55; N, S (1.8): relative 1.42; exposed.
TEST(CallNSC, RadiusFollowsFirstLetterOfName) {
  const struct {
    const char* name4;
    int selected;
  } cases[] = {{" O  ", 0}, {" H  ", 0}, {" HN ", 0}, {" X  ", 0}, {" C  ", 1},
               {" CA ", 1}, {" F  ", 1}, {" N  ", 1}, {" S  ", 1}, {" P  ", 1}};
  for (const auto& c : cases) {
    TempDir dir;
    pdbInfo pdb;
    loadAtoms(dir, {{c.name4, 'A', 1, 0.0}, {" CB ", 'A', 2, 0.55}}, &pdb);
    tvector<int> flags(2, 1);
    ASSERT_EQ(callNSC(pdb, &flags, nullLog()), 0);
    EXPECT_EQ(flags[0], c.selected) << c.name4;
    EXPECT_EQ(flags[1], 1) << "the large neighbour is exposed";
  }
}

TEST(CallNSC, SelectionDecidesWhoTakesPartAndNameSakesFollow) {
  TempDir dir;
  pdbInfo pdb;
  // Unselected atoms neither take part nor shield: the buried oxygen becomes isolated and exposed
  // once its neighbour is left out, and the neighbour ends unselected.
  loadAtoms(dir, {{" O  ", 'A', 1, 0.0}, {" CB ", 'A', 2, 0.55}}, &pdb);
  tvector<int> flags = {1, 0};
  ASSERT_EQ(callNSC(pdb, &flags, nullLog()), 0);
  EXPECT_EQ(flags[0], 1);
  EXPECT_EQ(flags[1], 0);

  // An exposed atom selects every atom with its residue number and exact name, in any chain,
  // also one that was not selected before; a different name in the same residue stays out.
  loadAtoms(dir,
            {{" CA ", 'A', 5, 0.0},
             {" CA ", 'B', 5, 50.0},
             {" CB ", 'B', 5, 100.0},
             {" CA ", 'B', 6, 150.0}},
            &pdb);
  flags = {1, 0, 0, 0};
  ASSERT_EQ(callNSC(pdb, &flags, nullLog()), 0);
  EXPECT_EQ(flags, (tvector<int>{1, 1, 0, 0}));

  // No selected atom: failure, flags kept.
  flags = {0, 0, 0, 0};
  TextLog log;
  EXPECT_EQ(callNSC(pdb, &flags, log), 1);
  // The surface routine's own block first, then the selection's line.
  EXPECT_NE(log.text().find("nsc_dclm: no surface atoms selected\n ...!\nNSC: error.\n"),
            std::string::npos);
  EXPECT_EQ(flags, (tvector<int>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace korva
