// Fuzz target: mmCIF reading (plain or gzip-compressed bytes), then writing the first model.
#include <cstdio>

#include "fuzz_input.h"
#include "structure/mmcif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  auto r = korva::readMmcif(path.c_str(), nullptr, korva::nullLog());
  if (r.ok() && !r.value.empty()) {
    korva::pdbInfo pdb;
    pdb.atoms = std::move(r.value[0].atoms);
    if (korva::indexPDB(&pdb) == 0) {
      korva::Status s = korva::writeMmcif((path + ".out.cif").c_str(), pdb, "fuzz");
      std::remove((path + ".out.cif").c_str());
      (void)s;
    }
  }
  return 0;
}
