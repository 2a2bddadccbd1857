// The comparison of two Saupe matrices given on the command line.
#include "modes/modes.h"
#include "report/report.h"
#include "tensor/compare.h"

namespace korva {

int runCompareSaupe(runParams& p, Log& log) {
  const korvaInfo& info = p.info;
  saupeComparison cmp;
  const Status st = compareSaupe(info.action, info.c1, info.c2, p.saupeCp1, p.saupeCp2, &cmp);
  if (!st.ok()) {
    log.write(st.message().c_str());
    log.printf("Matrix: error in comparison of order matrices.\n");
    return 1;
  }
  const std::string remark = compareSaupeRemark(p.saupeCp1, p.saupeCp2, cmp);
  setTensorSaupe(&p.tensor, cmp.result, log);
  dTab none;
  saupeAnalysis analysis;
  reportInput report;
  report.info = &info;
  report.tensor = &p.tensor;
  report.analysis = &analysis;
  report.couplings = &none;
  report.remark = remark.c_str();
  analyzeForReport(p.tensor, &analysis, &report.analysisStatus);
  if (writeDCmod(p.outA, report, log) != 0) {
    log.printf("Matrix: error in comparison of order matrices.\n");
    return 1;
  }
  return 0;
}

}  // namespace korva
