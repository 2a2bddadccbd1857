// Glob and regular-expression matching of atom, residue, chain and segment names.
#include "structure/match.h"

#include <cctype>
#include <cstdint>
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

// Adds the thread at pc, and every thread its empty moves reach at name position sp, to list;
// mark[pc] == gen says pc is in the list already. True when a thread reaches the match.
bool addThread(const strRegex& prog, size_t pc0, size_t sp, size_t len, size_t gen,
               tvector<size_t>& mark, tvector<size_t>& stack, tvector<size_t>& list) {
  stack.clear();
  stack.push_back(pc0);
  while (!stack.empty()) {
    const size_t pc = stack.back();
    stack.pop_back();
    if (mark[pc] == gen) continue;
    mark[pc] = gen;
    const regInst& in = prog.code[pc];
    switch (in.op) {
      case kOpSplit:
        stack.push_back(pc + static_cast<size_t>(in.y));
        stack.push_back(pc + static_cast<size_t>(in.x));
        break;
      case kOpJmp:
        stack.push_back(static_cast<size_t>(static_cast<std::ptrdiff_t>(pc) + in.x));
        break;
      case kOpBol:
        if (sp == 0) stack.push_back(pc + 1);
        break;
      case kOpEol:
        if (sp == len) stack.push_back(pc + 1);
        break;
      case kOpMatch:
        return true;
      default:  // consumes a character: waits for the next step
        list.push_back(pc);
        break;
    }
  }
  return false;
}

bool consumes(const strRegex& prog, const regInst& in, unsigned char c) {
  switch (in.op) {
    case kOpChar:
      return c == in.ch;
    case kOpAny:
      return true;
    case kOpSet:
      return inSet(prog, in.x, c);
    default:
      return false;
  }
}

// One element of a glob at p (not a star) against the character c (not NUL); *next receives the
// pattern after the element. False when it does not match, or the pattern ends in a lone "\".
bool globElement(const char* p, unsigned char c, const char** next) {
  switch (*p) {
    case '?':
      *next = p + 1;
      return true;
    case '[': {
      p++;
      bool matched = false;
      while (*p != '\0' && *p != ']') {
        const unsigned char lo = static_cast<unsigned char>(*p);
        if (p[1] == '-' && p[2] != '\0' && p[2] != ']') {
          const unsigned char hi = static_cast<unsigned char>(p[2]);
          // Ranges are sets: either order of the ends gives the same members.
          if ((c >= lo && c <= hi) || (c >= hi && c <= lo)) matched = true;
          p += 3;
        } else {
          if (c == lo) matched = true;
          p++;
        }
      }
      // A set left open ends the pattern: the name must end with this character.
      *next = *p == ']' ? p + 1 : p;
      return matched;
    }
    case '\\':
      *next = p + 2;
      return p[1] != '\0' && static_cast<unsigned char>(p[1]) == c;
    default:
      *next = p + 1;
      return static_cast<unsigned char>(*p) == c;
  }
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
  // Thompson's simulation: all threads advance together, one name character per step, and a
  // program position is held by at most one thread per step, so the time is at most the program
  // length times the name length, whatever the pattern.
  const size_t len = std::strlen(name);
  const size_t n = prog->code.size();
  tvector<size_t> mark(n, SIZE_MAX, TrackedAllocator<size_t>("regexec"));
  tvector<size_t> stack(TrackedAllocator<size_t>("regexec"));
  tvector<size_t> now(TrackedAllocator<size_t>("regexec"));
  tvector<size_t> next(TrackedAllocator<size_t>("regexec"));
  for (size_t sp = 0;; sp++) {
    // A match may start at any position, unless the expression is anchored at the start.
    if ((sp == 0 || !prog->startsAnchored) && addThread(*prog, 0, sp, len, sp, mark, stack, now)) {
      return 1;
    }
    if (sp == len || (now.empty() && prog->startsAnchored)) return 0;
    const unsigned char c = static_cast<unsigned char>(name[sp]);
    next.clear();
    for (size_t pc : now) {
      if (consumes(*prog, prog->code[pc], c) &&
          addThread(*prog, pc + 1, sp + 1, len, sp + 1, mark, stack, next)) {
        return 1;
      }
    }
    now.swap(next);
  }
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
  // Two pointers: on a mismatch only the last star needs to take one more character, since it
  // can take any run the earlier stars could have; the time is at most pattern times name.
  const char* starP = nullptr;
  const char* starS = nullptr;
  for (;;) {
    if (*p == '*') {
      while (*p == '*') p++;
      if (*p == '\0') return 1;
      starP = p;
      starS = s;
      continue;
    }
    const char* next = nullptr;
    if (*p == '\0' ? *s == '\0'
                   : (*s != '\0' && globElement(p, static_cast<unsigned char>(*s), &next))) {
      if (*p == '\0') return 1;
      p = next;
      s++;
      continue;
    }
    if (starP == nullptr || *starS == '\0') return 0;
    p = starP;
    s = ++starS;
  }
}

const char* globError(const char* pattern) {
  for (const char* p = pattern; *p != '\0'; p++) {
    if (*p == '\\') {
      if (*++p == '\0') return "trailing \\";
    } else if (*p == '[') {
      const char* close = p + 1;
      if (*close == ']') {
        p = close;
        continue;
      }
      while (*close != '\0' && *close != ']') close++;
      if (*close == '\0') return "unmatched []";
      p = close;
    }
  }
  return nullptr;
}

const char* patternError(const char* pattern, int mode) {
  if (pattern == nullptr) return "NULL argument";
  if (mode == 3) return globError(pattern);
  if (mode != 2) return nullptr;
  strRegex prog{};
  return strRegComp(pattern, &prog) != 0 ? prog.error : nullptr;
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
