// Name matching: exact, glob patterns and a small regular-expression engine, all in time linear
// in pattern length times name length.
#pragma once

#include <cstdint>

#include "core/alloc.h"

namespace korva {

constexpr int kRegMaxGroups = 9;       // parenthesised groups allowed in one expression
constexpr int kRegMaxProgram = 32767;  // compiled size (bytes) at which an expression is refused

// One instruction of a compiled expression; jump targets are relative to the instruction.
struct regInst {
  uint8_t op;  // regOp
  uint8_t ch;  // literal character for a character instruction
  int32_t x;   // first (preferred) jump, or set index
  int32_t y;   // second jump of a split
};

// A compiled expression. Owns its code and character sets.
struct strRegex {
  tvector<regInst> code;
  tvector<uint8_t> sets;   // 32-byte bitmaps, one per bracket expression
  int nGroups;             // parenthesised groups used
  int startsAnchored;      // 1 when every match must start at the beginning of the name
  const char* error = "";  // why the last compile failed ("" after a successful one)
};

// Compiles pattern into prog. Returns 0, or 1 with the reason in prog->error.
[[nodiscard]] int strRegComp(const char* pattern, strRegex* prog);
// 1 when some substring of name matches the compiled expression, else 0.
int strRegExec(const strRegex* prog, const char* name);

// 1 when the regular expression matches somewhere in name; 0 on no match or a bad pattern.
int strMatchRegex(const char* name, const char* pattern);
// 1 when the glob pattern matches the whole name.
int strMatchGlob(const char* name, const char* pattern);
// Why a pattern cannot be used in matching mode 2 (regular expression) or 3 (glob): the compile
// error of an expression; "unmatched []" or "trailing \\" for a glob, whose matching has a
// meaning even for these but hardly the one intended. nullptr when it can be used.
const char* patternError(const char* pattern, int mode);
// Mode 1 whole-name comparison (case-sensitive when caseFlag is 1), 2 regular expression,
// 3 glob; any other mode matches nothing. Returns 1 on match.
int strMatch(const char* name, const char* pattern, int mode, int caseFlag);

}  // namespace korva
