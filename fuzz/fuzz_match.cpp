// Fuzz target: the name matcher. The first byte chooses the mode, the rest up to the first
// newline is the pattern and what follows is the name.
#include <cstdint>
#include <string>

#include "structure/match.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = 1 + data[0] % 3;
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t cut = rest.find('\n');
  const std::string pattern = rest.substr(0, cut).c_str();  // a NUL ends the text, as in a list
  const std::string name = cut == std::string::npos ? "" : rest.substr(cut + 1).c_str();
  (void)korva::patternError(pattern.c_str(), mode);
  (void)korva::strMatch(name.c_str(), pattern.c_str(), mode, data[0] & 0x80 ? 0 : 1);
  return 0;
}
