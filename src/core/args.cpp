// Argument lookups and the report of unused arguments.
#include "core/args.h"

#include <strings.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace korva {

int isFlag(const char* text) {
  if (text == nullptr || text[0] != '-') return 0;
  char c = text[1];
  if (c == '.' || (c >= '0' && c <= '9')) return 0;
  return 1;
}

int isBlank(const char* text) {
  if (text == nullptr) return 1;
  for (const char* p = text; *p; p++) {
    if (!std::isspace(static_cast<unsigned char>(*p))) return 0;
  }
  return 1;
}

int getArgvChecksum(int argc, char** argv) {
  if (argc <= 0 || argv == nullptr) return 0;
  int sum = 0;
  for (int i = 0; i < argc; i++) {
    if (argv[i] == nullptr) continue;
    for (const char* p = argv[i]; *p; p++) sum += static_cast<signed char>(*p);
  }
  return sum;
}

float readFltValue(const char* text) {
  double v = 0.0;
  if (text != nullptr && std::sscanf(text, "%lf", &v) != 1) v = 0.0;
  return static_cast<float>(v);
}

argList::argList(int argc, char** argv, int checkMode, Log& log)
    : argc_(argv != nullptr ? argc : 0), argv_(argv), log_(log) {
  std::memset(marks_, '0', kArgMarkCount);
  marks_[kArgMarkCount] = '\0';
  mark(0);
  if (checkMode == 4) {
    const char* env = std::getenv("DUVARUDU");
    if (env == nullptr) {
      checkMode = 0;
    } else if (strcasecmp(env, "ALL") == 0) {
      checkMode = 2;
    } else if (strcasecmp(env, "FLAGS") == 0) {
      checkMode = 1;
    } else if (strcasecmp(env, "DEBUG") == 0) {
      checkMode = 3;
    } else {
      checkMode = 2;
    }
  }
  checkMode_ = checkMode;
  if (checkMode == 0) return;
  for (int i = 1; i < argc_; i++) {
    if (argv_[i] != nullptr && std::strcmp(argv_[i], "-help") == 0) {
      log_.printf("Program %s, argument checking enabled.\n", progName());
      break;
    }
  }
  if (argc_ > kArgMarkCount) {
    log_.printf("Warning from %s: not all arguments will be checked.\n", progName());
  }
  checksum_ = getArgvChecksum(argc_, argv_);
}

const char* argList::progName() const {
  return argc_ > 0 && argv_[0] != nullptr ? argv_[0] : "program";
}

void argList::mark(int pos) {
  if (pos >= 0 && pos < kArgMarkCount) marks_[pos] = '1';
}

int argList::flagLoc(const char* name) {
  int pos = 0;
  for (int i = 0; name != nullptr && i < argc_; i++) {
    if (argv_[i] != nullptr && std::strcmp(argv_[i], name) == 0) {
      mark(i);
      pos = i;
      break;
    }
  }
  badFlag_ = pos == 0 ? 1 : 0;
  return pos;
}

int argList::nextFlag(int pos) const {
  for (int i = pos + 1; i < argc_; i++) {
    if (isFlag(argv_[i])) return i;
  }
  return argc_;
}

int argList::valuePos(const char* name) {
  const int pos = flagLoc(name);
  if (pos == 0 || pos + 1 >= argc_ || argv_[pos + 1] == nullptr) {
    badFlag_ = 1;
    return 0;
  }
  mark(pos + 1);
  badFlag_ = 0;
  return pos + 1;
}

int argList::intArg(const char* name) {
  const int pos = valuePos(name);
  if (pos == 0) return 0;
  return static_cast<int>(std::strtol(argv_[pos], nullptr, 10));
}

float argList::fltArg(const char* name) {
  const int pos = valuePos(name);
  if (pos == 0) return 0.0f;
  return readFltValue(argv_[pos]);
}

const char* argList::strArg(const char* name) {
  const int pos = valuePos(name);
  if (pos == 0) return nullptr;
  if (std::strlen(argv_[pos]) >= static_cast<size_t>(kArgStrLen)) {
    // A longer value would be cut into another name; refuse it instead.
    log_.printf("VANTRO Error: value of %s is longer than %d characters.\n", name, kArgStrLen - 1);
    overflow_ = 1;
    badFlag_ = 1;
    return nullptr;
  }
  return argv_[pos];
}

char* argList::ptrArg(const char* name) {
  const int pos = valuePos(name);
  return pos == 0 ? nullptr : argv_[pos];
}

char* argList::nthArg(int n) {
  if (n < 0 || n > argc_ - 1) return nullptr;
  mark(n);
  return argv_[n];
}

tvector<float> argList::rListArg(const char* name) {
  tvector<float> list(TrackedAllocator<float>("listArg"));
  const int pos = flagLoc(name);
  if (pos == 0) return list;
  const int end = nextFlag(pos);
  badFlag_ = 0;
  for (int i = pos + 1; i < end; i++) {
    mark(i);
    list.push_back(readFltValue(argv_[i]));
  }
  return list;
}

int argList::fixedListArg(int pos, int count, double* out) {
  const int end = nextFlag(pos);
  badFlag_ = 0;
  if (end - pos - 1 != count) return 1;
  for (int k = 0; k < count; k++) {
    const char* text = nthArg(pos + 1 + k);
    double v = 0.0;
    char tail = '\0';
    // One number and nothing else: a silently zeroed tensor element would give a wrong result.
    if (std::sscanf(text, "%lf %c", &v, &tail) != 1 || !std::isfinite(v)) {
      log_.printf("VANTRO Error: %s value '%s' is not a number.\n", argv_[pos], text);
      return 2;
    }
    out[k] = v;
  }
  return 0;
}

int argList::intArgD(const char* name, int* target) {
  const int v = intArg(name);
  if (badFlag_) return 0;
  *target = v;
  return 1;
}

int argList::fltArgD(const char* name, float* target) {
  const float v = fltArg(name);
  if (badFlag_) return 0;
  *target = v;
  return 1;
}

int argList::strArgD(const char* name, char* target) {
  const char* v = strArg(name);
  if (v == nullptr) return 0;
  std::memcpy(target, v, std::strlen(v) + 1);
  return 1;
}

int argList::ptrArgD(const char* name, const char** target) {
  const char* v = ptrArg(name);
  if (v == nullptr) return 0;
  *target = v;
  return 1;
}

bool argList::marked(int pos) const {
  return pos >= 0 && pos < kArgMarkCount && marks_[pos] == '1';
}

int argList::find(const char* name) const {
  for (int i = 1; name != nullptr && i < argc_; i++) {
    if (argv_[i] != nullptr && std::strcmp(argv_[i], name) == 0) return i;
  }
  return 0;
}

int argList::check() {
  int mode = checkMode_;
  int argc = argc_;
  if (mode == 0 || argc < 2) return 0;
  const int checksum = getArgvChecksum(argc, argv_);
  if (mode == 3) {
    log_.printf("Debug Info from %s. Original Checksum: %d Final Checksum: %d.\n", progName(),
                checksum_, checksum);
    for (int i = 0; i < argc && i < kArgMarkCount; i++) {
      const char* a = argv_[i];
      log_.printf("%3d. %c %3d Characters: '%s'\n", i, marks_[i],
                  a ? static_cast<int>(std::strlen(a)) : -1, a ? a : "(None)");
    }
    mode = 2;
  }
  if (checksum != checksum_) {
    log_.printf("Warning from %s: argument checking may not be valid.\n", progName());
  }
  if (argc > kArgMarkCount) argc = kArgMarkCount;
  for (int i = 1; i < argc; i++) {
    if (isBlank(argv_[i])) marks_[i] = '1';
  }
  int reports = 0;
  int i = 1;
  while (i < argc) {
    const bool report = marks_[i] == '0' && (mode != 1 || isFlag(argv_[i]));
    if (!report) {
      i++;
      continue;
    }
    int j = i;
    if (mode != 1) {
      while (j < argc - 1 && marks_[j + 1] == '0') j++;
    }
    log_.printf("Warning from %s:\n", progName());
    if (j == i) {
      log_.printf("  Argument %d may be unknown or unused:\n", i);
    } else {
      log_.printf("  Arguments %d to %d may be unknown or unused:\n", i, j);
    }
    std::string line = "  '";
    for (int k = i; k <= j; k++) {
      line += ' ';
      line += argv_[k];
    }
    line += " '\n";
    log_.write(line.c_str());
    reports++;
    i = j + 2;
  }
  return reports;
}

}  // namespace korva
