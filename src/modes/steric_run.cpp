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
  saupeAnalysis frame;
  int simulated = 0;
  status = stericPipeline(pdb, tab, flags, info, &p.tensor, nCouplings, &frame, &simulated, log);
  if (status) return status;
  dTensor& tensor = p.tensor;
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
