// Testing atoms against a selection and writing the selection into a flag per atom.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

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

int setAll(const pdbInfo* pdb, int value, int* flags) {
  std::fill(flags, flags + pdb->atoms.size(), value);
  return static_cast<int>(pdb->atoms.size());
}

}  // namespace

void pdbSelectNull(struct pdbSelect* s) {
  if (s == nullptr) return;
  s->firstRes = 0;
  s->lastRes = 0;
  std::strcpy(s->resNames, "*");
  std::strcpy(s->atomNames, "*");
  std::strcpy(s->chainNames, "*");
  std::strcpy(s->segNames, "*");
  s->nResNames = s->nAtomNames = s->nChainNames = s->nSegNames = 1;
  s->rangeTest = 1;
  s->resMode = kMatchNone;
  s->atomMode = kMatchExact;
  s->chainMode = kMatchNone;
  s->segMode = kMatchNone;
  s->value = 1;
  s->mode = kSelSet;
}

int countSelWords(const char* list) {
  int n = 0;
  bool inWord = false;
  for (const char* p = list; *p; p++) {
    bool space = std::isspace(static_cast<unsigned char>(*p)) != 0;
    if (!space && !inWord) n++;
    inWord = !space;
  }
  return n;
}

void pdbSelectAdjust(struct pdbSelect* s) {
  if (s == nullptr) return;
  if (s->firstRes > s->lastRes) {
    int t = s->firstRes;
    s->firstRes = s->lastRes;
    s->lastRes = t;
  }
  s->nResNames = countSelWords(s->resNames);
  s->nAtomNames = countSelWords(s->atomNames);
  s->nChainNames = countSelWords(s->chainNames);
  s->nSegNames = countSelWords(s->segNames);
  if (std::strcmp(s->resNames, "*") == 0) s->resMode = kMatchNone;
  if (std::strcmp(s->atomNames, "*") == 0) s->atomMode = kMatchNone;
  if (std::strcmp(s->chainNames, "*") == 0) s->chainMode = kMatchNone;
  if (std::strcmp(s->segNames, "*") == 0) s->segMode = kMatchNone;
}

int pdbSelectTest(const pdbAtom* atom, const struct pdbSelect* s) {
  if (s == nullptr) return 1;
  if (s->mode == kSelSet) return 1;
  if (s->mode == kSelClear) return 0;
  // Inversion exchanges every later pass and fail, the missing atom's fail included.
  if (atom == nullptr) return s->mode == kSelInverted ? 1 : 0;
  bool meets = meetsCriteria(atom, s);
  return (s->mode == kSelInverted ? !meets : meets) ? 1 : 0;
}

Status checkSelectPatterns(const struct pdbSelect& s) {
  const struct {
    const char* list;
    int mode;
    const char* what;
  } lists[] = {{s.atomNames, s.atomMode, "atom names (-atom)"},
               {s.resNames, s.resMode, "residue names (-resName)"},
               {s.chainNames, s.chainMode, "chain names (-chain)"},
               {s.segNames, s.segMode, "segment names (-seg)"}};
  for (const auto& l : lists) {
    if (l.mode != kMatchRegex && l.mode != kMatchGlob) continue;
    WordCursor cursor{l.list};
    char word[kSelListLen];
    for (int i = countSelWords(l.list); i > 0; i--) {
      cursor.next(word);
      if (const char* why = patternError(word, l.mode)) {
        return Status::failure("PDB Selection Error: '%s' of the %s is not a valid %s: %s.\n", word,
                               l.what,
                               l.mode == kMatchRegex ? "regular expression" : "glob pattern", why);
      }
    }
  }
  return Status::success();
}

Outcome<int> pdbSelect(const pdbInfo* pdb, struct pdbSelect* s, int* flags) {
  if (pdb == nullptr || s == nullptr) return {};
  pdbSelectAdjust(s);
  if (s->mode == kSelClear) return {Status(), setAll(pdb, 0, flags)};
  if (s->mode == kSelSet) return {Status(), setAll(pdb, s->value, flags)};
  if (Status st = checkSelectPatterns(*s); !st.ok()) return {std::move(st), 0};

  const pdbAtom* first = pdb->atoms.data();
  int passed = 0;
  // With one chain and segment the residue table reaches the range directly. Inverted
  // selections pass atoms outside the range, so they take the general path, and without a
  // range test the whole structure is visited: both paths then select the same atoms.
  if (pdb->nChains == 1 && pdb->nSegs == 1 && s->chainMode == kMatchNone &&
      s->segMode == kMatchNone && s->mode != kSelInverted) {
    int lo = pdb->firstRes;
    int hi = pdb->lastRes;
    if (s->rangeTest) {
      lo = std::max(lo, s->firstRes);
      hi = std::min(hi, s->lastRes);
    }
    for (int n = lo; n <= hi; n++) {
      const pdbRes* r = findRes(pdb, n, pdb->defChain, pdb->defSeg);
      if (r == nullptr) continue;
      for (const pdbAtom* a : r->atoms) {
        if (pdbSelectTest(a, s)) {
          flags[a - first] = s->value;
          passed++;
        }
      }
    }
    return {Status(), passed};
  }
  for (size_t i = 0; i < pdb->atoms.size(); i++) {
    if (pdbSelectTest(&pdb->atoms[i], s)) {
      flags[i] = s->value;
      passed++;
    }
  }
  return {Status(), passed};
}

}  // namespace korva
