// The steric prediction of a structure: from the selected atoms to the report.
#include "api/pipeline.h"
#include "modes/config.h"
#include "modes/structure_run.h"
#include "report/report.h"
#include "structure/domain.h"

namespace korva {

int stericRun(const pdbInfo& pdb, dTab* tab, const tvector<int>& flags, runParams& p,
              int nCouplings, Log& log) {
  korvaInfo* info = &p.info;
  int status = readConfig(p.inp, info, log);
  if (status) {
    log.printf("Error reading configuration file %s\n", p.inp);
    return status;
  }
  // The charge file is read whatever the potential, so that a bad one never passes unnoticed.
  chargeSet charges;
  if (p.charge.charges[0] != '\0') {
    const Status read = readCharges(p.charge.charges, &pdb, &charges);
    if (!read.ok()) {
      log.write(read.message().c_str());
      return read.code();
    }
  }
  chargeOptions medium;
  medium.y0 = p.charge.surfPot;
  medium.debye = p.charge.debye;
  medium.fitPotential = p.charge.fitPot != 0;
  medium.charges = p.charge.charges[0] != '\0' ? &charges : nullptr;
  saupeAnalysis frame;
  int simulated = 0;
  chargeSummary summary;
  status = stericPipeline(pdb, tab, flags, info, &p.tensor, nCouplings, &frame, &simulated, log,
                          &medium, &summary);
  if (status) return status;
  dTensor& tensor = p.tensor;
  saupeAnalysis analysis;
  reportInput report;
  report.info = info;
  report.tensor = &tensor;
  report.analysis = &analysis;
  report.couplings = tab;
  if (summary.active) report.charges = &summary;
  analyzeForReport(tensor, &analysis, &report.analysisStatus);
  status = writeDCmod(p.outD, report, log);
  const int rotated = writeFrameStructure(pdb, frame.alpha[0], frame.beta[0], frame.gamma[0],
                                          p.pdbRot, p.remark, log);
  return status != 0 ? status : rotated;
}

}  // namespace korva
