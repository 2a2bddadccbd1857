// One tensor fitted to, or predicting, the couplings of an ensemble.
#include "fit/ensemble_fit.h"

#include <cmath>
#include <cstddef>

#include "fit/fit_d.h"
#include "fit/nonlinear.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;
constexpr float kUnitError = 1.0f;

// The Saupe basis of the coupling between atoms idxI and idxJ, averaged over the models. A model
// in which the two atoms coincide adds a zero row, as findD predicts 0 for it.
void meanBasis(const modelSet& set, size_t idxI, size_t idxJ, double out[kSaupeCount]) {
  for (int k = 0; k < kSaupeCount; k++) out[k] = 0.0;
  for (const pdbInfo& model : set.models) {
    const pdbAtom& a = model.atoms[idxI];
    const pdbAtom& b = model.atoms[idxJ];
    const double vx = static_cast<double>(b.x) - a.x;
    const double vy = static_cast<double>(b.y) - a.y;
    const double vz = static_cast<double>(b.z) - a.z;
    const double r = std::sqrt(vx * vx + vy * vy + vz * vz);
    if (r == 0.0) continue;
    double basis[kSaupeCount];
    saupeBasis(vx / r, vy / r, vz / r, basis);
    for (int k = 0; k < kSaupeCount; k++) out[k] += basis[k];
  }
  for (int k = 0; k < kSaupeCount; k++) out[k] /= set.count();
}

// The glycine pairs: each model's two-proton prediction, averaged.
int predictGlycines(const modelSet& set, dTab* tab, const dTensor& tensor) {
  int predicted = 0;
  for (int i = 0; i < tab->n; i++) {
    dcRecord& w = tab->work[static_cast<size_t>(i)];
    if (w.selected == 0 || !dcIsGlycine(*tab, i)) continue;
    const bool inGly = tab->in[static_cast<size_t>(i)].glyFlag != 0;
    double sumD = 0.0;
    double sumDD = 0.0;
    bool all = true;
    for (const pdbInfo& model : set.models) {
      float pd[2] = {0.0f, 0.0f};
      float pdd[2] = {0.0f, 0.0f};
      const int found = w.glyFlag != 0 ? findD2(&model, tab, i, "HA1", "CA", "HA2", "CA", pd, pdd,
                                                tensor.saupe, tensor.saupeErr)
                                       : findD2(&model, tab, i, "HA", "CA", "CB", "CA", pd, pdd,
                                                tensor.saupe, tensor.saupeErr);
      if (found != 2) {
        all = false;
        break;
      }
      sumD += inGly ? static_cast<double>(pd[0]) + pd[1] : pd[1];
      sumDD += inGly ? 0.5 * (static_cast<double>(pdd[0]) + pdd[1]) : pdd[1];
    }
    if (!all) {
      w.selected = 0;
      continue;
    }
    w.D = static_cast<float>(sumD / set.count());
    w.DD = static_cast<float>(sumDD / set.count());
    predicted++;
  }
  return predicted;
}

int fitEnsembleSVD(const modelSet& set, dTab* tab, dTensor* tensor, fitWorkspace* ws, Log& log) {
  for (int k = 0; k < kSaupeCount; k++) {
    tensor->saupe[k] = tensor->tensorMode == kTensorSVD ? 0.0f : tensor->saupeIn[k];
    tensor->saupeErr[k] = kUnitError;
  }
  const pdbAtom* first = set.models.front().atoms.data();
  tvector<double> basis(TrackedAllocator<double>("DC Workspace"));
  tvector<float> di(TrackedAllocator<float>("DC Workspace"));
  tvector<float> d(TrackedAllocator<float>("DC Workspace"));
  tvector<float> dd(TrackedAllocator<float>("DC Workspace"));
  for (int i = 0; i < tab->n; i++) {
    if (!dcEntersFit(*tab, i)) continue;
    const dcRecord& w = tab->work[static_cast<size_t>(i)];
    double row[kSaupeCount];
    meanBasis(set, static_cast<size_t>(w.atomI - first), static_cast<size_t>(w.atomJ - first), row);
    basis.insert(basis.end(), row, row + kSaupeCount);
    di.push_back(w.DI);
    d.push_back(tab->in[static_cast<size_t>(i)].D);
    dd.push_back(tab->in[static_cast<size_t>(i)].DD);
  }
  const int n = static_cast<int>(di.size());
  if (tensor->tensorMode == kTensorSVD) {
    (void)findSBasis(basis.data(), di.data(), d.data(), dd.data(), tensor->saupe, tensor->saupeErr,
                     n, ws);
  }
  if (tensor->eulerFlag) {
    tensor->nEuler = saupe2euler(tensor->saupe, tensor->psiList, tensor->thetaList, tensor->phiList,
                                 tensor->eigVal, &tensor->da, &tensor->dr, log);
  }
  // Predictions as findD makes them, from the averaged basis in single precision.
  int predicted = 0;
  for (int i = 0; i < tab->n; i++) {
    if (!dcEntersFit(*tab, i)) continue;
    const double* row = &basis[static_cast<size_t>(predicted) * kSaupeCount];
    double sum = 0.0;
    double var = 0.0;
    for (int k = 0; k < kSaupeCount; k++) {
      const double a = static_cast<float>(row[k]);
      sum += a * tensor->saupe[k];
      var += a * a * tensor->saupeErr[k] * tensor->saupeErr[k];
    }
    const double absDI = std::fabs(static_cast<double>(di[static_cast<size_t>(predicted)]));
    dcRecord& w = tab->work[static_cast<size_t>(i)];
    w.D = static_cast<float>(absDI * sum);
    w.DD = static_cast<float>(absDI * std::sqrt(var));
    predicted++;
  }
  return predicted + predictGlycines(set, tab, *tensor);
}

}  // namespace

int fitDModels(const modelSet& set, dTab* tab, dTensor* tensor, fitWorkspace* ws, int verbosity,
               Log& log) {
  if (tab == nullptr || set.count() == 0) return 0;
  if (set.count() == 1) return fitD(&set.models.front(), tab, tensor, ws, verbosity, log);
  switch (tensor->tensorMode) {
    case kTensorSVD:
    case kTensorSaupe:
    case kTensorSteric:
      return fitEnsembleSVD(set, tab, tensor, ws, log);
    case kTensorNoFixed:
    case kTensorDaDr:
    case kTensorFixed: {
      tvector<const pdbInfo*> models(TrackedAllocator<const pdbInfo*>("models"));
      for (const pdbInfo& m : set.models) models.push_back(&m);
      return fitDCAlignModels(models.data(), set.count(), tab, tensor, verbosity, log);
    }
    default:
      log.printf("KORVA: unknown tensor mode %d.\n", tensor->tensorMode);
      return 0;
  }
}

}  // namespace korva
