// The structure-based modes on an ensemble: one steric simulation per model with the predictions
// averaged, and the best fit of one tensor to all models (or of one tensor per model).
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "api/pipeline.h"
#include "core/output.h"
#include "fit/fit_d.h"
#include "modes/config.h"
#include "modes/structure_run.h"
#include "report/report.h"
#include "structure/domain.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;

// What -outModels shows of one model.
struct modelRow {
  int number;
  double saupe[kSaupeCount];
  double da, dr;  // conventional: Da = Azz / 2, Dr = (Axx - Ayy) / 3
  int atoms;      // atoms simulated (steric)
  agreementStats stats;
};

// Sums of the predictions of every coupling over the models.
struct predictionSums {
  tvector<double> d{TrackedAllocator<double>("ensemble")};
  tvector<double> dd{TrackedAllocator<double>("ensemble")};
  tvector<int> count{TrackedAllocator<int>("ensemble")};

  explicit predictionSums(int n)
      : d(static_cast<size_t>(n), 0.0),
        dd(static_cast<size_t>(n), 0.0),
        count(static_cast<size_t>(n), 0) {}
  void add(const dTab& tab) {
    for (int i = 0; i < tab.n; i++) {
      const dcRecord& w = tab.work[static_cast<size_t>(i)];
      if (w.selected == 0 || w.D == kDCUnset) continue;
      d[static_cast<size_t>(i)] += w.D;
      dd[static_cast<size_t>(i)] += w.DD;
      count[static_cast<size_t>(i)]++;
    }
  }
  // The mean prediction of each coupling that every model predicted.
  void store(int models, dTab* tab) const {
    for (int i = 0; i < tab->n; i++) {
      dcRecord& w = tab->work[static_cast<size_t>(i)];
      if (w.selected == 0) continue;
      const size_t k = static_cast<size_t>(i);
      w.D = count[k] == models ? static_cast<float>(d[k] / models) : kDCUnset;
      w.DD = count[k] == models ? static_cast<float>(dd[k] / models) : kDCUnset;
    }
  }
};

modelRow rowOf(int number, const float saupe[kSaupeCount], int atoms, const dTab* tab) {
  modelRow r{};
  r.number = number;
  for (int k = 0; k < kSaupeCount; k++) r.saupe[k] = saupe[k];
  saupeAnalysis a;
  if (analyzeSaupe(r.saupe, false, &a).ok()) {
    r.da = a.da;
    r.dr = a.dr;
  }
  r.atoms = atoms;
  if (tab != nullptr) r.stats = getStatDCmod(*tab);
  return r;
}

// The per-model rows in the table format: the steric columns, or those of the fits.
int writeModelRows(const char* name, const tvector<modelRow>& rows, bool steric, Log& log) {
  if (name[0] == '\0') return 0;
  std::string text = "REMARK One row per model.\n";
  text += steric ? "VARS MODEL SZZ SXXYY SXY SXZ SYZ DA DR ATOMS\n"
                 : "VARS MODEL SZZ SXXYY SXY SXZ SYZ DA DR N Q RMS\n";
  text += steric
              ? "FORMAT %5d %11.4e %11.4e %11.4e %11.4e %11.4e %11.4e %11.4e %6d\n\n"
              : "FORMAT %5d %11.4e %11.4e %11.4e %11.4e %11.4e %11.4e %11.4e %4d %7.4f %8.4f\n\n";
  for (const modelRow& r : rows) {
    text += formatText("%5d", r.number);
    for (double s : r.saupe) text += formatText(" % 11.4e", s);
    text += formatText(" % 11.4e % 11.4e", r.da, r.dr);
    text += steric ? formatText(" %6d\n", r.atoms)
                   : formatText(" %4d %7.4f %8.4f\n", r.stats.n, static_cast<double>(r.stats.q),
                                static_cast<double>(r.stats.rms));
  }
  return writeTextFile(name, text, "DC Error opening output file %s\n",
                       "DC Error writing output file %s\n", log);
}

void remapModel(const pdbInfo& model, const runParams& p, dTab* tab) {
  remapCouplings(model, p.dc, p.weights.data(), static_cast<int>(p.weights.size()),
                 p.info.mode == kModeBestFit, tab);
}

// The report of an ensemble, and the first model in the frame of the reported tensor.
int reportEnsemble(const modelSet& set, dTab* tab, runParams& p, const std::string& remark,
                   Log& log) {
  saupeAnalysis analysis;
  reportInput report;
  report.info = &p.info;
  report.tensor = &p.tensor;
  report.analysis = &analysis;
  report.couplings = tab;
  report.remark = remark.c_str();
  analyzeForReport(p.tensor, &analysis, &report.analysisStatus);
  const int status = writeDCmod(p.outD, report, log);
  if (status != 0 || !report.analysisStatus.ok()) return 1;
  return writeFrameStructure(set.models.front(), analysis.alpha[0], analysis.beta[0],
                             analysis.gamma[0], p.pdbRot, p.remark, log);
}

std::string ensembleRemark(const modelSet& set, const runParams& p, const char* what) {
  return formatText("REMARK Ensemble of %d models of %s: %s.\n", set.count(), p.pdb, what);
}

// Mean and standard deviation (n - 1 in the denominator) of one field over the rows.
template <class Field>
void spread(const tvector<modelRow>& rows, Field field, double* mean, double* sd) {
  double sum = 0.0;
  for (const modelRow& r : rows) sum += field(r);
  *mean = sum / static_cast<double>(rows.size());
  double var = 0.0;
  for (const modelRow& r : rows) var += (field(r) - *mean) * (field(r) - *mean);
  *sd = rows.size() > 1 ? std::sqrt(var / static_cast<double>(rows.size() - 1)) : 0.0;
}

// Fits every model on its own: the rows, the mean tensor into p.tensor and the mean predictions
// into tab. Returns 0, or 1 after the failing model's lines.
int fitEachModel(const modelSet& set, dTab* tab, runParams& p, tvector<modelRow>* rows, Log& log) {
  predictionSums sums(tab->n);
  double saupe[kSaupeCount] = {};
  for (int m = 0; m < set.count(); m++) {
    dTab mt = *tab;
    if (m > 0) remapModel(set.models[static_cast<size_t>(m)], p, &mt);
    dTensor tensor = p.tensor;
    TextLog modelLog;
    if (fitPipeline(set.models[static_cast<size_t>(m)], &mt, &tensor, p.info.verbose, modelLog) !=
        0) {
      log.write(modelLog.text().c_str());
      log.printf("KORVA: error - model %d could not be fitted.\n",
                 set.numbers[static_cast<size_t>(m)]);
      return 1;
    }
    rows->push_back(rowOf(set.numbers[static_cast<size_t>(m)], tensor.saupe, 0, &mt));
    for (int k = 0; k < kSaupeCount; k++) saupe[k] += tensor.saupe[k];
    sums.add(mt);
  }
  for (double& s : saupe) s /= set.count();
  for (int k = 0; k < kSaupeCount; k++) p.tensor.saupeIn[k] = static_cast<float>(saupe[k]);
  (void)setTensorSaupe(&p.tensor, saupe, log);
  sums.store(set.count(), tab);
  return 0;
}

std::string perModelRemark(const modelSet& set, const runParams& p, const tvector<modelRow>& rows) {
  std::string text = ensembleRemark(
      set, p, "each model fitted on its own; tensor and predictions are the means over models");
  static constexpr const char* kNames[kSaupeCount] = {"Szz", "Sxx-Syy", "Sxy", "Sxz", "Syz"};
  for (int k = 0; k < kSaupeCount; k++) {
    double mean = 0.0, sd = 0.0;
    spread(
        rows, [k](const modelRow& r) { return r.saupe[k]; }, &mean, &sd);
    text += formatText("REMARK Per-model %-7s mean % .4e sd %.4e\n", kNames[k], mean, sd);
  }
  double mean = 0.0, sd = 0.0;
  spread(
      rows, [](const modelRow& r) { return static_cast<double>(r.stats.q); }, &mean, &sd);
  text += formatText("REMARK Per-model Q       mean %.4f sd %.4f\n", mean, sd);
  spread(
      rows, [](const modelRow& r) { return static_cast<double>(r.stats.rms); }, &mean, &sd);
  text += formatText("REMARK Per-model RMS     mean %.4f sd %.4f\n", mean, sd);
  return text;
}

}  // namespace

int ensembleStericRun(const modelSet& set, dTab* tab, const struct pdbSelect& selection,
                      runParams& p, int nCouplings, Log& log) {
  int status = readConfig(p.inp, &p.info, log);
  if (status) {
    log.printf("Error reading configuration file %s\n", p.inp);
    return status;
  }
  tvector<modelSteric> models(TrackedAllocator<modelSteric>("ensemble"));
  const unsigned cores = std::thread::hardware_concurrency();
  status = ensembleStericPipeline(
      set, tab, selection, p.dc, p.weights.data(), static_cast<int>(p.weights.size()), &p.info,
      &p.tensor, nCouplings, &models, cores == 0 ? 1 : static_cast<int>(cores), log);
  if (status) return status;
  tvector<modelRow> rows(TrackedAllocator<modelRow>("ensemble"));
  for (const modelSteric& m : models)
    rows.push_back(rowOf(m.number, m.saupe, m.simulated, nullptr));
  if (writeModelRows(p.outModels, rows, true, log) != 0) return 1;
  return reportEnsemble(
      set, tab, p,
      ensembleRemark(set, p,
                     "Saupe matrix the mean of the models' tensors, each coupling the mean of "
                     "its predictions in the models"),
      log);
}

int ensembleFitRun(const modelSet& set, dTab* tab, runParams& p, Log& log) {
  if (p.mapCount != 0) {
    log.printf("KORVA: error - -map maps one structure; choose a model with -model N.\n");
    return 1;
  }
  tvector<modelRow> rows(TrackedAllocator<modelRow>("ensemble"));
  if (p.perModel) {
    if (fitEachModel(set, tab, p, &rows, log) != 0) return 1;
    if (writeModelRows(p.outModels, rows, false, log) != 0) return 1;
    return reportEnsemble(set, tab, p, perModelRemark(set, p, rows), log);
  }
  dTensor& tensor = p.tensor;
  if (fitModelsPipeline(set, tab, &tensor, p.info.verbose, log) != 0) {
    log.printf("Matrix: error in best-fit of data.\n");
    return 1;
  }
  // The rows show how each model alone agrees with the ensemble's tensor.
  if (p.outModels[0] != '\0') {
    for (int m = 0; m < set.count(); m++) {
      dTab mt = *tab;
      if (m > 0) remapModel(set.models[static_cast<size_t>(m)], p, &mt);
      dTensor given = tensor;
      given.tensorMode = kTensorSaupe;
      for (int k = 0; k < kSaupeCount; k++) given.saupeIn[k] = tensor.saupe[k];
      fitWorkspace mws;
      (void)fitD(&set.models[static_cast<size_t>(m)], &mt, &given, &mws, 0, nullLog());
      rows.push_back(rowOf(set.numbers[static_cast<size_t>(m)], tensor.saupe, 0, &mt));
    }
    if (writeModelRows(p.outModels, rows, false, log) != 0) return 1;
  }
  return reportEnsemble(
      set, tab, p,
      ensembleRemark(set, p, "one tensor fitted to the couplings averaged over the models"), log);
}

}  // namespace korva
