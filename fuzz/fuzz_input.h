// Writes a fuzzer input to a private temporary file, since the readers take file names.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace korva::fuzz {

inline std::string writeInput(const uint8_t* data, size_t size) {
  static std::string path = "/tmp/korva_fuzz_" + std::to_string(getpid());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return "";
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}

}  // namespace korva::fuzz
