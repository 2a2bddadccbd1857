// The models of a structure file held apart: a multi-model file (NMR ensemble) is read model by
// model, each model indexed as a structure of its own, so that names and numbers never collide
// between models and each model can be simulated or fitted alone.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "core/status.h"
#include "structure/mmcif.h"
#include "structure/pdb.h"

namespace korva {

struct pdbSelect;

// The structures of one file, in file order. Every model holds the same atoms in the same order
// (checked when the set is built), so atom k of one model is atom k of every other.
struct modelSet {
  tvector<int> numbers{TrackedAllocator<int>("models")};         // model numbers as in the file
  tvector<pdbInfo> models{TrackedAllocator<pdbInfo>("models")};  // each indexed on its own
  int count() const { return static_cast<int>(models.size()); }
};

// True for a name that ends in .cif or .mmcif, optionally followed by .gz (any case).
bool isMmcifName(const char* path);

// Reads the atoms of a structure file grouped into models: mmCIF for an mmCIF name, else PDB,
// where each MODEL record starts a model (a file without one is a single model numbered 1).
// Atoms failing select (null: none) are not kept; models left without atoms are dropped. Errors
// come back with their lines, warnings go to log.
Outcome<tvector<atomModel>> readModelAtoms(const char* path, const struct pdbSelect* select,
                                           Log& log);

// Indexes the models into set (which must be empty): model 0 keeps all of them, model N > 0 only
// the N-th (1-based, file order). Fails with one line when model N is not in the file, or when
// the kept models differ in their atoms (count, or names and numbers of the atom at one index).
// Duplicate atoms within one model are named on log by the indexing.
Status buildModelSet(tvector<atomModel> atoms, int model, const char* path, modelSet* set,
                     Log& log);

}  // namespace korva
