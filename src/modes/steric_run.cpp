// The steric prediction of a structure: from the selected atoms to the report.
#include <cmath>

#include "align/coords.h"
#include "align/dots.h"
#include "align/steric.h"
#include "fit/fit_d.h"
#include "modes/config.h"
#include "modes/structure_run.h"
#include "report/report.h"
#include "structure/domain.h"
#include "tensor/saupe_analysis.h"

namespace korva {

int checkStericOptions(const korvaInfo& info, Log& log) {
  const char* why = nullptr;
  if (info.dot < kUnspMinDensity) {
    why = "-dot must be at least 3";
  } else if (info.digPsi < 1) {
    why = "-digPsi must be at least 1";
  } else if (!std::isfinite(info.dGrid) || info.dGrid <= 0.0f) {
    why = "-dGrid must be greater than 0";
  }
  if (why == nullptr) return 0;
  log.printf("KORVA: error - %s.\n", why);
  return 1;
}

int stericRun(const pdbInfo& pdb, dTab* tab, const tvector<int>& flags, runParams& p,
              int nCouplings, Log& log) {
  korvaInfo* info = &p.info;
  int status = readConfig(p.inp, info, log);
  if (status) {
    log.printf("Error reading configuration file %s\n", p.inp);
    return status;
  }
  if (checkStericOptions(*info, log)) return 1;
  refine_bicelle(info);

  // Copied at once: the surface step regenerates the generator's dots at its own density.
  tvector<double> points(TrackedAllocator<double>("matrix"));
  int ndots = 0;
  if (copyUnitSphereDots(info->dot, &points, &ndots)) {
    log.printf("Matrix: unsp error occured.\n");
    return 1;
  }

  // Without a selected atom the surface step has nothing to work on; say so plainly.
  bool anySelected = false;
  for (int f : flags) anySelected = anySelected || f != 0;
  if (!anySelected) {
    log.printf("KORVA: error - zero atoms selected for simulation!\n");
    return 1;
  }
  simAtoms atoms;
  status = coorSelect(pdb, *info, flags, &atoms, log);
  if (status) {
    log.printf("korva: error reading selection of atoms.\n");
    return status;
  }
  log.printf("REMARK %d atoms selected for simulation.\n", atoms.n);
  if (atoms.n == 0) {
    log.printf("KORVA: error - zero atoms selected for simulation!\n");
    return 1;
  }

  double S[5];
  status = simulateAlignment(info, atoms.n, atoms.x.data(), atoms.y.data(), atoms.z.data(), ndots,
                             points.data(), S, log);
  if (status) {
    log.printf("Matrix: Error simulating alignment.\n");
    return status;
  }
  // The simulated sum is the order of the free orientations relative to the isotropic mean; the
  // tensor that the medium imposes, which the report and the analysis take, has the other sign.
  double saupe[5];
  for (int m = 0; m < 5; ++m) saupe[m] = -S[m];

  // The rotated structure takes the frame of the simulated tensor itself; the report analyses it
  // as stored, in single precision.
  saupeAnalysis frame;
  const Status frameStatus = analyzeSaupe(saupe, true, &frame);
  if (!frameStatus.ok()) {
    log.write(frameStatus.message().c_str());
    log.printf("Matrix: error in analyzeSaupe.\n");
    return 1;
  }

  dTensor& tensor = p.tensor;
  tensor.tensorMode = kTensorSteric;
  if (nCouplings > 0) {
    for (int m = 0; m < 5; ++m) tensor.saupeIn[m] = static_cast<float>(saupe[m]);
    fitWorkspace ws;
    fitD(&pdb, tab, &tensor, &ws, info->verbose, log);
  } else {
    setTensorSaupe(&tensor, saupe, log);
  }
  saupeAnalysis analysis;
  reportInput report;
  report.info = info;
  report.tensor = &tensor;
  report.analysis = &analysis;
  report.couplings = tab;
  analyzeForReport(tensor, &analysis, &report.analysisStatus);
  status = writeDCmod(p.outD, report, log);
  const int rotated = writeFrameStructure(pdb, frame.alpha[0], frame.beta[0], frame.gamma[0],
                                          p.pdbRot, p.remark, log);
  return status != 0 ? status : rotated;
}

}  // namespace korva
