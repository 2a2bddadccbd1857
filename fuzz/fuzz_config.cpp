// Fuzz target: the configuration file.
#include <cstdio>

#include "cli/config.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::korvaInfo info;
  korva::korvaInfoNull(&info);
  korva::readConfig(path.c_str(), &info);
  return 0;
}
