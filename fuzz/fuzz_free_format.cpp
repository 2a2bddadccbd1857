// Fuzz target: free-format coordinates.
#include <cstdio>
#include <vector>

#include "fuzz_input.h"
#include "structure/free_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::tvector<double> x, y, z;
  int n = 0;
  korva::NullLog log;
  (void)korva::readPDBfree(path.c_str(), &n, &x, &y, &z, log);
  return 0;
}
