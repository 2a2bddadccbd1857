// The best-fit mode: fit, report and the structure in the tensor's principal frame; with a map
// count, the error-space mapping first.
#include <cstdio>
#include <string>

#include "api/pipeline.h"
#include "core/output.h"
#include "fit/fit_check.h"
#include "fit/map_fit.h"
#include "modes/structure_run.h"
#include "report/report.h"
#include "structure/domain.h"

namespace korva {
namespace {

// Collects the world-map lines of the counted steps and writes them in large blocks.
class mapFileSink final : public mapStepSink {
 public:
  explicit mapFileSink(FILE* f) : f_(f) {}
  void step(const double eigVec[3][3]) override {
    appendMapLines(&text_, eigVec);
    if (text_.size() >= kBlock) flush();
  }
  // Writes what is collected; a failed write shows when the stream is committed.
  void flush() {
    std::fwrite(text_.data(), 1, text_.size(), f_);
    text_.clear();
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;
  FILE* f_;
  std::string text_;
};

reportInput reportOf(const runParams& p, const dTab* tab, const saupeAnalysis* analysis) {
  reportInput r;
  r.info = &p.info;
  r.tensor = &p.tensor;
  r.analysis = analysis;
  r.couplings = tab;
  return r;
}

int simDC(const pdbInfo& pdb, dTab* tab, runParams& p, Log& log) {
  dTensor& tensor = p.tensor;
  double condition = 0.0;
  if (fitPipeline(pdb, tab, &tensor, p.info.verbose, log, &condition) != 0) return 1;
  saupeAnalysis analysis;
  reportInput report = reportOf(p, tab, &analysis);
  report.condition = condition;
  analyzeForReport(tensor, &analysis, &report.analysisStatus);
  if (writeDCmod(p.outD, report, log) != 0) return 1;
  // The rotation needs the frame angles even when the report leaves them out.
  if (!report.analysisStatus.ok()) {
    log.write(report.analysisStatus.message().c_str());
    log.printf("Matrix: error in analyzeSaupe.\n");
    return 1;
  }
  if (pdb.nAtoms == 0) return 0;
  return writeFrameStructure(pdb, analysis.alpha[0], analysis.beta[0], analysis.gamma[0], p.pdbRot,
                             p.remark, log);
}

int mapRun(const pdbInfo& pdb, dTab* tab, runParams& p, Log& log) {
  // Every step refits the same bond vectors: if they cannot determine the tensor, no step can.
  double condition = 0.0;
  if (const Status st = checkFitDesign(*tab, p.tensor.tensorMode, &condition, log); !st.ok()) {
    log.write(st.message().c_str());
    return 1;
  }
  outputFile map;
  FILE* mapStream = map.open(p.outMap);
  if (mapStream == nullptr) {
    log.printf("KORVA Error opening log file for error space mapping %s\n", p.outMap);
    return 1;
  }
  mapFileSink sink(mapStream);
  mapResult result;
  const int status = mapSimDC(&pdb, tab, &p.tensor, p.mapCount, p.info.verbose, sink, &result, log);
  sink.flush();
  if (!map.commit()) {
    log.printf("KORVA Error writing the error space map %s\n",
               p.outMap[0] != '\0' ? p.outMap : "(stdout)");
    return 1;
  }
  std::printf("\nREMARK Number of steps for error statistic %d.\n", result.steps);
  if (status != 0) return 1;

  const std::string remark =
      mapStatisticsRemark(result.steps, result.gMag, result.azz, result.mean, result.dev);
  if (condition > 0.0) checkOrderMatrix(p.tensor, log);
  saupeAnalysis analysis;
  reportInput report = reportOf(p, tab, &analysis);
  report.remark = remark.c_str();
  report.condition = condition;
  analyzeForReport(p.tensor, &analysis, &report.analysisStatus);
  if (writeDCmod(p.outD, report, log) != 0) return 1;
  return writeFrameStructure(pdb, result.frame[0], result.frame[1], result.frame[2], p.pdbRot,
                             p.remark, log);
}

}  // namespace

int bestFitRun(const pdbInfo& pdb, dTab* tab, runParams& p, Log& log) {
  return p.mapCount != 0 ? mapRun(pdb, tab, p, log) : simDC(pdb, tab, p, log);
}

}  // namespace korva
