// Fuzz target: PDB reading, indexing, angles and writing back.
#include <cstdio>

#include "fuzz_input.h"
#include "structure/pdb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::pdbInfo pdb;
  korva::NullLog log;
  if (korva::readPDB(path.c_str(), &pdb, nullptr, log) == 0) {
    (void)korva::writePDB("/dev/null", &pdb, nullptr, "fuzz", log);
  }
  korva::pdbFree(&pdb);
  return 0;
}
