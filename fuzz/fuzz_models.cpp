// Fuzz target: a PDB file read model by model and built into an ensemble (model choice, the
// check that the models agree, indexing each model).
#include <utility>

#include "fuzz_input.h"
#include "structure/models.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::NullLog log;
  for (int model : {0, 2}) {
    korva::Outcome<korva::tvector<korva::atomModel>> atoms =
        korva::readModelAtoms(path.c_str(), nullptr, log);
    if (!atoms.ok()) return 0;
    korva::modelSet set;
    (void)korva::buildModelSet(std::move(atoms.value), model, path.c_str(), &set, log);
  }
  return 0;
}
