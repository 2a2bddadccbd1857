// The computations of the run modes, from their inputs to their result records.
#include "api/pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>

#include "align/coords.h"
#include "align/dots.h"
#include "align/steric.h"
#include "align/surface.h"
#include "fit/ensemble_fit.h"
#include "fit/fit_check.h"
#include "fit/fit_d.h"

namespace korva {
namespace {

constexpr int kMinFitCouplings = 5;

// Completes the coupling segment: unset ends take the table's ends, and a reversed range is
// put in order.
void completeSegment(dcInfo* dc, const dTab& tab) {
  if (dc->s1 < kResUnsetBelow) dc->s1 = tab.firstRes;
  if (dc->sN < kResUnsetBelow) dc->sN = tab.lastRes;
  if (dc->s1 > dc->sN) {
    const int t = dc->s1;
    dc->s1 = dc->sN;
    dc->sN = t;
  }
  if (dc->a1 < kResUnsetBelow) dc->a1 = dc->s1;
}

// The simulated sum is the order of the free orientations relative to the isotropic mean; the
// tensor that the medium imposes, which the report and the analysis take, has the other sign.
void negate(const double s[5], double out[5]) {
  for (int m = 0; m < 5; ++m) out[m] = -s[m];
}

// The orientation points of the simulation: the unit-sphere dots at the density -dot asks for.
int orientationPoints(const korvaInfo& info, tvector<double>* points, int* ndots, Log& log) {
  Outcome<tvector<double>> dots = do_unsp(info.dot);
  if (!dots.ok()) {
    log.write(dots.status.message().c_str());
    log.printf("Matrix: unsp error occured.\n");
    return 1;
  }
  *points = std::move(dots.value);
  *ndots = static_cast<int>(points->size() / 3);
  return 0;
}

}  // namespace

int prepareCouplings(const pdbInfo& pdb, dTab* tab, dcInfo* dc, const char* aD1, const char* aD2,
                     const float* weights, int weightCount, Log& log) {
  completeSegment(dc, *tab);
  mapDCInfo(&pdb, tab);
  selectD(tab->in.data(), tab->n, dc->s1, dc->sN, dc->rangeMode);
  selTypDC(tab->in.data(), tab->n, aD1, aD2);
  return buildDC(&pdb, tab, dc->a1 - dc->s1, dc->s1, weights, weightCount, log);
}

int selectAtoms(const pdbInfo& pdb, struct pdbSelect* select, int useH, tvector<int>* flags,
                Log& log) {
  flags->assign(pdb.atoms.size(), 0);
  if (select->firstRes == 0 && select->lastRes == 0) {
    select->firstRes = pdb.firstRes;
    select->lastRes = pdb.lastRes;
  }
  if (const Outcome<int> chosen = pdbSelect(&pdb, select, flags->data()); !chosen.ok()) {
    log.write(chosen.status.message().c_str());
    return 1;
  }
  log.printf("REMARK PDB Selection:");
  if (select->mode == kSelSet) {
    log.printf(" All Atoms.\n");
  } else {
    log.printf(" Residues %d to %d  Residues: %s  Atoms: %s  Chains %s  Segs: %s.\n",
               select->firstRes, select->lastRes, select->resNames, select->atomNames,
               select->chainNames, select->segNames);
  }
  if (useH) return 0;
  // Hydrogens are cleared by a second pass over the same criteria with their name patterns.
  std::snprintf(select->atomNames, sizeof select->atomNames, "%s", "[1-3]H* H*");
  select->atomMode = kMatchGlob;
  select->mode = kSelCriteria;
  select->value = 0;
  return pdbSelect(&pdb, select, flags->data()).ok() ? 0 : 1;  // the other lists passed above
}

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

int stericPipeline(const pdbInfo& pdb, dTab* tab, const tvector<int>& flags, korvaInfo* info,
                   dTensor* tensor, int nCouplings, saupeAnalysis* frame, int* simulated, Log& log,
                   const chargeOptions* charges, chargeSummary* summary) {
  *simulated = 0;
  if (checkStericOptions(*info, log)) return 1;
  if (charges != nullptr && checkChargeOptions(*charges, *tab, log)) return 1;
  refine_bicelle(info);

  int ndots = 0;
  tvector<double> points;
  if (orientationPoints(*info, &points, &ndots, log) != 0) return 1;

  // Without a selected atom the surface step has nothing to work on; say so plainly.
  bool anySelected = false;
  for (int f : flags) anySelected = anySelected || f != 0;
  if (!anySelected) {
    log.printf("KORVA: error - zero atoms selected for simulation!\n");
    return 1;
  }
  simAtoms atoms;
  int status = coorSelect(pdb, *info, flags, &atoms, log);
  if (status) {
    log.printf("korva: error reading selection of atoms.\n");
    return status;
  }
  log.printf("REMARK %d atoms selected for simulation.\n", atoms.n);
  if (atoms.n == 0) {
    log.printf("KORVA: error - zero atoms selected for simulation!\n");
    return 1;
  }
  *simulated = atoms.n;

  double S[5];
  if (charges != nullptr && chargesActive(*charges)) {
    status =
        simulateCharged(pdb, *tab, *info, atoms, ndots, points.data(), *charges, S, summary, log);
  } else {
    status = simulateAlignment(info, atoms.n, atoms.x.data(), atoms.y.data(), atoms.z.data(), ndots,
                               points.data(), S, log);
  }
  if (status) {
    log.printf("Matrix: Error simulating alignment.\n");
    return status;
  }
  double saupe[5];
  negate(S, saupe);

  // The rotated structure takes the frame of the simulated tensor itself; the report analyses it
  // as stored, in single precision.
  const Status frameStatus = analyzeSaupe(saupe, true, frame);
  if (!frameStatus.ok()) {
    log.write(frameStatus.message().c_str());
    log.printf("Matrix: error in analyzeSaupe.\n");
    return 1;
  }

  tensor->tensorMode = kTensorSteric;
  if (nCouplings > 0) {
    for (int m = 0; m < 5; ++m) tensor->saupeIn[m] = static_cast<float>(saupe[m]);
    fitWorkspace ws;
    fitD(&pdb, tab, tensor, &ws, info->verbose, log);
    if (summary != nullptr && summary->active) summary->scale = scalePredictions(pdb, tab, *tensor);
  } else {
    setTensorSaupe(tensor, saupe, log);
  }
  return 0;
}

int stericFreePipeline(int n, tvector<double>* x, tvector<double>* y, tvector<double>* z,
                       korvaInfo* info, dTensor* tensor, int* simulated, Log& log) {
  *simulated = 0;
  int ndots = 0;
  tvector<double> points;
  if (orientationPoints(*info, &points, &ndots, log) != 0) return 1;
  // Free-format atoms carry no element, so the surface step always runs, whatever -surf says.
  int nsel = 0;
  if (const Status st = surfSel(n, x->data(), y->data(), z->data(), &nsel); !st.ok()) {
    log.write(st.message().c_str());
    log.printf("Matrix: Error reading PDB file in free format.\n");
    return 1;
  }
  if (nsel == 0) {
    log.printf("KORVA: error - zero atoms remain after surface selection!\n");
    return 1;
  }
  log.printf("REMARK %d atoms selected for simulation.\n", nsel);
  *simulated = nsel;

  double S[5];
  const int status =
      simulateAlignment(info, nsel, x->data(), y->data(), z->data(), ndots, points.data(), S, log);
  if (status) return status;
  double saupe[5];
  negate(S, saupe);
  setTensorSaupe(tensor, saupe, log);
  return 0;
}

int fitPipeline(const pdbInfo& pdb, dTab* tab, dTensor* tensor, int verbosity, Log& log,
                double* condition) {
  // Five Saupe elements need five independent couplings; a zero tensor with zero predictions
  // would otherwise be reported as a fit.
  if (tensor->tensorMode == kTensorSVD) {
    const int usable = countFitDC(tab);
    if (usable < kMinFitCouplings) {
      log.printf("KORVA: best fit needs at least %d usable couplings, found %d.\n",
                 kMinFitCouplings, usable);
      return 1;
    }
  }
  double fitCondition = 0.0;
  if (const Status st = checkFitDesign(*tab, tensor->tensorMode, &fitCondition, log); !st.ok()) {
    log.write(st.message().c_str());
    return 1;
  }
  if (condition != nullptr) *condition = fitCondition;
  // The nonlinear fits say why they could not fit; reporting their untouched tensor as a fit
  // would be wrong.
  fitWorkspace ws;
  if (fitD(&pdb, tab, tensor, &ws, verbosity, log) == 0 &&
      isNonlinearTensorMode(tensor->tensorMode)) {
    return 1;
  }
  if (fitCondition > 0.0) checkOrderMatrix(*tensor, log);
  return 0;
}

int fitModelsPipeline(const modelSet& set, dTab* tab, dTensor* tensor, int verbosity, Log& log) {
  if (set.count() == 1) return fitPipeline(set.models.front(), tab, tensor, verbosity, log);
  if (tensor->tensorMode == kTensorSVD) {
    const int usable = countFitDC(tab);
    if (usable < kMinFitCouplings) {
      log.printf("KORVA: best fit needs at least %d usable couplings, found %d.\n",
                 kMinFitCouplings, usable);
      return 1;
    }
  }
  fitWorkspace ws;
  if (fitDModels(set, tab, tensor, &ws, verbosity, log) == 0 &&
      isNonlinearTensorMode(tensor->tensorMode)) {
    return 1;
  }
  return 0;
}

void remapCouplings(const pdbInfo& model, const dcInfo& dc, const float* weights, int weightCount,
                    bool leaveOutPlaceholders, dTab* tab) {
  (void)buildDC(&model, tab, dc.a1 - dc.s1, dc.s1, weights, weightCount, nullLog());
  if (!leaveOutPlaceholders) return;
  for (int i = 0; i < tab->n; i++) {
    if (tab->in[static_cast<size_t>(i)].D >= kDCLimit)
      tab->work[static_cast<size_t>(i)].selected = 0;
  }
}

namespace {

// What one model's simulation leaves: its row, its predictions (D and DD per coupling, kDCUnset
// where none) and its lines.
struct modelOutcome {
  modelSteric row;
  int status = 0;
  korvaInfo info{};
  std::string lines;
};

}  // namespace

int ensembleStericPipeline(const modelSet& set, dTab* tab, const struct pdbSelect& selection,
                           const dcInfo& dc, const float* weights, int weightCount, korvaInfo* info,
                           dTensor* tensor, int nCouplings, tvector<modelSteric>* rows, int threads,
                           Log& log) {
  const int models = set.count();
  const size_t n = static_cast<size_t>(tab->n);
  tvector<modelOutcome> outcomes(static_cast<size_t>(models),
                                 TrackedAllocator<modelOutcome>("ensemble"));
  // Two values per coupling and model, filled by whichever thread runs the model and summed in
  // model order afterwards, so the means are the same for any number of threads.
  tvector<float> predicted(2 * n * static_cast<size_t>(models), kDCUnset,
                           TrackedAllocator<float>("ensemble"));
  const korvaInfo base = *info;
  auto runModel = [&](int m) {
    const pdbInfo& model = set.models[static_cast<size_t>(m)];
    modelOutcome& out = outcomes[static_cast<size_t>(m)];
    dTab mt = *tab;
    if (m > 0) remapCouplings(model, dc, weights, weightCount, false, &mt);
    out.info = base;
    dTensor t = *tensor;
    struct pdbSelect select = selection;
    TextLog lines;
    tvector<int> flags(TrackedAllocator<int>("selection"));
    // The sequence has named the selection already, and its patterns passed there.
    (void)selectAtoms(model, &select, out.info.useH, &flags, nullLog());
    saupeAnalysis frame;
    out.status = stericPipeline(model, &mt, flags, &out.info, &t, nCouplings, &frame,
                                &out.row.simulated, lines);
    out.row.number = set.numbers[static_cast<size_t>(m)];
    for (int k = 0; k < 5; k++) out.row.saupe[k] = t.saupe[k];
    out.lines = lines.text();
    float* p = &predicted[2 * n * static_cast<size_t>(m)];
    for (size_t i = 0; i < n; i++) {
      const dcRecord& w = mt.work[i];
      if (w.selected == 0 || w.D == kDCUnset) continue;
      p[2 * i] = w.D;
      p[2 * i + 1] = w.DD;
    }
  };
  const int workers = std::max(1, std::min(threads, models));
  if (workers == 1) {
    for (int m = 0; m < models; m++) runModel(m);
  } else {
    tvector<std::thread> pool(TrackedAllocator<std::thread>("ensemble"));
    for (int w = 0; w < workers; w++) {
      pool.emplace_back([&, w] {
        for (int m = w; m < models; m += workers) runModel(m);
      });
    }
    for (std::thread& t : pool) t.join();
  }

  log.write(outcomes.front().lines.c_str());
  for (int m = 0; m < models; m++) {
    const modelOutcome& out = outcomes[static_cast<size_t>(m)];
    if (out.status == 0) continue;
    if (m > 0) log.write(out.lines.c_str());
    log.printf("KORVA: error - model %d could not be simulated.\n", out.row.number);
    return out.status;
  }
  *info = outcomes.front().info;
  double saupe[5] = {};
  rows->clear();
  for (const modelOutcome& out : outcomes) {
    rows->push_back(out.row);
    for (int k = 0; k < 5; k++) saupe[k] += out.row.saupe[k];
  }
  for (double& s : saupe) s /= models;
  tensor->tensorMode = kTensorSteric;
  for (int k = 0; k < 5; k++) tensor->saupeIn[k] = static_cast<float>(saupe[k]);
  (void)setTensorSaupe(tensor, saupe, log);
  for (size_t i = 0; i < n; i++) {
    dcRecord& w = tab->work[i];
    if (w.selected == 0) continue;
    double d = 0.0, dd = 0.0;
    bool all = true;
    for (int m = 0; m < models && all; m++) {
      const float* p = &predicted[2 * n * static_cast<size_t>(m)];
      all = p[2 * i] != kDCUnset;
      d += p[2 * i];
      dd += p[2 * i + 1];
    }
    w.D = all ? static_cast<float>(d / models) : kDCUnset;
    w.DD = all ? static_cast<float>(dd / models) : kDCUnset;
  }
  return 0;
}

}  // namespace korva
