// Selection record defaults and the selection options of the command line.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/args.h"
#include "structure/select.h"

namespace korva {

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

int getPDBSelectArgs(int argc, char** argv, struct pdbSelect* s) {
  int verb = flagLoc(argc, argv, "-verb") != 0;
  intArgD(argc, argv, "-id", &s->value);
  if (flagLoc(argc, argv, "-inv")) s->mode = kSelInverted;

  char first[kArgStrLen] = "";
  char last[kArgStrLen] = "";
  int criteria = 0;
  if (strArgD(argc, argv, "-res", first)) {
    std::strcpy(last, first);
    criteria = 1;
  }
  criteria |= strArgD(argc, argv, "-r1", first);
  criteria |= strArgD(argc, argv, "-rN", last);
  criteria |= strArgD(argc, argv, "-atom", s->atomNames);
  criteria |= strArgD(argc, argv, "-resName", s->resNames);
  criteria |= strArgD(argc, argv, "-chain", s->chainNames);
  criteria |= strArgD(argc, argv, "-seg", s->segNames);
  if (criteria) s->mode = kSelCriteria;

  if (flagLoc(argc, argv, "-clear")) s->mode = kSelClear;
  if (flagLoc(argc, argv, "-set")) s->mode = kSelSet;

  struct ModeOption {
    const char* name;
    int* lists[4];
    int value;
  };
  const ModeOption modes[] = {
      {"-exact", {&s->atomMode, &s->resMode, &s->chainMode, &s->segMode}, kMatchExact},
      {"-regex", {&s->atomMode, &s->resMode, &s->chainMode, &s->segMode}, kMatchRegex},
      {"-glob", {&s->atomMode, &s->resMode, &s->chainMode, &s->segMode}, kMatchGlob},
      {"-aExact", {&s->atomMode}, kMatchExact},
      {"-aRegex", {&s->atomMode}, kMatchRegex},
      {"-aGlob", {&s->atomMode}, kMatchGlob},
      {"-rExact", {&s->resMode}, kMatchExact},
      {"-rRegex", {&s->resMode}, kMatchRegex},
      {"-rGlob", {&s->resMode}, kMatchGlob},
      {"-cExact", {&s->chainMode}, kMatchExact},
      {"-cRegex", {&s->chainMode}, kMatchRegex},
      {"-cGlob", {&s->chainMode}, kMatchGlob},
      {"-sExact", {&s->segMode}, kMatchExact},
      {"-sRegex", {&s->segMode}, kMatchRegex},
      {"-sGlob", {&s->segMode}, kMatchGlob},
  };
  for (const ModeOption& m : modes) {
    if (!flagLoc(argc, argv, m.name)) continue;
    for (int* target : m.lists) {
      if (target != nullptr) *target = m.value;
    }
  }

  if (std::strcmp(first, "*") == 0 || std::strcmp(last, "*") == 0) {
    s->rangeTest = 0;
  } else {
    s->firstRes = static_cast<int>(std::strtol(first, nullptr, 10));
    s->lastRes = static_cast<int>(std::strtol(last, nullptr, 10));
  }
  pdbSelectAdjust(s);

  if (verb) {
    std::fprintf(stderr, "PDB Selection:");
    if (s->mode == kSelSet) {
      std::fprintf(stderr, " All Atoms.\n");
    } else {
      std::fprintf(stderr, " %d to %d Atoms: %s Residues: %s Chains %s Segs: %s.\n", s->firstRes,
                   s->lastRes, s->atomNames, s->resNames, s->chainNames, s->segNames);
    }
  }
  return 0;
}

}  // namespace korva
