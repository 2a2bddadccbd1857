// Tests of the coordinate collection of the steric mode: which atoms, in which order, and that a
// failed collection leaves the caller's arrays alone.
#include "align/coords.h"

#include <gtest/gtest.h>

#include <string>

#include "structure/pdb.h"
#include "structure/test_files.h"

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
  ASSERT_EQ(readPDB(dir.write("m.pdb", text).c_str(), pdb, nullptr), 0);
  for (pdbAtom& a : pdb->atoms) a.selected = 1;
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
  for (const auto& c : cases) {
    TempDir dir;
    pdbInfo pdb;
    loadThree(dir, &pdb);
    if (c.unselect >= 0) pdb.atoms[c.unselect].selected = 0;
    korvaInfo info;
    korvaInfoNull(&info);
    info.surf = c.surf;
    double x[4] = {-1, -1, -1, -1}, y[4] = {-1, -1, -1, -1}, z[4] = {-1, -1, -1, -1};
    int n = -1;
    ASSERT_EQ(chCoorSelect(&pdb, &info, &n, x, y, z, 0, nullptr), 0);
    ASSERT_EQ(n, c.count) << "surf " << c.surf << " unselect " << c.unselect;
    EXPECT_EQ(x[0], -1.0) << "index 0 is not used";
    for (int k = 0; k < n; ++k) {
      const pdbAtom& a = pdb.atoms[c.expected[k]];
      // Single-precision coordinates widened exactly.
      EXPECT_EQ(x[k + 1], static_cast<double>(a.x));
      EXPECT_EQ(y[k + 1], static_cast<double>(a.y));
      EXPECT_EQ(z[k + 1], static_cast<double>(a.z));
    }
  }
}

TEST(CoordSelect, FailedSurfaceStepLeavesArraysAndReportsOnce) {
  TempDir dir;
  pdbInfo pdb;
  loadThree(dir, &pdb);
  for (pdbAtom& a : pdb.atoms) a.selected = 0;
  korvaInfo info;
  korvaInfoNull(&info);
  info.surf = 1;
  double x[4] = {7, 7, 7, 7}, y[4] = {7, 7, 7, 7}, z[4] = {7, 7, 7, 7};
  int n = 42;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(chCoorSelect(&pdb, &info, &n, x, y, z, 0, nullptr), 1);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("NSC: error.\nError reading selection of atoms.\n"), std::string::npos) << err;
  EXPECT_EQ(n, 42);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(x[i] + y[i] + z[i], 21.0);
}

}  // namespace
}  // namespace korva
