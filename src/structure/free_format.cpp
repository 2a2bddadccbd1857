// Reading of free-format coordinate files.
#include "structure/free_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/input.h"

namespace korva {

namespace {

constexpr size_t kWordLen = 256;  // longer words are cut; only short words are compared

// Blank-separated words of a file; line breaks count as blanks.
struct wordReader {
  lineInput input;
  tvector<char> line{TrackedAllocator<char>("readPDBfree")};
  size_t pos = 0;
  lineRead state = lineRead::line;  // how the last line read ended; anything else stops

  explicit wordReader(FILE* fp) : input(fp) {}

  // Reads the next word (any length; kept up to kWordLen - 1 bytes). False at the end of the file
  // or when the input stopped short (state says which).
  bool next(char* word) {
    for (;;) {
      while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) pos++;
      if (pos < line.size()) break;
      if (state != lineRead::line || (state = input.next(&line)) != lineRead::line) return false;
      pos = 0;
    }
    size_t n = 0;
    for (; pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos])); pos++) {
      // A NUL byte would end the text early; keep it from hiding the rest of the word.
      if (n + 1 < kWordLen) word[n++] = line[pos] == 0 ? '\x01' : line[pos];
    }
    word[n] = '\0';
    return true;
  }
};

bool parseInt(const char* w) {
  char* end = nullptr;
  std::strtol(w, &end, 10);
  return end != w && *end == '\0';
}

bool parseReal(const char* w, double* v) {
  char* end = nullptr;
  // Single precision as the format reads it, kept in double by the caller's arrays.
  *v = static_cast<double>(static_cast<float>(std::strtod(w, &end)));
  return end != w && *end == '\0' && std::isfinite(*v);
}

}  // namespace

int readPDBfree(const char* fileName, int* count, tvector<double>* xs, tvector<double>* ys,
                tvector<double>* zs, Log& log) {
  if (fileName == nullptr || fileName[0] == '\0') {
    *count = 0;
    xs->assign(1, 0.0);
    ys->assign(1, 0.0);
    zs->assign(1, 0.0);
    return 0;
  }
  FILE* fp = std::fopen(fileName, "r");
  if (fp == nullptr) {
    log.printf("readPDBfree File open error: %s.\n", fileName);
    return 1;
  }
  char word[kWordLen];
  wordReader words(fp);
  bool have = words.next(word);
  while (have && std::strcmp(word, "ATOM") != 0) have = words.next(word);

  int n = 0;
  int status = 0;
  tvector<double> x(1, 0.0), y(1, 0.0), z(1, 0.0);
  while (have && std::strcmp(word, "ATOM") == 0) {
    if (n + 1 >= kFreeMaxAtoms) {
      log.printf("error in readPDBfree: too many atoms.\n");
      status = 1;
      break;
    }
    n++;
    char fields[7][kWordLen];
    bool ok = true;
    for (int k = 0; k < 7 && ok; k++) ok = words.next(fields[k]);
    double v[3] = {0.0, 0.0, 0.0};
    ok = ok && parseInt(fields[0]) && parseInt(fields[3]) && parseReal(fields[4], &v[0]) &&
         parseReal(fields[5], &v[1]) && parseReal(fields[6], &v[2]);
    if (!ok) {
      // Counting an entry whose coordinates were never read would feed made-up atoms to the
      // simulation. (An input cut off by its limits is said below.)
      if (words.state == lineRead::line || words.state == lineRead::end) {
        log.printf("readPDBfree Error: unreadable atom entry %d in %s.\n", n, fileName);
        status = 1;
      }
      break;
    }
    x.push_back(v[0]);
    y.push_back(v[1]);
    z.push_back(v[2]);
    do {
      have = words.next(word);
    } while (have && std::strcmp(word, "ATOM") != 0 && std::strcmp(word, "END") != 0);
  }
  if (status == 0 && words.state != lineRead::line && words.state != lineRead::end) {
    log.printf("readPDBfree Error: %s; not read.\n",
               lineReadFailure(words.state, fileName, words.input.lineNumber()).c_str());
    status = 1;
  }
  std::fclose(fp);
  if (status != 0) return status;
  *count = n;
  *xs = std::move(x);
  *ys = std::move(y);
  *zs = std::move(z);
  return 0;
}

}  // namespace korva
