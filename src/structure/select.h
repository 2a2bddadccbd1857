// Atom-selection criteria: a residue range and four name lists, each matched exactly, by glob or
// by regular expression.
#pragma once

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
// Reads the selection options of the command line into select, then adjusts it. Returns 0.
int getPDBSelectArgs(int argc, char** argv, struct pdbSelect* select);
// Orders the range, counts the words of each list and switches off the matching of lists "*".
void pdbSelectAdjust(struct pdbSelect* select);
// Number of white-space separated words in a list.
int countSelWords(const char* list);

// 1 when the atom passes the selection (every atom passes a null selection), else 0. A null atom
// fails the criteria, so it passes an inverted selection.
int pdbSelectTest(const pdbAtom* atom, const struct pdbSelect* select);
// Adjusts select, then writes its value into the flag of every passing atom; failing atoms keep
// their flags. Returns the number of passing atoms (the atom count for clear and set); 0 for a
// null structure or selection.
int pdbSelect(pdbInfo* pdb, struct pdbSelect* select);
// Selects by residue range and atom-name list (criteria mode) with the given value and atom-name
// matching mode. Returns the number of passing atoms.
int pdbSelect1(pdbInfo* pdb, int firstRes, int lastRes, const char* atomNames, int value,
               int atomMode);
// All flags 0; returns the atom count.
int pdbClearSelection(pdbInfo* pdb);
// All flags = value; returns the atom count.
int pdbSetSelection(pdbInfo* pdb, int value);

}  // namespace korva
