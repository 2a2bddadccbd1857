// Fuzz target: free-format coordinates.
#include <cstdio>
#include <vector>

#include "fuzz_input.h"
#include "structure/free_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  static std::vector<double> x(korva::kFreeArrayLen), y(korva::kFreeArrayLen),
      z(korva::kFreeArrayLen);
  int n = 0;
  korva::readPDBfree(path.c_str(), &n, x.data(), y.data(), z.data());
  return 0;
}
