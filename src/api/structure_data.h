// What a korva::Structure shares between its copies: the models of a structure file.
#pragma once

#include "korva/korva.h"
#include "structure/models.h"
#include "structure/pdb.h"

namespace korva {

// The models of a structure file; a structure without models is one empty model.
struct Structure::data {
  modelSet set;
  data() {
    set.numbers.push_back(1);
    set.models.emplace_back();
    pdbNull(&set.models.back());
  }
  const pdbInfo& pdb() const { return set.models.front(); }
};

}  // namespace korva
