// A small structure for the targets whose input is read against one: residues 1 to 3 with N, H,
// CA, HA and C (residue 2 a glycine), so that tabulated and measured pairs both occur.
#pragma once

#include "structure/pdb.h"

namespace korva::fuzz {

inline void smallStructure(pdbInfo* pdb) {
  tvector<pdbAtom> atoms;
  const char* names[] = {"N", "H", "CA", "HA", "C"};
  for (int r = 1; r <= 3; r++) {
    for (int k = 0; k < 5; k++) {
      pdbAtom a{};
      a.resId = r;
      pdbStrCpy(a.atomName, names[k]);
      pdbStrCpy(a.resName, r == 2 ? "GLY" : "ALA");
      a.x = static_cast<float>(r * 3.8 + k * 0.7);
      a.y = static_cast<float>(k % 2);
      a.z = static_cast<float>(k / 3);
      atoms.push_back(a);
    }
  }
  (void)buildPDB(pdb, std::move(atoms), nullLog());
}

}  // namespace korva::fuzz
