// Free-format steric prediction: bare coordinates in, the predicted Saupe matrix out.
#include "align/steric.h"
#include "api/pipeline.h"
#include "modes/modes.h"
#include "report/report.h"
#include "structure/free_format.h"

namespace korva {
namespace {

int stericFree(runParams& p, Log& log) {
  korvaInfo* info = &p.info;
  if (checkStericOptions(*info, log)) return 1;
  // Bare coordinates name no residues, so no charge can be placed on them.
  if (p.charge.surfPot != 0.0f || p.charge.fitPot || p.charge.charges[0] != '\0') {
    log.printf(
        "KORVA: error - free-format coordinates carry no charges; a charged medium needs "
        "-stKorva.\n");
    return 1;
  }
  refine_bicelle(info);
  tvector<double> x(TrackedAllocator<double>("ssiaFree"));
  tvector<double> y(TrackedAllocator<double>("ssiaFree"));
  tvector<double> z(TrackedAllocator<double>("ssiaFree"));
  int n = 0;
  int st = readPDBfree(p.pdbF, &n, &x, &y, &z, log);
  if (st) {
    log.printf("Matrix: Error reading PDB file in free format.\n");
    return st;
  }
  log.printf("%s, %d Atoms, Free format.\n", p.pdbF, n);
  if (n == 0) {
    log.printf("KORVA: error - no atoms in free-format file %s!\n", p.pdbF);
    return 1;
  }
  int simulated = 0;
  st = stericFreePipeline(n, &x, &y, &z, info, &p.tensor, &simulated, log);
  if (st) return st;
  dTab none;
  saupeAnalysis analysis;
  reportInput report;
  report.info = info;
  report.tensor = &p.tensor;
  report.analysis = &analysis;
  report.couplings = &none;
  analyzeForReport(p.tensor, &analysis, &report.analysisStatus);
  return writeDCmod(p.outA, report, log);
}

}  // namespace

int runStericFree(runParams& p, Log& log) {
  const int status = stericFree(p, log);
  if (status != 0) log.printf("matrix: error in ssiaFree.\n");
  return status;
}

}  // namespace korva
