// Couplings against a structure: naming conventions, missing amide protons, dropped couplings.
#include "tables/coupling_match.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "structure/name_convention.h"

namespace korva {
namespace {

constexpr int kConventionCount = 4;  // the values of nameConvention

// Tables without chain (segment) names address the structure's default chain (segment).
const pdbAtom* atomOf(const pdbInfo& pdb, const dTab& tab, int res, const char* name,
                      const char* chain, const char* seg) {
  if (pdb.nAtoms <= 0) return nullptr;
  return findAtom(&pdb, res, name, tab.ignoreChain ? pdb.defChain : chain,
                  tab.ignoreSeg ? pdb.defSeg : seg);
}
const pdbRes* resOf(const pdbInfo& pdb, const dTab& tab, int res, const char* chain,
                    const char* seg) {
  if (pdb.nAtoms <= 0) return nullptr;
  return findRes(&pdb, res, tab.ignoreChain ? pdb.defChain : chain,
                 tab.ignoreSeg ? pdb.defSeg : seg);
}

bool isAmideProton(const char* name) {
  return strcasecmp(name, "H") == 0 || strcasecmp(name, "HN") == 0;
}

}  // namespace

const char* missingAmideProtonName(const pdbInfo& pdb, const dTab& tab, int residueOffset) {
  for (const dcRecord& r : tab.in) {
    if (r.resI != r.resJ) continue;
    const bool nFirst = std::strcmp(r.atomNameI, "N") == 0 && isAmideProton(r.atomNameJ);
    const bool hFirst = std::strcmp(r.atomNameJ, "N") == 0 && isAmideProton(r.atomNameI);
    if (!nFirst && !hFirst) continue;
    const char* proton = nFirst ? r.atomNameJ : r.atomNameI;
    const int res = r.resI + residueOffset;
    if (atomOf(pdb, tab, res, "N", r.chainI, r.segI) == nullptr) continue;
    const pdbRes* residue = resOf(pdb, tab, res, r.chainI, r.segI);
    if (residue == nullptr || atomOf(pdb, tab, res, proton, r.chainI, r.segI) != nullptr) continue;
    if (matchByConvention(*residue, proton).atom != nullptr) continue;
    return proton;
  }
  return nullptr;
}

int matchCouplingNames(const pdbInfo& pdb, dTab* tab, int residueOffset, Log& log) {
  bool used[kConventionCount] = {};
  int changed = 0;
  for (dcRecord& r : tab->in) {
    int* res[2] = {&r.resI, &r.resJ};
    char* name[2] = {r.atomNameI, r.atomNameJ};
    const char* chain[2] = {r.chainI, r.chainJ};
    const char* seg[2] = {r.segI, r.segJ};
    for (int k = 0; k < 2; k++) {
      const int n = *res[k] + residueOffset;
      if (name[k][0] == '\0' || atomOf(pdb, *tab, n, name[k], chain[k], seg[k]) != nullptr) {
        continue;
      }
      const pdbRes* residue = resOf(pdb, *tab, n, chain[k], seg[k]);
      if (residue == nullptr) continue;
      const conventionMatch match = matchByConvention(*residue, name[k]);
      if (match.atom == nullptr) continue;
      pdbStrCpy(name[k], match.atom->atomName);
      used[static_cast<int>(match.convention)] = true;
      changed++;
    }
  }
  if (changed == 0) return 0;
  log.printf("Note: %d coupling atom names matched to the structure's naming (", changed);
  const char* sep = "";
  for (int c = 1; c < kConventionCount; c++) {
    if (!used[c]) continue;
    log.printf("%s%s", sep, conventionText(static_cast<nameConvention>(c)));
    sep = "; ";
  }
  log.printf(").\n");
  return changed;
}

int reportDroppedCouplings(const pdbInfo& pdb, const dTab& tab, int residueOffset, bool fitting,
                           Log& log) {
  int dropped = 0;
  for (int i = 0; i < tab.n; i++) {
    const dcRecord& in = tab.in[static_cast<size_t>(i)];
    const dcRecord& w = tab.work[static_cast<size_t>(i)];
    char why[96] = "";
    if (in.badElement) {
      std::snprintf(why, sizeof why, "unknown element");
    } else if (!in.selected) {
      continue;  // outside the residue range or atom types asked for
    } else if (w.atomI == nullptr || w.atomJ == nullptr) {
      const bool iMissing =
          atomOf(pdb, tab, in.resI + residueOffset, in.atomNameI, in.chainI, in.segI) == nullptr;
      std::snprintf(why, sizeof why, "atom %s of residue %d not in the structure",
                    iMissing ? in.atomNameI : in.atomNameJ,
                    (iMissing ? in.resI : in.resJ) + residueOffset);
    } else if (w.W == 0.0f && !dcIsGlycine(tab, i)) {
      std::snprintf(why, sizeof why, "zero weight");
    } else if (fitting && in.D >= kDCLimit) {
      std::snprintf(why, sizeof why, "observed value %g is a placeholder (999 or more)",
                    static_cast<double>(in.D));
    } else {
      continue;
    }
    log.printf("KORVA: coupling %d (%d%s%s %s - %d%s%s %s) dropped: %s.\n", in.index, in.resI,
               in.resNameI[0] ? " " : "", in.resNameI, in.atomNameI, in.resJ,
               in.resNameJ[0] ? " " : "", in.resNameJ, in.atomNameJ, why);
    dropped++;
  }
  if (dropped > 0) log.printf("KORVA: %d of %d couplings dropped.\n", dropped, tab.n);
  return dropped;
}

}  // namespace korva
