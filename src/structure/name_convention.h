// Atom names that differ only by naming convention: the amide proton H or HN, the first
// residue's H1, and IUPAC or PDB names of methyl protons (HD11 or 1HD1).
#pragma once

#include "structure/pdb.h"

namespace korva {

enum class nameConvention {
  none,       // no convention explains the name
  amideH,     // H for HN, or HN for H
  terminalH,  // the first residue's H1 (or 1H) for H or HN, or H or HN for H1
  methyl,     // a methyl proton's IUPAC name for its PDB name (HD11 for 1HD1) or the reverse
};

struct conventionMatch {
  const pdbAtom* atom;  // the residue's atom (owned by the structure), or nullptr
  nameConvention convention;
};

// For an atom name that res does not hold, the atom of res that the name denotes under one of
// the conventions above, and the convention; {nullptr, none} when none applies. Methyl names are
// matched only where the residue holds all three protons of the group, since the two names of
// a methylene proton do not pair up the same way in every file.
conventionMatch matchByConvention(const pdbRes& res, const char* name);

// A few words naming the convention, for a note line ("amide proton H/HN").
const char* conventionText(nameConvention convention);

}  // namespace korva
