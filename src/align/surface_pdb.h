// Surface-accessible atoms of a structure: the selection that the steric simulation runs on.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "structure/pdb.h"

namespace korva {

// Replaces the selection flags (one per atom of pdb) by the surface-accessible atoms among the
// flagged ones: every atom with the residue number and the exact name of an atom exposed by more
// than half of its bare sphere gets flag 1, every other atom 0. Radii come from getRadius plus the
// probe. Returns 0, or 1 after "NSC: error." on log with the flags unchanged.
[[nodiscard]] int callNSC(const pdbInfo& pdb, tvector<int>* flags, Log& log);

}  // namespace korva
