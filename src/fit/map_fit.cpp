// Error-space mapping: Monte-Carlo refits of the best fit.
#include "fit/map_fit.h"

#include <cmath>

#include "core/alloc.h"
#include "fit/fit_d.h"
#include "numeric/random.h"
#include "tensor/saupe_analysis.h"

namespace korva {
namespace {

// Fraction of a coupling's error used as the width of its perturbation.
constexpr double kPerturbScale = 0.5;

// Per-coupling accumulators. The sums are kept in double: in single precision the sum of
// squares over thousands of steps loses the few digits that the variance is made of.
struct couplingSums {
  float savedD;   // observed value, Hz
  float savedDD;  // its error, Hz
  int takesPart;  // mapped onto the structure when the mapping began
  int steps;      // counted steps in which the coupling was predicted
  int misses;     // of those, steps with |predicted - observed| >= error
  double sum;     // sum of predictions
  double sumSq;   // sum of their squares
};

// Run accumulators: Saupe elements, |Azz| and general magnitude, over the counted steps.
struct runSums {
  int steps;
  double saupe[5];
  double saupeSq[5];
  double azz;
  double azzSq;
  double gMag;
  double gMagSq;
};

// Mean and population deviation; rounding can push the variance of identical samples a hair
// below zero, which must read as zero rather than NaN.
void meanDev(double sum, double sumSq, int n, double* mean, double* dev) {
  *mean = sum / n;
  const double var = sumSq / n - *mean * *mean;
  *dev = var > 0.0 ? std::sqrt(var) : 0.0;
}

// The analysis of a refit's tensor, or false when the refit produced none (nothing predicted, a
// zero or non-finite Saupe vector, or an analysis that did not converge).
bool analyzeStep(const dTensor& tensor, int predicted, double s[5], saupeAnalysis* a) {
  if (predicted <= 0) return false;
  bool nonZero = false;
  for (int k = 0; k < 5; k++) {
    s[k] = tensor.saupe[k];
    if (!std::isfinite(s[k])) return false;
    if (s[k] != 0.0) nonZero = true;
  }
  // The frame angles are needed for the rotated structure even when the report leaves them out.
  return nonZero && analyzeSaupe(s, true, a).ok();
}

void addStep(const dTab* tab, const double s[5], const saupeAnalysis& a, runSums* run,
             couplingSums* c) {
  run->steps++;
  for (int k = 0; k < 5; k++) {
    run->saupe[k] += s[k];
    run->saupeSq[k] += s[k] * s[k];
  }
  const double azz = std::fabs(a.eigVal[0]);
  run->azz += azz;
  run->azzSq += azz * azz;
  run->gMag += a.gMag;
  run->gMagSq += a.gMag * a.gMag;
  for (int i = 0; i < tab->n; i++) {
    if (!c[i].takesPart || !dcMapped(tab->work[i])) continue;
    const double d = tab->work[i].D;
    c[i].steps++;
    c[i].sum += d;
    c[i].sumSq += d * d;
    if (std::fabs(d - c[i].savedD) >= c[i].savedDD) c[i].misses++;
  }
}

// Puts the statistics into the table, the tensor and the result.
void finishStatistics(dTab* tab, dTensor* tensor, const runSums& run, const couplingSums* c,
                      mapResult* r) {
  const int n = run.steps;
  for (int k = 0; k < 5; k++) {
    meanDev(run.saupe[k], run.saupeSq[k], n, &r->mean[k], &r->dev[k]);
    tensor->saupe[k] = static_cast<float>(r->mean[k]);
  }
  for (int i = 0; i < tab->n; i++) {
    if (!c[i].takesPart || c[i].steps == 0) continue;
    double m, d;
    meanDev(c[i].sum, c[i].sumSq, c[i].steps, &m, &d);
    tab->work[i].D = static_cast<float>(m);
    tab->in[i].DD = static_cast<float>(d);
    tab->in[i].W = static_cast<float>(c[i].misses);
  }
  meanDev(run.gMag, run.gMagSq, n, &r->gMag[0], &r->gMag[1]);
  meanDev(run.azz, run.azzSq, n, &r->azz[0], &r->azz[1]);
}

}  // namespace

int mapSimDC(const pdbInfo* pdb, dTab* tab, dTensor* tensor, int mapCount, int verbosity,
             mapStepSink& sink, mapResult* result, Log& log) {
  *result = mapResult{};
  tvector<couplingSums> sums(static_cast<size_t>(tab->n), couplingSums{},
                             TrackedAllocator<couplingSums>("mapSimDC"));
  couplingSums* c = sums.data();
  for (int i = 0; i < tab->n; i++) {
    c[i].takesPart = dcMapped(tab->work[i]);
    c[i].savedD = tab->in[i].D;
    c[i].savedDD = tab->in[i].DD;
  }

  randomTT800 random;
  fitWorkspace ws;
  // Only the observed values change from step to step: the design matrix is decomposed once.
  ws.keepDesign = 1;
  runSums run{};
  for (int step = 0; step < mapCount; step++) {
    for (int i = 0; i < tab->n; i++) {
      if (!c[i].takesPart) continue;
      const double g = random.gauss();
      tab->in[i].D = static_cast<float>(c[i].savedD + kPerturbScale * g * c[i].savedDD);
    }
    log.progress("mapping step", step, mapCount);
    const int predicted = fitD(pdb, tab, tensor, &ws, verbosity, log);
    double s[5];
    saupeAnalysis a;
    if (!analyzeStep(*tensor, predicted, s, &a)) continue;
    addStep(tab, s, a, &run, c);
    sink.step(a.eigVec);
    result->frame[0] = a.alpha[0];
    result->frame[1] = a.beta[0];
    result->frame[2] = a.gamma[0];
  }

  log.progress("mapping step", mapCount, mapCount);
  // The observed values come back whatever the outcome, so the table never leaves the mapping
  // holding noise.
  for (int i = 0; i < tab->n; i++)
    if (c[i].takesPart) tab->in[i].D = c[i].savedD;

  result->steps = run.steps;
  if (run.steps == 0) {
    log.printf("KORVA Error: no successful step in error space mapping.\n");
    return 1;
  }
  finishStatistics(tab, tensor, run, c, result);
  return 0;
}

}  // namespace korva
