// The structure-based run sequence of the steric and best-fit modes.
#include <cstdio>

#include "api/pipeline.h"
#include "modes/modes.h"
#include "modes/structure_run.h"

namespace korva {

int runStructureSequence(runParams& p, Log& log) {
  pdbInfo pdb;
  pdbNull(&pdb);
  if (p.pdb[0] != '\0') {
    const int status = readPDB(p.pdb, &pdb, nullptr, log);
    if (status != 0) {
      log.printf("Error reading PDB input %s\n", p.pdb);
      return status;
    }
    log.printf("%s, %d Atoms, Residues %d to %d.\n", p.pdb, pdb.nAtoms, pdb.firstRes, pdb.lastRes);
  }

  dTab tab;
  int status = readDC(p.inD, &tab, log);
  if (status != 0) {
    log.printf("Error reading DC input %s\n", p.inD);
    return status;
  }
  log.printf("%s, %d Couplings, Residues %d to %d.\n", p.inD, tab.n, tab.firstRes, tab.lastRes);

  dcInfo* dc = &p.dc;
  const int n = prepareCouplings(pdb, &tab, dc, p.aD1, p.aD2, p.weights.data(),
                                 static_cast<int>(p.weights.size()), log);
  std::printf("REMARK %d couplings selected (%s%s).\n", n,
              dc->rangeMode == 1 ? "exclusive" : "inclusive", dc->rangeMode == 3 ? " max" : "");
  std::fflush(stdout);

  tvector<int> flags(TrackedAllocator<int>("selection"));
  if (selectAtoms(pdb, &p.select, p.info.useH, &flags, log) != 0) return 1;

  if (p.info.mode == kModeBestFit) {
    status = bestFitRun(pdb, &tab, p, log);
    if (status != 0) log.printf("Matrix: error in best-fit of data.\n");
    return status;
  }
  return stericRun(pdb, &tab, flags, p, n, log);
}

}  // namespace korva
