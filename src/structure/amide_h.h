// Amide protons for structures that carry none (crystal structures): built in the peptide plane
// from the backbone, so that N-H couplings can be predicted and fitted.
#pragma once

#include "core/alloc.h"
#include "structure/pdb.h"

namespace korva {

constexpr double kAmideHDistance = 1.01;  // N-H bond length of a built proton, Angstrom

// New amide protons, one for each residue that has N and CA, follows a residue whose C is bonded
// to its N, and holds no amide proton (H or HN) yet; prolines, whose N carries a third heavy
// atom, get none. Each proton lies on the external bisector of the C(i-1)-N-CA angle,
// kAmideHDistance from N, named name, with the residue, chain, segment and alternate location
// of the N atom; its serial number is 0 and its record references are null. pdb must be indexed.
// The caller owns the returned atoms (to add them and index the structure again).
tvector<pdbAtom> buildAmideProtons(const pdbInfo& pdb, const char* name);

}  // namespace korva
