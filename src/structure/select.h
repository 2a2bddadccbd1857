// Atom-selection criteria: a residue range and four name lists, each matched exactly, by glob or
// by regular expression.
#pragma once

namespace korva {

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
// Reads the selection options of the command line into select, then adjusts it. Returns 0.
int getPDBSelectArgs(int argc, char** argv, struct pdbSelect* select);
// Orders the range, counts the words of each list and switches off the matching of lists "*".
void pdbSelectAdjust(struct pdbSelect* select);
// Number of white-space separated words in a list.
int countSelWords(const char* list);

}  // namespace korva
