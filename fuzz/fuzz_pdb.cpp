// Fuzz target: PDB reading, indexing, angles and writing back.
#include <cstdio>

#include "fuzz_input.h"
#include "structure/pdb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::pdbInfo pdb;
  if (korva::readPDB(path.c_str(), &pdb, nullptr) == 0) {
    korva::updatePDBAngles(&pdb, pdb.firstRes, pdb.lastRes);
    korva::writePDB("/dev/null", &pdb, nullptr, "fuzz");
  }
  korva::pdbFree(&pdb);
  return 0;
}
