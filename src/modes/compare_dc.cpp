// The comparison of two coupling tables: pairs identical couplings of the two, combines their
// values and reports the first table against the combination.
#include <algorithm>
#include <cstdio>

#include "modes/modes.h"
#include "report/report.h"
#include "tables/combine.h"

namespace korva {
namespace {

const char* rangeWord(int rangeMode) {
  return rangeMode == 1 ? "exclusive" : "inclusive";
}
const char* maxWord(int rangeMode) {
  return rangeMode == 3 ? " max" : "";
}

}  // namespace

int runCompareDC(runParams& p, Log& log) {
  dTab tables[2];
  dTab* t1 = &tables[0];
  dTab* t2 = &tables[1];
  const char* names[2] = {p.inD1, p.inD2};
  for (int k = 0; k < 2; ++k) {
    const int status = readDC(names[k], &tables[k], log);
    if (status != 0) {
      log.printf("Error reading DC input %s\n", names[k]);
      log.printf("Matrix: error in comparison of order matrices.\n");
      return status;
    }
  }
  for (int k = 0; k < 2; ++k) {
    log.printf("%s, %d Couplings, Residues %d to %d.\n", names[k], tables[k].n, tables[k].firstRes,
               tables[k].lastRes);
  }

  dcInfo* dc = &p.dc;
  if (dc->s1 < kResUnsetBelow) dc->s1 = t1->firstRes;
  if (dc->sN < kResUnsetBelow) dc->sN = t1->lastRes;
  if (dc->s1 > dc->sN) std::swap(dc->s1, dc->sN);

  selectD(t1->in.data(), t1->n, dc->s1, dc->sN, dc->rangeMode);
  const int n = selTypDC(t1->in.data(), t1->n, p.aD1, p.aD2);
  std::printf("REMARK %d couplings selected (%s%s).\n", n, rangeWord(dc->rangeMode),
              maxWord(dc->rangeMode));
  const int m = adjustDC(p.info.action, p.info.c1, p.info.c2, t1, t2, log);
  std::printf("REMARK %d couplings combined (%s%s).\n", m, rangeWord(dc->rangeMode),
              maxWord(dc->rangeMode));
  std::fflush(stdout);

  saupeAnalysis analysis;
  reportInput report;
  report.info = &p.info;
  report.tensor = &p.tensor;
  report.analysis = &analysis;
  report.couplings = t1;
  analyzeForReport(p.tensor, &analysis, &report.analysisStatus);
  if (writeDCmod(p.outD, report, log) != 0) {
    log.printf("Matrix: error in comparison of order matrices.\n");
    return 1;
  }
  return 0;
}

}  // namespace korva
