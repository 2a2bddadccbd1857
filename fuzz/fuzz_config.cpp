// Fuzz target: the configuration file.
#include <cstdio>

#include "fuzz_input.h"
#include "modes/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::korvaInfo info;
  korva::korvaInfoNull(&info);
  korva::NullLog log;
  (void)korva::readConfig(path.c_str(), &info, log);
  return 0;
}
