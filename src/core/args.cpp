// Argument toolkit state and lookups; one command line per process.
#include "core/args.h"

#include <strings.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/alloc.h"

namespace korva {
namespace {

struct ArgState {
  char argMap[kArgMarkCount + 1];  // '0' unused, '1' used; terminated
  const char* currentProgName = nullptr;
  int currentArgc = 0;
  int currentCheckMode = 0;  // 0 off, 1 flags, 2 all, 3 debug
  int currentChecksum = 0;
  int badFlag = 0;
  int overflow = 0;
  char strBuf[kArgStrLen];
};

ArgState& st() {
  static ArgState s;
  return s;
}

void mark(int pos) {
  if (pos >= 0 && pos < kArgMarkCount) st().argMap[pos] = '1';
}

// Position of the first argument equal to name, or 0; marks it.
int findFlag(int argc, char** argv, const char* name) {
  if (argv == nullptr || name == nullptr) return 0;
  for (int i = 0; i < argc; i++) {
    if (argv[i] != nullptr && std::strcmp(argv[i], name) == 0) {
      mark(i);
      return i;
    }
  }
  return 0;
}

// Position of the value after the flag (marked), or 0 when the flag is absent or last.
int valuePos(int argc, char** argv, const char* name) {
  int pos = findFlag(argc, argv, name);
  if (pos == 0 || pos + 1 >= argc || argv[pos + 1] == nullptr) {
    st().badFlag = 1;
    return 0;
  }
  mark(pos + 1);
  st().badFlag = 0;
  return pos + 1;
}

}  // namespace

void nullArgs() {
  ArgState& s = st();
  std::memset(s.argMap, '0', kArgMarkCount);
  s.argMap[kArgMarkCount] = '\0';
  s.currentProgName = nullptr;
  s.currentCheckMode = 0;
  s.currentArgc = 0;
  s.currentChecksum = 0;
}

int initArgs(int argc, char** argv, int checkMode) {
  nullArgs();
  ArgState& s = st();
  s.overflow = 0;
  s.badFlag = 0;
  mark(0);
  s.currentProgName = (argc > 0 && argv != nullptr) ? argv[0] : nullptr;
  s.currentArgc = argc;
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
  s.currentCheckMode = checkMode;
  if (checkMode != 0) {
    for (int i = 1; i < argc; i++) {
      if (argv[i] != nullptr && std::strcmp(argv[i], "-help") == 0) {
        std::fprintf(stderr, "Program %s, argument checking enabled.\n", getProgName());
        break;
      }
    }
    if (argc > kArgMarkCount) {
      std::fprintf(stderr, "Warning from %s: not all arguments will be checked.\n", getProgName());
    }
    s.currentChecksum = getArgvChecksum(argc, argv);
  }
  return 0;
}

int checkArgs(int argc, char** argv) {
  ArgState& s = st();
  int mode = s.currentCheckMode;
  if (mode == 0 || argc < 2) {
    nullArgs();
    return 0;
  }
  int checksum = getArgvChecksum(argc, argv);
  if (mode == 3) {
    std::fprintf(stderr, "Debug Info from %s. Original Checksum: %d Final Checksum: %d.\n",
                 getProgName(), s.currentChecksum, checksum);
    for (int i = 0; i < argc && i < kArgMarkCount; i++) {
      const char* a = argv[i];
      std::fprintf(stderr, "%3d. %c %3d Characters: '%s'\n", i, s.argMap[i],
                   a ? static_cast<int>(std::strlen(a)) : -1, a ? a : "(None)");
    }
    mode = 2;
  }
  if (checksum != s.currentChecksum || argc != s.currentArgc) {
    std::fprintf(stderr, "Warning from %s: argument checking may not be valid.\n", getProgName());
  }
  if (argc > kArgMarkCount) argc = kArgMarkCount;
  for (int i = 1; i < argc; i++) {
    if (isBlank(argv[i])) s.argMap[i] = '1';
  }
  int reports = 0;
  int i = 1;
  while (i < argc) {
    bool report = s.argMap[i] == '0' && (mode != 1 || isFlag(argv[i]));
    if (!report) {
      i++;
      continue;
    }
    int j = i;
    if (mode != 1) {
      while (j < argc - 1 && s.argMap[j + 1] == '0') j++;
    }
    std::fprintf(stderr, "Warning from %s:\n", getProgName());
    if (j == i) {
      std::fprintf(stderr, "  Argument %d may be unknown or unused:\n", i);
    } else {
      std::fprintf(stderr, "  Arguments %d to %d may be unknown or unused:\n", i, j);
    }
    std::fprintf(stderr, "  '");
    for (int k = i; k <= j; k++) std::fprintf(stderr, " %s", argv[k]);
    std::fprintf(stderr, " '\n");
    reports++;
    i = j + 2;
  }
  nullArgs();
  return reports;
}

const char* getProgName() {
  return st().currentProgName != nullptr ? st().currentProgName : "program";
}

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

int getBadFlag() {
  return st().badFlag;
}
int argsOverflowed() {
  return st().overflow;
}

int flagLoc(int argc, char** argv, const char* name) {
  int pos = findFlag(argc, argv, name);
  st().badFlag = pos == 0 ? 1 : 0;
  return pos;
}

int nextFlag(int argc, char** argv, int pos) {
  st().badFlag = 0;
  for (int i = pos + 1; i < argc; i++) {
    if (isFlag(argv[i])) return i;
  }
  return argc;
}

int intArg(int argc, char** argv, const char* name) {
  int pos = valuePos(argc, argv, name);
  if (pos == 0) return 0;
  return static_cast<int>(std::strtol(argv[pos], nullptr, 10));
}

float readFltValue(const char* text) {
  double v = 0.0;
  if (text != nullptr && std::sscanf(text, "%lf", &v) != 1) v = 0.0;
  return static_cast<float>(v);
}

float fltArg(int argc, char** argv, const char* name) {
  int pos = valuePos(argc, argv, name);
  if (pos == 0) return 0.0f;
  return readFltValue(argv[pos]);
}

char* strArg(int argc, char** argv, const char* name) {
  int pos = valuePos(argc, argv, name);
  if (pos == 0) return nullptr;
  size_t n = std::strlen(argv[pos]);
  if (n >= static_cast<size_t>(kArgStrLen)) {
    // A longer value would be cut into another name; refuse it instead.
    std::fprintf(stderr, "VANTRO Error: value of %s is longer than %d characters.\n", name,
                 kArgStrLen - 1);
    st().overflow = 1;
    st().badFlag = 1;
    return nullptr;
  }
  std::memcpy(st().strBuf, argv[pos], n + 1);
  return st().strBuf;
}

char* ptrArg(int argc, char** argv, const char* name) {
  int pos = valuePos(argc, argv, name);
  if (pos == 0) return nullptr;
  return argv[pos];
}

char* getNthArg(int argc, char** argv, int n) {
  if (n < 0 || n > argc - 1 || argv == nullptr) return nullptr;
  mark(n);
  return argv[n];
}

float* rListArg(int argc, char** argv, const char* name, int* count) {
  *count = 0;
  int pos = flagLoc(argc, argv, name);
  if (pos == 0) return nullptr;
  int end = nextFlag(argc, argv, pos);
  int n = end - pos - 1;
  if (n <= 0) return nullptr;
  float* list = fltAlloc("listArg", static_cast<size_t>(n));
  if (list == nullptr) {
    *count = -1;
    return nullptr;
  }
  for (int i = 0; i < n; i++) {
    mark(pos + 1 + i);
    list[i] = readFltValue(argv[pos + 1 + i]);
  }
  *count = n;
  return list;
}

int fixedListArg(int argc, char** argv, int pos, int count, double* out) {
  int end = nextFlag(argc, argv, pos);
  if (end - pos - 1 != count) return 1;
  for (int k = 0; k < count; k++) {
    const char* text = getNthArg(argc, argv, pos + 1 + k);
    double v = 0.0;
    char tail = '\0';
    // One number and nothing else: a silently zeroed tensor element would give a wrong result.
    if (std::sscanf(text, "%lf %c", &v, &tail) != 1) {
      std::fprintf(stderr, "VANTRO Error: %s value '%s' is not a number.\n", argv[pos], text);
      return 2;
    }
    out[k] = v;
  }
  return 0;
}

int intArgD(int argc, char** argv, const char* name, int* target) {
  int v = intArg(argc, argv, name);
  if (st().badFlag) return 0;
  *target = v;
  return 1;
}

int fltArgD(int argc, char** argv, const char* name, float* target) {
  float v = fltArg(argc, argv, name);
  if (st().badFlag) return 0;
  *target = v;
  return 1;
}

int strArgD(int argc, char** argv, const char* name, char* target) {
  char* v = strArg(argc, argv, name);
  if (v == nullptr) return 0;
  std::memcpy(target, v, std::strlen(v) + 1);
  return 1;
}

int ptrArgD(int argc, char** argv, const char* name, char** target) {
  char* v = ptrArg(argc, argv, name);
  if (v == nullptr) return 0;
  *target = v;
  return 1;
}

}  // namespace korva
