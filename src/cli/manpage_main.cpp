// Writes the manual page to the file named on the command line (standard output without one).
#include <cstdio>

#include "cli/manpage.h"

int main(int argc, char** argv) {
  FILE* out = argc > 1 ? std::fopen(argv[1], "w") : stdout;
  if (out == nullptr) {
    std::fprintf(stderr, "korva_manpage: cannot write %s\n", argv[1]);
    return 1;
  }
  korva::writeManPage(out);
  return std::fclose(out) == 0 ? 0 : 1;
}
