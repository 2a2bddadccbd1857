// What a korva::Structure shares between its copies: the indexed structure itself.
#pragma once

#include "korva/korva.h"
#include "structure/pdb.h"

namespace korva {

struct Structure::data {
  pdbInfo pdb;
};

}  // namespace korva
