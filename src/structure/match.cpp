// Glob and regular-expression matching of atom, residue, chain and segment names.
#include "structure/match.h"

#include <cctype>
#include <cstring>
#include <new>

namespace korva {

namespace {

enum regOp : uint8_t { kOpChar, kOpAny, kOpBol, kOpEol, kOpSet, kOpSplit, kOpJmp, kOpMatch };

// Parse result flags.
constexpr int kHasWidth = 1;  // cannot match the empty string

constexpr int kSetBytes = 32;

bool isMult(char c) {
  return c == '*' || c == '+' || c == '?';
}

struct Parser {
  const char* p;
  strRegex* prog;
  const char* error = nullptr;

  bool fail(const char* text) {
    if (error == nullptr) error = text;
    return false;
  }

  size_t pc() const { return prog->code.size(); }
  void emit(uint8_t op, uint8_t ch = 0, int32_t x = 0, int32_t y = 0) {
    prog->code.push_back(regInst{op, ch, x, y});
  }
  void insertAt(size_t at, regInst inst) {
    prog->code.insert(prog->code.begin() + static_cast<std::ptrdiff_t>(at), inst);
  }

  // expression: branch ('|' branch)*
  bool reg(bool paren, int* flags) {
    *flags = kHasWidth;
    tvector<size_t> pendingJumps;
    for (;;) {
      size_t start = pc();
      int bflags = 0;
      if (!branch(&bflags)) return false;
      if (!(bflags & kHasWidth)) *flags &= ~kHasWidth;
      if (*p != '|') break;
      p++;
      insertAt(start, regInst{kOpSplit, 0, 1, 0});
      pendingJumps.push_back(pc());
      emit(kOpJmp);
      prog->code[start].y = static_cast<int32_t>(pc() - start);
    }
    for (size_t j : pendingJumps) prog->code[j].x = static_cast<int32_t>(pc() - j);
    if (paren) {
      if (*p != ')') return fail("unmatched ()");
      p++;
    } else if (*p != '\0') {
      return fail(*p == ')' ? "unmatched ()" : "junk on end");
    }
    return true;
  }

  bool branch(int* flags) {
    *flags = 0;
    while (*p != '\0' && *p != '|' && *p != ')') {
      int pflags = 0;
      if (!piece(&pflags)) return false;
      *flags |= pflags & kHasWidth;
    }
    return true;
  }

  bool piece(int* flags) {
    size_t start = pc();
    int aflags = 0;
    if (!atom(&aflags)) return false;
    char op = *p;
    if (!isMult(op)) {
      *flags = aflags;
      return true;
    }
    if (!(aflags & kHasWidth) && op != '?') return fail("*+ operand could be empty");
    p++;
    if (isMult(*p)) return fail("nested *?+");
    int32_t len = static_cast<int32_t>(pc() - start);
    if (op == '*') {
      // split(body, out); body; jmp back to split
      insertAt(start, regInst{kOpSplit, 0, 1, len + 2});
      emit(kOpJmp, 0, -(len + 1));
      *flags = 0;
    } else if (op == '+') {
      emit(kOpSplit, 0, -len, 1);
      *flags = kHasWidth;
    } else {
      insertAt(start, regInst{kOpSplit, 0, 1, len + 1});
      *flags = 0;
    }
    return true;
  }

  bool atom(int* flags) {
    *flags = 0;
    char c = *p++;
    switch (c) {
      case '^':
        emit(kOpBol);
        return true;
      case '$':
        emit(kOpEol);
        return true;
      case '.':
        emit(kOpAny);
        *flags = kHasWidth;
        return true;
      case '[':
        *flags = kHasWidth;
        return set();
      case '(': {
        if (prog->nGroups >= kRegMaxGroups) return fail("too many ()");
        prog->nGroups++;
        return reg(true, flags);
      }
      case '\0':
      case '|':
      case ')':
        return fail("internal urp");  // a branch stops before these
      case '?':
      case '+':
      case '*':
        return fail("?+* follows nothing");
      case '\\':
        if (*p == '\0') return fail("trailing \\");
        emit(kOpChar, static_cast<uint8_t>(*p++));
        *flags = kHasWidth;
        return true;
      default:
        emit(kOpChar, static_cast<uint8_t>(c));
        *flags = kHasWidth;
        return true;
    }
  }

  // Bracket expression after '['.
  bool set() {
    uint8_t bits[kSetBytes] = {};
    auto add = [&bits](unsigned c) {
      bits[c >> 3] = static_cast<uint8_t>(bits[c >> 3] | (1u << (c & 7)));
    };
    bool negate = false;
    if (*p == '^') {
      negate = true;
      p++;
    }
    if (*p == ']' || *p == '-') add(static_cast<unsigned char>(*p++));
    while (*p != '\0' && *p != ']') {
      unsigned lo = static_cast<unsigned char>(*p++);
      if (*p == '-' && p[1] != ']' && p[1] != '\0') {
        unsigned hi = static_cast<unsigned char>(p[1]);
        p += 2;
        // One below is an empty range; further below is a mistake.
        if (hi + 1 < lo) return fail("invalid [] range");
        for (unsigned c = lo; c <= hi; c++) add(c);
      } else {
        add(lo);
      }
    }
    if (*p != ']') return fail("unmatched []");
    p++;
    if (negate) {
      for (uint8_t& b : bits) b = static_cast<uint8_t>(~b);
    }
    int32_t idx = static_cast<int32_t>(prog->sets.size() / kSetBytes);
    prog->sets.insert(prog->sets.end(), bits, bits + kSetBytes);
    emit(kOpSet, 0, idx);
    return true;
  }
};

// Size of the compiled program counted as a byte code: three bytes per instruction, plus its
// character or set.
size_t programBytes(const strRegex& prog) {
  size_t n = 0;
  for (const regInst& i : prog.code) n += 3 + (i.op == kOpChar ? 1 : 0);
  return n + prog.sets.size();
}

bool inSet(const strRegex& prog, int32_t idx, unsigned char c) {
  const uint8_t* bits = &prog.sets[static_cast<size_t>(idx) * kSetBytes];
  return (bits[c >> 3] >> (c & 7)) & 1;
}

// Backtracking run from one start position, with an explicit stack of alternatives so that long
// names cannot exhaust the call stack.
bool runAt(const strRegex& prog, const char* name, size_t len, size_t start,
           tvector<std::pair<size_t, size_t>>& stack) {
  stack.clear();
  stack.emplace_back(0, start);
  while (!stack.empty()) {
    auto [pc, sp] = stack.back();
    stack.pop_back();
    for (;;) {
      const regInst& in = prog.code[pc];
      bool ok = true;
      switch (in.op) {
        case kOpChar:
          ok = sp < len && static_cast<unsigned char>(name[sp]) == in.ch;
          sp++, pc++;
          break;
        case kOpAny:
          ok = sp < len;
          sp++, pc++;
          break;
        case kOpSet:
          ok = sp < len && inSet(prog, in.x, static_cast<unsigned char>(name[sp]));
          sp++, pc++;
          break;
        case kOpBol:
          ok = sp == 0;
          pc++;
          break;
        case kOpEol:
          ok = sp == len;
          pc++;
          break;
        case kOpSplit:
          stack.emplace_back(pc + static_cast<size_t>(in.y), sp);
          pc += static_cast<size_t>(in.x);
          break;
        case kOpJmp:
          pc = static_cast<size_t>(static_cast<std::ptrdiff_t>(pc) + in.x);
          break;
        case kOpMatch:
          return true;
      }
      if (!ok) break;
    }
  }
  return false;
}

}  // namespace

int strRegComp(const char* pattern, strRegex* prog) {
  if (prog == nullptr) return 1;
  if (pattern == nullptr) {
    prog->error = "NULL argument";
    return 1;
  }
  prog->code.clear();
  prog->sets.clear();
  prog->nGroups = 0;
  prog->startsAnchored = 0;
  Parser ps{pattern, prog};
  int flags = 0;
  bool ok;
  try {
    ok = ps.reg(false, &flags);
    if (ok) ps.emit(kOpMatch);
  } catch (const std::bad_alloc&) {
    ps.fail("out of space");
    ok = false;
  }
  if (ok && programBytes(*prog) >= static_cast<size_t>(kRegMaxProgram)) {
    ok = ps.fail("Regexp too big");
  }
  if (!ok) {
    prog->code.clear();
    prog->sets.clear();
    prog->error = ps.error != nullptr ? ps.error : "internal disaster";
    return 1;
  }
  prog->startsAnchored = !prog->code.empty() && prog->code[0].op == kOpBol;
  prog->error = "";
  return 0;
}

int strRegExec(const strRegex* prog, const char* name) {
  if (prog == nullptr || name == nullptr) return 0;
  if (prog->code.empty()) return 0;  // never compiled, or failed to compile
  size_t len = std::strlen(name);
  tvector<std::pair<size_t, size_t>> stack{TrackedAllocator<std::pair<size_t, size_t>>("regexec")};
  size_t lastStart = prog->startsAnchored ? 0 : len;
  for (size_t start = 0; start <= lastStart; start++) {
    if (runAt(*prog, name, len, start, stack)) return 1;
  }
  return 0;
}

int strMatchRegex(const char* name, const char* pattern) {
  if (name == nullptr || pattern == nullptr) return 0;
  // Compiled per call: names are short and a cached program would hold tracked memory past the
  // end of the run.
  strRegex prog{};
  if (strRegComp(pattern, &prog) != 0) return 0;
  return strRegExec(&prog, name);
}

int strMatchGlob(const char* name, const char* pattern) {
  const char* s = name;
  const char* p = pattern;
  if (s == nullptr || p == nullptr) return 0;
  while (*p != '\0') {
    switch (*p) {
      case '*':
        p++;
        if (*p == '\0') return 1;
        for (;; s++) {
          if (strMatchGlob(s, p)) return 1;
          if (*s == '\0') return 0;
        }
      case '?':
        if (*s == '\0') return 0;
        p++, s++;
        break;
      case '[': {
        if (*s == '\0') return 0;
        p++;
        unsigned char c = static_cast<unsigned char>(*s);
        bool matched = false;
        while (*p != '\0' && *p != ']') {
          unsigned char lo = static_cast<unsigned char>(*p);
          if (p[1] == '-' && p[2] != '\0' && p[2] != ']') {
            unsigned char hi = static_cast<unsigned char>(p[2]);
            // Ranges are sets: either order of the ends gives the same members.
            if ((c >= lo && c <= hi) || (c >= hi && c <= lo)) matched = true;
            p += 3;
          } else {
            if (c == lo) matched = true;
            p++;
          }
        }
        if (!matched) return 0;
        if (*p == '\0') return s[1] == '\0';  // unterminated set ends the pattern
        p++, s++;
        break;
      }
      case '\\':
        p++;
        if (*p == '\0') return 0;
        [[fallthrough]];
      default:
        if (*p != *s) return 0;
        p++, s++;
        break;
    }
  }
  return *s == '\0';
}

int strMatch(const char* name, const char* pattern, int mode, int caseFlag) {
  if (name == nullptr || pattern == nullptr) return 0;
  switch (mode) {
    case 1:
      if (caseFlag == 1) return std::strcmp(name, pattern) == 0;
      for (; *name && *pattern; name++, pattern++) {
        if (std::tolower(static_cast<unsigned char>(*name)) !=
            std::tolower(static_cast<unsigned char>(*pattern))) {
          return 0;
        }
      }
      return *name == *pattern;
    case 2:
      return strMatchRegex(name, pattern);
    case 3:
      return strMatchGlob(name, pattern);
    default:
      return 0;
  }
}

}  // namespace korva
