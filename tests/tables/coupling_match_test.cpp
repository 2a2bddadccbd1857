// Couplings that take no part are named with their reason, and errors of 0 mean none given.
#include "tables/coupling_match.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "tables/coupling_input.h"

namespace korva {
namespace {

// Residue 1 (N, H, and HN1 of no known element) and nothing else.
TEST(CouplingMatch, DroppedCouplingsAreNamedWithTheirReason) {
  tvector<pdbAtom> atoms;
  for (const char* name : {"N", "H", "QQ"}) {
    pdbAtom a{};
    a.resId = 1;
    pdbStrCpy(a.resName, "ALA");
    pdbStrCpy(a.atomName, name);
    a.z = name[0] == 'H' ? 1.0f : 0.0f;
    atoms.push_back(a);
  }
  pdbInfo pdb;
  ASSERT_EQ(buildPDB(&pdb, std::move(atoms), nullLog()), 0);
  const struct {
    const char* atomJ;
    int res;
    float D, DD, W;
    bool fitting;
    const char* reason;  // nullptr: takes part
  } cases[] = {
      {"H", 1, 5.0f, 0.0f, 1.0f, true, nullptr},
      {"H", 1, 999.0f, 1.0f, 1.0f, false, nullptr},
      // A value of 999 or more is missing: the table's reader says so, and it is never selected.
      {"H", 1, 999.0f, 1.0f, 1.0f, true, nullptr},
      {"H", 1, 5.0f, 1.0f, 0.0f, true, "zero weight"},
      {"H", 2, 5.0f, 1.0f, 1.0f, true, "atom N of residue 2 not in the structure"},
      {"QQ", 1, 5.0f, 1.0f, 1.0f, true, "unknown element"},
  };
  for (const auto& c : cases) {
    couplingList list;
    couplingEntry e{};
    e.resI = e.resJ = c.res;
    pdbStrCpy(e.atomNameI, "N");
    pdbStrCpy(e.atomNameJ, c.atomJ);
    e.D = c.D, e.DD = c.DD, e.W = c.W;
    list.entries.push_back(e);
    dTab tab;
    fillCouplingTable(list, &tab, nullLog());
    // A file's error of 0 says that it gives none: the table's default error takes its place.
    EXPECT_EQ(tab.in[0].DD, c.DD == 0.0f ? 1.0f : c.DD);
    mapDCInfo(&pdb, &tab);
    selectD(tab.in.data(), tab.n, 1, 2, 3);
    (void)buildDC(&pdb, &tab, 0, 1, nullptr, 0, nullLog());
    if (c.fitting && tab.in[0].D >= kDCLimit) tab.work[0].selected = 0;
    TextLog log;
    const int dropped = reportDroppedCouplings(pdb, tab, 0, c.fitting, log);
    EXPECT_EQ(dropped, c.reason ? 1 : 0) << c.atomJ << " " << c.res;
    if (c.reason != nullptr) {
      EXPECT_NE(log.text().find(std::string("dropped: ") + c.reason + ".\n"), std::string::npos)
          << log.text();
    }
  }
}

}  // namespace
}  // namespace korva
