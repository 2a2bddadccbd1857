// The coordinate collection of the steric mode: which atoms, in which order, and that a failed
// collection leaves the caller's atoms alone.
#include "align/coords.h"

#include <gtest/gtest.h>

#include <string>

#include "structure/pdb.h"
#include "support/files.h"

namespace korva {
namespace {

using korva::testing::atomLine;
using korva::testing::TempDir;

// Three atoms: an oxygen buried 0.55 A from a carbon (relative exposure 0.216 by the cap formula
// of the surface tests), the carbon, and a far hydrogen. Values chosen not to be exact in float.
void loadThree(const TempDir& dir, pdbInfo* pdb) {
  std::string text = atomLine(1, " O  ", ' ', "ALA ", 'A', 1, ' ', 0.1, 0.2, 0.3) +
                     atomLine(2, " CB ", ' ', "ALA ", 'A', 2, ' ', 0.65, 0.2, 0.3) +
                     atomLine(3, " H  ", ' ', "ALA ", 'A', 3, ' ', 30.7, -4.1, 9.9);
  ASSERT_EQ(readPDB(dir.write("m.pdb", text).c_str(), pdb, nullptr, nullLog()), 0);
}

TEST(CoordSelect, CollectsSelectedAtomsInOrderWithOrWithoutSurface) {
  const struct {
    int surf;
    int unselect;  // atom index to unselect first, or -1
    int expected[3];
    int count;
  } cases[] = {
      {0, -1, {0, 1, 2}, 3},   // -nosurf: every selected atom
      {0, 1, {0, 2, -1}, 2},   // the selection is honoured
      {1, -1, {1, 2, -1}, 2},  // the surface step drops the buried oxygen
      {1, 1, {0, 2, -1}, 2},   // without the carbon the oxygen is exposed
  };
  TempDir dir;
  pdbInfo pdb;
  loadThree(dir, &pdb);
  for (const auto& c : cases) {
    tvector<int> flags(3, 1);
    if (c.unselect >= 0) flags[c.unselect] = 0;
    korvaInfo info;
    korvaInfoNull(&info);
    info.surf = c.surf;
    simAtoms atoms;
    ASSERT_EQ(coorSelect(pdb, info, flags, &atoms, nullLog()), 0);
    ASSERT_EQ(atoms.n, c.count) << "surf " << c.surf << " unselect " << c.unselect;
    ASSERT_EQ(atoms.x.size(), static_cast<size_t>(c.count) + 1);
    for (int k = 0; k < atoms.n; ++k) {
      const pdbAtom& a = pdb.atoms[c.expected[k]];
      // Single-precision coordinates widened exactly, from index 1.
      EXPECT_EQ(atoms.x[k + 1], static_cast<double>(a.x));
      EXPECT_EQ(atoms.y[k + 1], static_cast<double>(a.y));
      EXPECT_EQ(atoms.z[k + 1], static_cast<double>(a.z));
    }
  }
}

}  // namespace
}  // namespace korva
