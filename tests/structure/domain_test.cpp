// Rigid rotation of a residue range and the structure written in a principal frame.
#include "structure/domain.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

std::string structureText(const float (*xyz)[3], const int* res, const char* chain, int n) {
  std::string text;
  for (int i = 0; i < n; i++) {
    text += testing::atomLine(i + 1, " CA ", ' ', "ALA ", chain[i], res[i], ' ', xyz[i][0],
                              xyz[i][1], xyz[i][2]);
  }
  return text;
}

// Atoms of residues 1, 2, 3, 4, 5 and then 3 again (a second chain), each at (1, 0, 0).
TEST(RotateDomain, RangeIsContiguousInFileOrderAndStructureUnchanged) {
  testing::TempDir dir;
  const float xyz[6][3] = {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}};
  const int res[6] = {1, 2, 3, 4, 5, 3};
  pdbInfo pdb;
  const std::string path = dir.write("r.pdb", structureText(xyz, res, "AAAAAB", 6));
  ASSERT_EQ(readPDB(path.c_str(), &pdb, nullptr, nullLog()), 0);
  // r' = Rz(90 degrees) r: (1, 0, 0) goes to (0, 1, 0).
  const double angles[3] = {-90.0, 0.0, 0.0};
  const tvector<float> out = rotateDomain(angles, pdb, 2, 4);
  ASSERT_EQ(out.size(), 18u);
  const bool moved[6] = {false, true, true, true, false, false};
  for (int i = 0; i < 6; i++) {
    EXPECT_NEAR(out[3 * i], moved[i] ? 0.0f : 1.0f, 1e-6f) << i;
    EXPECT_NEAR(out[3 * i + 1], moved[i] ? 1.0f : 0.0f, 1e-6f) << i;
    EXPECT_NEAR(out[3 * i + 2], 0.0f, 1e-6f) << i;
    EXPECT_EQ(pdb.atoms[i].x, 1.0f);
  }

  // The structure in the frame (alpha, beta, gamma) = (0, 0, 90) is the same turn, written.
  const std::string outPath = dir.path("frame.pdb");
  ASSERT_EQ(writeFrameStructure(pdb, 0.0, 0.0, 90.0, outPath.c_str(), "frame", nullLog()), 0);
  const std::string written = testing::readFile(outPath);
  EXPECT_EQ(written.substr(0, 14), "REMARK frame\n\n");
  EXPECT_EQ(written.substr(14 + 30, 24), "   0.000   1.000   0.000");
  EXPECT_EQ(writeFrameStructure(pdb, 0.0, 0.0, 90.0, "", "frame", nullLog()), 0);
  TextLog log;
  EXPECT_EQ(writeFrameStructure(pdb, 0, 0, 0, "/nonexistent/f.pdb", nullptr, log), 1);
  EXPECT_EQ(log.text(), "PDB Error opening PDB file /nonexistent/f.pdb\n");
}

// Closed forms for single axes, and the composition order: (-gamma, -beta, -alpha) applies
// Rz(gamma) first, then Ry(beta), then Rz(alpha) (active rotations about the fixed axes).
TEST(RotateDomain, AnglesComposeAsZYZ) {
  const struct {
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
  const int res[1] = {1};
  for (const auto& c : cases) {
    const float xyz[1][3] = {{c.in[0], c.in[1], c.in[2]}};
    pdbInfo pdb;
    ASSERT_EQ(readPDB(dir.write("c.pdb", structureText(xyz, res, "A", 1)).c_str(), &pdb, nullptr,
                      nullLog()),
              0);
    const tvector<float> out = rotateDomain(c.angles, pdb, 1, 1);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(out[k], c.out[k], 1e-5f) << k;
  }
}

}  // namespace
}  // namespace korva
