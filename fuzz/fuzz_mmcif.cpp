// Fuzz target: mmCIF reading (plain or gzip-compressed bytes), then the first model indexed as a
// structure and written back.
#include <cstdio>

#include "fuzz_input.h"
#include "structure/mmcif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  auto r = korva::readMmcif(path.c_str(), nullptr, korva::nullLog());
  if (!r.ok() || r.value.empty()) return 0;
  korva::pdbInfo pdb;
  if (korva::buildPDB(&pdb, std::move(r.value[0].atoms), korva::nullLog()) == 0) {
    const std::string out = path + ".out.cif";
    korva::Status s = korva::writeMmcif(out.c_str(), pdb, "fuzz");
    std::remove(out.c_str());
    (void)s;
  }
  korva::pdbFree(&pdb);
  return 0;
}
