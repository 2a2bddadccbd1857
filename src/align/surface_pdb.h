// Surface-accessible atoms of a structure: the selection that the steric simulation runs on.
#pragma once

#include "structure/pdb.h"

namespace korva {

// Replaces the selection of pdb by the surface-accessible atoms among the selected ones: every
// atom with the residue number and the exact name of an atom exposed by more than half of its
// bare sphere gets flag 1, every other atom 0. Radii come from getRadius plus the probe. The
// structure stays owned by the caller. Returns 0, or 1 after "NSC: error." with the selection
// unchanged.
int callNSC(pdbInfo* pdb);

}  // namespace korva
