// The structure-based run sequence of the steric and best-fit modes.
#include <cstdio>
#include <cstring>

#include "modes/modes.h"
#include "modes/structure_run.h"
#include "structure/select.h"

namespace korva {
namespace {

// Completes the coupling segment: unset ends take the table's ends, and a reversed range is
// put in order.
void completeSegment(dcInfo* dc, const dTab& tab) {
  if (dc->s1 < kResUnsetBelow) dc->s1 = tab.firstRes;
  if (dc->sN < kResUnsetBelow) dc->sN = tab.lastRes;
  if (dc->s1 > dc->sN) {
    const int t = dc->s1;
    dc->s1 = dc->sN;
    dc->sN = t;
  }
  if (dc->a1 < kResUnsetBelow) dc->a1 = dc->s1;
}

void selectAtoms(const pdbInfo& pdb, struct pdbSelect* select, int useH, tvector<int>* flags,
                 Log& log) {
  if (select->firstRes == 0 && select->lastRes == 0) {
    select->firstRes = pdb.firstRes;
    select->lastRes = pdb.lastRes;
  }
  pdbSelect(&pdb, select, flags->data());
  log.printf("REMARK PDB Selection:");
  if (select->mode == kSelSet) {
    log.printf(" All Atoms.\n");
  } else {
    log.printf(" Residues %d to %d  Residues: %s  Atoms: %s  Chains %s  Segs: %s.\n",
               select->firstRes, select->lastRes, select->resNames, select->atomNames,
               select->chainNames, select->segNames);
  }
  if (useH) return;
  // Hydrogens are cleared by a second pass over the same criteria with their name patterns.
  std::snprintf(select->atomNames, sizeof select->atomNames, "%s", "[1-3]H* H*");
  select->atomMode = kMatchGlob;
  select->mode = kSelCriteria;
  select->value = 0;
  pdbSelect(&pdb, select, flags->data());
}

}  // namespace

int runStructureSequence(runParams& p, Log& log) {
  pdbInfo pdb;
  pdbNull(&pdb);
  if (p.pdb[0] != '\0') {
    const int status = readPDB(p.pdb, &pdb, nullptr, log);
    if (status != 0) {
      log.printf("Error reading PDB input %s\n", p.pdb);
      return status;
    }
    log.printf("%s, %d Atoms, Residues %d to %d.\n", p.pdb, pdb.nAtoms, pdb.firstRes,
               pdb.lastRes);
  }

  dTab tab;
  int status = readDC(p.inD, &tab, log);
  if (status != 0) {
    log.printf("Error reading DC input %s\n", p.inD);
    return status;
  }
  log.printf("%s, %d Couplings, Residues %d to %d.\n", p.inD, tab.n, tab.firstRes, tab.lastRes);

  dcInfo* dc = &p.dc;
  completeSegment(dc, tab);
  mapDCInfo(&pdb, &tab);
  selectD(tab.in.data(), tab.n, dc->s1, dc->sN, dc->rangeMode);
  selTypDC(tab.in.data(), tab.n, p.aD1, p.aD2);
  const int n = buildDC(&pdb, &tab, dc->a1 - dc->s1, dc->s1, p.weights.data(),
                        static_cast<int>(p.weights.size()), log);
  std::printf("REMARK %d couplings selected (%s%s).\n", n,
              dc->rangeMode == 1 ? "exclusive" : "inclusive", dc->rangeMode == 3 ? " max" : "");
  std::fflush(stdout);

  tvector<int> flags(pdb.atoms.size(), 0, TrackedAllocator<int>("selection"));
  selectAtoms(pdb, &p.select, p.info.useH, &flags, log);

  if (p.info.mode == kModeBestFit) {
    status = bestFitRun(pdb, &tab, p, log);
    if (status != 0) log.printf("Matrix: error in best-fit of data.\n");
    return status;
  }
  return stericRun(pdb, &tab, flags, p, n, log);
}

}  // namespace korva
