// Testing atoms against a selection and writing the selection into a structure's flags.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "structure/match.h"
#include "structure/pdb.h"
#include "structure/select.h"

namespace korva {

namespace {

// Walks the words of a list: blank-separated, a quoted word keeps its blanks and loses its
// quotes. Words past the last one read are empty, so a quoted word with blanks (counted as
// several) leaves empty words at the end.
struct WordCursor {
  const char* p;

  void next(char* word) {
    size_t n = 0;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) p++;
    if (*p == '"' || *p == '\'') {
      char q = *p++;
      while (*p != '\0' && *p != q) {
        if (n + 1 < static_cast<size_t>(kSelListLen)) word[n++] = *p;
        p++;
      }
      if (*p == q) p++;
    } else {
      while (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p))) {
        if (n + 1 < static_cast<size_t>(kSelListLen)) word[n++] = *p;
        p++;
      }
    }
    word[n] = '\0';
  }
};

// True when name matches some word of the list (or the list is not tested).
bool listMatches(const char* name, const char* list, int mode) {
  if (mode == kMatchNone) return true;
  int count = countSelWords(list);
  WordCursor cursor{list};
  char word[kSelListLen];
  for (int i = 0; i < count; i++) {
    cursor.next(word);
    if (strMatch(name, word, mode, 1)) return true;
  }
  return false;
}

bool meetsCriteria(const pdbAtom* a, const struct pdbSelect* s) {
  if (s->rangeTest && (a->resId < s->firstRes || a->resId > s->lastRes)) return false;
  return listMatches(a->atomName, s->atomNames, s->atomMode) &&
         listMatches(a->resName, s->resNames, s->resMode) &&
         listMatches(a->chainId, s->chainNames, s->chainMode) &&
         listMatches(a->segId, s->segNames, s->segMode);
}

int setAll(pdbInfo* pdb, int value) {
  for (pdbAtom& a : pdb->atoms) a.selected = value;
  return static_cast<int>(pdb->atoms.size());
}

}  // namespace

int pdbSelectTest(const pdbAtom* atom, const struct pdbSelect* s) {
  if (s == nullptr) return 1;
  if (s->mode == kSelSet) return 1;
  if (s->mode == kSelClear) return 0;
  // Inversion exchanges every later pass and fail, the missing atom's fail included.
  if (atom == nullptr) return s->mode == kSelInverted ? 1 : 0;
  bool meets = meetsCriteria(atom, s);
  return (s->mode == kSelInverted ? !meets : meets) ? 1 : 0;
}

int pdbSelect(pdbInfo* pdb, struct pdbSelect* s) {
  if (pdb == nullptr || s == nullptr) return 0;
  pdbSelectAdjust(s);
  if (s->mode == kSelClear) return setAll(pdb, 0);
  if (s->mode == kSelSet) return setAll(pdb, s->value);

  int passed = 0;
  // With one chain and segment the residue table reaches the range directly. Inverted
  // selections pass atoms outside the range, so they take the general path, and without a
  // range test the whole structure is visited: both paths then select the same atoms.
  if (pdb->nChains == 1 && pdb->nSegs == 1 && s->chainMode == kMatchNone &&
      s->segMode == kMatchNone && s->mode != kSelInverted) {
    int first = pdb->firstRes;
    int last = pdb->lastRes;
    if (s->rangeTest) {
      first = std::max(first, s->firstRes);
      last = std::min(last, s->lastRes);
    }
    for (int n = first; n <= last; n++) {
      pdbRes* r = findRes(pdb, n, pdb->defChain, pdb->defSeg);
      if (r == nullptr) continue;
      for (pdbAtom* a : r->atoms) {
        if (pdbSelectTest(a, s)) {
          a->selected = s->value;
          passed++;
        }
      }
    }
    return passed;
  }
  for (pdbAtom& a : pdb->atoms) {
    if (pdbSelectTest(&a, s)) {
      a.selected = s->value;
      passed++;
    }
  }
  return passed;
}

int pdbSelect1(pdbInfo* pdb, int firstRes, int lastRes, const char* atomNames, int value,
               int atomMode) {
  struct pdbSelect s;
  pdbSelectNull(&s);
  if (atomNames == nullptr) atomNames = "";
  if (std::strlen(atomNames) >= static_cast<size_t>(kSelListLen)) {
    // A cut list would select different atoms without a word said.
    std::fprintf(stderr, "PDB Selection Error: atom name list too long: %.40s...\n", atomNames);
    return 0;
  }
  std::strcpy(s.atomNames, atomNames);
  s.firstRes = firstRes;
  s.lastRes = lastRes;
  s.value = value;
  s.atomMode = atomMode;
  s.mode = kSelCriteria;
  return pdbSelect(pdb, &s);
}

int pdbClearSelection(pdbInfo* pdb) {
  return pdb == nullptr ? 0 : setAll(pdb, 0);
}

int pdbSetSelection(pdbInfo* pdb, int value) {
  return pdb == nullptr ? 0 : setAll(pdb, value);
}

}  // namespace korva
