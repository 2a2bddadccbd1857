// How the couplings of a table meet a structure: names that differ only by convention, amide
// protons that the structure lacks, and the couplings that take no part, each with its reason.
#pragma once

#include "core/log.h"
#include "structure/pdb.h"
#include "tables/dtab.h"

namespace korva {

// The proton name of the N-H couplings of tab (same residue, shifted by residueOffset) whose
// nitrogen pdb holds but whose proton it holds under no name, as in crystal structures; nullptr
// when every such proton is there. The name belongs to tab.
const char* missingAmideProtonName(const pdbInfo& pdb, const dTab& tab, int residueOffset);

// Renames the atoms of the couplings of tab that pdb holds only under another naming convention
// (amide H/HN, H1 of the first residue, IUPAC/PDB methyl names) to the structure's names, so
// that they map; the conventions used are named in one note line on log. Returns the number of
// names changed.
int matchCouplingNames(const pdbInfo& pdb, dTab* tab, int residueOffset, Log& log);

// Names on log, one line each, every coupling that was read but takes no part in the fit or
// prediction, with its reason (an atom not in the structure, an unknown element, a zero weight,
// and, when fitting, an observed value of 999 or more), then the count. Couplings left out by
// the residue range or atom types asked for are not named. Returns the count.
int reportDroppedCouplings(const pdbInfo& pdb, const dTab& tab, int residueOffset, bool fitting,
                           Log& log);

}  // namespace korva
