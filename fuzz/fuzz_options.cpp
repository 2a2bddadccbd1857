// Fuzz target: the option lookup. The input is an argument vector, one word per line.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words{"korva"};
  std::string word;
  for (size_t i = 0; i < size; i++) {
    const char c = static_cast<char>(data[i]);
    if (c == '\n') {
      words.push_back(word);
      word.clear();
    } else if (c != '\0') {  // an argument holds no NUL
      word.push_back(c);
    }
  }
  words.push_back(word);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  korva::NullLog log;
  korva::argList args(static_cast<int>(words.size()), argv.data(), 2, log);
  korva::runParams p;
  if (korva::getparams(args, p, log) == 0) args.check();
  korva::suggestOptions(args, log);
  return 0;
}
