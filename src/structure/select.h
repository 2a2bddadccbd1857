// Atom-selection criteria: a residue range and four name lists, each matched exactly, by glob or
// by regular expression.
#pragma once

#include "core/status.h"

namespace korva {

struct pdbAtom;
struct pdbInfo;

constexpr int kSelListLen = 256;  // each name list holds at most 255 characters

// Matching modes of a name list.
constexpr int kMatchNone = 0;
constexpr int kMatchExact = 1;
constexpr int kMatchRegex = 2;
constexpr int kMatchGlob = 3;

// Selection modes.
constexpr int kSelClear = 0;
constexpr int kSelSet = 1;
constexpr int kSelCriteria = 2;
constexpr int kSelInverted = -1;

struct pdbSelect {
  int firstRes;                  // lower end of the residue-number range
  int lastRes;                   // upper end
  char resNames[kSelListLen];    // blank-separated residue names or patterns
  char atomNames[kSelListLen];   // atom names
  char chainNames[kSelListLen];  // chain names
  char segNames[kSelListLen];    // segment names
  int nResNames;                 // word counts of the four lists
  int nAtomNames;
  int nChainNames;
  int nSegNames;
  int rangeTest;  // 1: residue number must lie in firstRes..lastRes
  int resMode;    // matching mode of each list (kMatch...)
  int atomMode;
  int chainMode;
  int segMode;
  int value;  // value written into the flags of passing atoms
  int mode;   // selection mode (kSel...)
};

// Sets the defaults: range 0..0 tested, every list "*", atom names exact, value 1, mode set.
void pdbSelectNull(struct pdbSelect* select);
// Orders the range, counts the words of each list and switches off the matching of lists "*".
void pdbSelectAdjust(struct pdbSelect* select);
// Number of white-space separated words in a list.
int countSelWords(const char* list);

// 1 when the atom passes the selection (every atom passes a null selection), else 0. A null atom
// fails the criteria, so it passes an inverted selection.
int pdbSelectTest(const pdbAtom* atom, const struct pdbSelect* select);
// Fails naming the first word of a regular-expression or glob list that cannot be used as such
// (patternError), with the option that fills the list.
Status checkSelectPatterns(const struct pdbSelect& select);
// Adjusts select, then writes its value into the flag of every passing atom: flags holds one
// selection flag per atom of pdb, in structure order, and failing atoms keep theirs. The value is
// the number of passing atoms (the atom count for clear and set); 0 for a null structure or
// selection. Fails, leaving the flags, when a pattern of the criteria is invalid
// (checkSelectPatterns). The structure itself is not changed, so one structure may serve several
// selections.
[[nodiscard]] Outcome<int> pdbSelect(const pdbInfo* pdb, struct pdbSelect* select, int* flags);

}  // namespace korva
