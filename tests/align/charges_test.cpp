// Charge sites of ubiquitin at pH ~6.5, and the charge file with its failure paths.
#include "align/charges.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

using korva::testing::TempDir;

void readUbiquitin(pdbInfo* pdb) {
  ASSERT_EQ(readPDB(KORVA_SOURCE_DIR "/tests/data/2mjb-model1.pdb", pdb, nullptr, nullLog()), 0);
}

const pdbAtom& atomOf(const pdbInfo& pdb, const chargeSite& s) {
  return pdb.atoms[static_cast<size_t>(s.atom)];
}

// From the ubiquitin sequence (MQIFVKTLTG KTITLEVEPS DTIENVKAKI QDKEGIPPDQ QRLIFAGKQL EDGRTLSDYN
// IQKESTLHLV LRLRGG): 7 Lys, 4 Arg, 5 Asp, 6 Glu, His 68 with two ring nitrogens and the two
// ends: 26 sites, net 7 + 4 - 5 - 6 + 0.1 + 1 - 1 = 0.1 e, absolute sum 24.1 e.
TEST(Charges, UbiquitinDefaultSitesFollowTheSequence) {
  pdbInfo pdb;
  readUbiquitin(&pdb);
  const chargeSet set = defaultCharges(pdb);
  ASSERT_EQ(set.sites.size(), 26u);
  EXPECT_NEAR(netCharge(set), 0.1, 1e-6);
  EXPECT_NEAR(totalAbsCharge(set), 24.1, 1e-6);
  const struct {
    int resId;
    const char* atom;
    float q;
  } expected[] = {{1, "N", 1.0f},    {6, "NZ", 1.0f},    {42, "CZ", 1.0f},   {21, "CG", -1.0f},
                  {16, "CD", -1.0f}, {68, "ND1", 0.05f}, {68, "NE2", 0.05f}, {76, "C", -1.0f}};
  for (const auto& e : expected) {
    int found = 0;
    for (const chargeSite& s : set.sites) {
      const pdbAtom& a = atomOf(pdb, s);
      if (a.resId == e.resId && std::string(a.atomName) == e.atom) {
        found++;
        EXPECT_EQ(s.q, e.q);
      }
    }
    EXPECT_EQ(found, 1) << e.resId << " " << e.atom;
  }
}

TEST(Charges, FileReplacesDefaultsAndRejectsBadRows) {
  const std::string head = "VARS RESID ATOMNAME CHAINNAME CHARGE\nFORMAT %d %s %s %f\n";
  const struct {
    std::string text;
    const char* error;  // expected start of the message, or nullptr for success
  } cases[] = {
      {head + "6 NZ A 0.8\n1 N None 0.5\n", nullptr},
      {head + "6 NZ A 0.8\n6 XX A 1\n", "Charges Error: no atom XX in residue 6 chain A"},
      {head + "6 NZ A 0.8\n6 NZ A 1\n", "Charges Error: atom NZ of residue 6 is given twice"},
      {"VARS RESID ATOMNAME\nFORMAT %d %s\n6 NZ\n", "Charges Error: no column CHARGE"},
      {"VARS RESID ATOMNAME CHARGE\nFORMAT %s %s %f\nsix NZ 1\n", "Charges Error: column RESID of"},
  };
  pdbInfo pdb;
  readUbiquitin(&pdb);
  for (const auto& c : cases) {
    TempDir dir;
    chargeSet set = defaultCharges(pdb);
    const Status status = readCharges(dir.write("q.tab", c.text).c_str(), &pdb, &set);
    if (c.error == nullptr) {
      ASSERT_TRUE(status.ok()) << status.message();
      ASSERT_EQ(set.sites.size(), 2u);
      EXPECT_EQ(std::string(atomOf(pdb, set.sites[0]).atomName), "NZ");
      EXPECT_EQ(atomOf(pdb, set.sites[1]).resId, 1);
      EXPECT_NEAR(netCharge(set), 1.3, 1e-6);
    } else {
      EXPECT_FALSE(status.ok());
      EXPECT_EQ(status.message().rfind(c.error, 0), 0u) << status.message();
      EXPECT_TRUE(set.sites.empty());
    }
  }
  chargeSet set;
  const Status missing = readCharges("/nonexistent/q.tab", &pdb, &set);
  EXPECT_EQ(missing.message(),
            "RdTable File open error: /nonexistent/q.tab.\n"
            "Charges Error: cannot read the charge file /nonexistent/q.tab.\n");
}

}  // namespace
}  // namespace korva
