// Rigid rotation of a residue range.
#include "structure/domain.h"

#include <gtest/gtest.h>

#include <string>

#include "structure/test_files.h"

namespace korva {
namespace {

// Atoms of residues 1, 2, 3, 4, 5 and then 3 again (a second chain), each at (1, 0, 0).
TEST(RotateDomain, RangeIsContiguousInFileOrder) {
  testing::TempDir dir;
  std::string text;
  const int res[6] = {1, 2, 3, 4, 5, 3};
  const char chain[6] = {'A', 'A', 'A', 'A', 'A', 'B'};
  char line[96];
  for (int i = 0; i < 6; i++) {
    std::snprintf(line, sizeof line, "ATOM  %5d  CA  ALA %c%4d       1.000   0.000   0.000\n",
                  i + 1, chain[i], res[i]);
    text += line;
  }
  pdbInfo pdb;
  pdbNull(&pdb);
  ASSERT_EQ(readPDB(dir.write("r.pdb", text).c_str(), &pdb, nullptr), 0);
  // r' = Rz(90 degrees) r: (1, 0, 0) goes to (0, 1, 0).
  const double angles[3] = {-90.0, 0.0, 0.0};
  EXPECT_EQ(rotateDomain(angles, &pdb, 2, 4), 0);
  const bool moved[6] = {false, true, true, true, false, false};
  for (int i = 0; i < 6; i++) {
    const pdbAtom& a = pdb.atoms[static_cast<size_t>(i)];
    EXPECT_NEAR(a.x, moved[i] ? 0.0f : 1.0f, 1e-6f) << i;
    EXPECT_NEAR(a.y, moved[i] ? 1.0f : 0.0f, 1e-6f) << i;
    EXPECT_NEAR(a.z, 0.0f, 1e-6f) << i;
  }
  pdbFree(&pdb);
}

// Closed forms for single axes, and the composition order: (-gamma, -beta, -alpha) applies
// Rz(gamma) first, then Ry(beta), then Rz(alpha) (active rotations about the fixed axes).
TEST(RotateDomain, AnglesComposeAsZYZ) {
  struct {
    double angles[3];
    float in[3];
    float out[3];
  } cases[] = {
      {{0, -90, 0}, {0, 0, 1}, {1, 0, 0}},               // Ry(90): z -> x
      {{0, 0, -90}, {1, 0, 0}, {0, 1, 0}},               // Rz(90) last
      {{-90, -90, 0}, {1, 0, 0}, {0, 1, 0}},             // Rz(90): x -> y; Ry(90) leaves y
      {{0, -90, -90}, {0, 0, 1}, {0, 1, 0}},             // Ry(90): z -> x; Rz(90): x -> y
      {{30, 0, -30}, {0.6f, 0.8f, 0}, {0.6f, 0.8f, 0}},  // opposite turns about z cancel
  };
  testing::TempDir dir;
  for (const auto& c : cases) {
    char line[96];
    std::snprintf(line, sizeof line, "ATOM      1  CA  ALA A   1    %8.3f%8.3f%8.3f\n", c.in[0],
                  c.in[1], c.in[2]);
    pdbInfo pdb;
    pdbNull(&pdb);
    ASSERT_EQ(readPDB(dir.write("c.pdb", line).c_str(), &pdb, nullptr), 0);
    rotateDomain(c.angles, &pdb, 1, 1);
    EXPECT_NEAR(pdb.atoms[0].x, c.out[0], 1e-5f);
    EXPECT_NEAR(pdb.atoms[0].y, c.out[1], 1e-5f);
    EXPECT_NEAR(pdb.atoms[0].z, c.out[2], 1e-5f);
    pdbFree(&pdb);
  }
}

}  // namespace
}  // namespace korva
