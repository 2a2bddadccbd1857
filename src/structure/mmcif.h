// mmCIF structures: the atom table of an mmCIF file (plain or gzip-compressed) read model by
// model into PDB atom records, and a structure written back as mmCIF.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "core/status.h"
#include "structure/pdb.h"

namespace korva {

struct pdbSelect;

// The atoms of one model, in file order. Their residue, chain and segment references are null
// until the atoms are indexed as a structure.
struct atomModel {
  int number;  // pdbx_PDB_model_num, or 1 for a file without model numbers
  tvector<pdbAtom> atoms;
};

// Reads the ATOM rows of the first _atom_site table of an mmCIF file, grouped into models in
// the order the models first appear. Atoms carry the author numbering and names (auth_seq_id,
// auth_comp_id, auth_asym_id, auth_atom_id), insertion codes and alternate locations (every
// location kept, as in the PDB reader); HETATM rows are skipped like HETATM lines, and atoms
// failing select (null: none) are not kept. A syntax error, a missing table or column, or an
// unreadable number fails with one line naming the file and, where known, the line. Names
// longer than 15 characters are cut and noted in log.
Outcome<tvector<atomModel>> readMmcif(const char* path, const struct pdbSelect* select, Log& log);

// Writes the atoms of pdb as the _atom_site table of an mmCIF file (one model, label columns
// equal to the author columns), the remark as a comment line. The file appears complete or not
// at all (written under a temporary name, then renamed).
Status writeMmcif(const char* path, const pdbInfo& pdb, const char* remark);

}  // namespace korva
