// Free-format steric prediction: bare coordinates in, the predicted Saupe matrix out.
#include "align/dots.h"
#include "align/steric.h"
#include "align/surface.h"
#include "modes/modes.h"
#include "modes/structure_run.h"
#include "report/report.h"
#include "structure/free_format.h"

namespace korva {
namespace {

int stericFree(runParams& p, Log& log) {
  korvaInfo* info = &p.info;
  if (checkStericOptions(*info, log)) return 1;
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
  // Sized by the generator to the density asked for, so a large -dot cannot overflow it.
  tvector<double> points(TrackedAllocator<double>("ssiaFree"));
  int ndots = 0;
  if (copyUnitSphereDots(info->dot, &points, &ndots)) {
    log.printf("Matrix: unsp error occured.\n");
    return 1;
  }
  // Free-format atoms carry no element, so the surface step always runs, whatever -surf
  // says.
  int nsel = 0;
  if (surfSel(n, x.data(), y.data(), z.data(), &nsel)) {
    log.printf("Matrix: Error reading PDB file in free format.\n");
    return 1;
  }
  if (nsel == 0) {
    log.printf("KORVA: error - zero atoms remain after surface selection!\n");
    return 1;
  }
  log.printf("REMARK %d atoms selected for simulation.\n", nsel);

  double S[5];
  st = simulateAlignment(info, nsel, x.data(), y.data(), z.data(), ndots, points.data(), S,
                         log);
  if (st) return st;
  // The simulated sum is the order of the free orientations relative to the isotropic mean;
  // the tensor that the medium imposes, which the report and the analysis take, has the
  // other sign.
  double saupe[5];
  for (int m = 0; m < 5; ++m) saupe[m] = -S[m];
  setTensorSaupe(&p.tensor, saupe, log);
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
