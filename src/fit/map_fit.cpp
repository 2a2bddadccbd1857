// Error-space mapping: Monte-Carlo refits of the best fit with the world map of the principal axes.
#include "fit/map_fit.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "tensor/saupe_analysis.h"
#include "core/alloc.h"
#include "fit/fit_d.h"
#include "numeric/random.h"
#include "structure/domain.h"
#include "report/report.h"

namespace korva {
namespace {

// Fraction of a coupling's error used as the width of its perturbation.
constexpr double kPerturbScale = 0.5;
constexpr int kRemarkLen = 1024;

// Per-coupling accumulators. The sums are kept in double: in single precision the sum of
// squares over thousands of steps loses the few digits that the variance is made of.
struct couplingSums {
  float savedD;   // observed value, Hz
  float savedDD;  // its error, Hz
  int takesPart;  // selected with both atoms when the mapping began
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

int takesPart(const dcRecord& w) {
  return w.selected != 0 && w.atomI != nullptr && w.atomJ != nullptr;
}

// Mean and population deviation; rounding can push the variance of identical samples a hair
// below zero, which must read as zero rather than NaN.
void meanDev(double sum, double sumSq, int n, double* mean, double* dev) {
  *mean = sum / n;
  const double var = sumSq / n - *mean * *mean;
  *dev = var > 0.0 ? std::sqrt(var) : 0.0;
}

// The tensor of a refit, or 0 when the refit produced none (nothing predicted, a zero or
// non-finite Saupe vector, or an analysis that did not converge).
int analyzeStep(const dTab* tab, int predicted, double s[5], double eigVec[3][3], double eigVal[3],
                double angles[3]) {
  if (predicted <= 0) return 0;
  int nonZero = 0;
  for (int k = 0; k < 5; k++) {
    s[k] = tab->saupe[k];
    if (!std::isfinite(s[k])) return 0;
    if (s[k] != 0.0) nonZero = 1;
  }
  if (!nonZero) return 0;
  double irr[5], gMag, da, dr;
  double alpha[kSaupeFrames], beta[kSaupeFrames], gamma[kSaupeFrames];
  // The frame angles are needed for the rotated structure even when the report leaves them out.
  if (analyzeSaupe(s, irr, &gMag, eigVec, eigVal, &da, &dr, alpha, beta, gamma, 1) != 0) return 0;
  // Rotating by the negated first frame, in reverse order, brings the structure into it.
  angles[0] = -gamma[0];
  angles[1] = -beta[0];
  angles[2] = -alpha[0];
  return 1;
}

// General magnitude of a Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz), Hz.
double generalMagnitude(const double s[5]) {
  const double szz = s[0];
  const double sxx = 0.5 * (s[1] - s[0]);
  const double syy = -0.5 * (s[1] + s[0]);
  const double sq =
      sxx * sxx + syy * syy + szz * szz + 2.0 * s[2] * s[2] + 2.0 * s[3] * s[3] + 2.0 * s[4] * s[4];
  return std::sqrt(sq * kGMagScale);
}

void addStep(const dTab* tab, const double s[5], const double eigVal[3], runSums* run,
             couplingSums* c) {
  run->steps++;
  for (int k = 0; k < 5; k++) {
    run->saupe[k] += s[k];
    run->saupeSq[k] += s[k] * s[k];
  }
  const double azz = std::fabs(eigVal[0]);
  run->azz += azz;
  run->azzSq += azz * azz;
  const double g = generalMagnitude(s);
  run->gMag += g;
  run->gMagSq += g * g;
  for (int i = 0; i < tab->n; i++) {
    if (!c[i].takesPart || !takesPart(tab->work[i])) continue;
    const double d = tab->work[i].D;
    c[i].steps++;
    c[i].sum += d;
    c[i].sumSq += d * d;
    if (std::fabs(d - c[i].savedD) >= c[i].savedDD) c[i].misses++;
  }
}

// Puts the statistics into the table and composes the remark block of the report.
void finishStatistics(dTab* tab, const runSums& run, couplingSums* c, char* remark, int len) {
  const int n = run.steps;
  double mean[5], dev[5];
  for (int k = 0; k < 5; k++) {
    meanDev(run.saupe[k], run.saupeSq[k], n, &mean[k], &dev[k]);
    tab->saupe[k] = static_cast<float>(mean[k]);
  }
  for (int i = 0; i < tab->n; i++) {
    if (!c[i].takesPart || c[i].steps == 0) continue;
    double m, d;
    meanDev(c[i].sum, c[i].sumSq, c[i].steps, &m, &d);
    tab->work[i].D = static_cast<float>(m);
    tab->in[i].DD = static_cast<float>(d);
    tab->in[i].W = static_cast<float>(c[i].misses);
  }
  double gMean, gDev, azzMean, azzDev;
  meanDev(run.gMag, run.gMagSq, n, &gMean, &gDev);
  meanDev(run.azz, run.azzSq, n, &azzMean, &azzDev);
  std::snprintf(remark, static_cast<size_t>(len),
                "\nREMARK Mapping Statistics.\n\n"
                "DATA STATISTICS MAPPING NUMBER OF SUCCESFUL STEPS   %d\n"
                "DATA STATISTICS MAPPING G_MAG (AVERAGE, STD_DEV)   % .4e % .4e\n"
                "DATA STATISTICS MAPPING SZZ (AVERAGE, STD_DEV)     % .4e % .4e\n"
                "DATA STATISTICS MAPPING SAUPE AVERAGE    % .4e  % .4e  % .4e  % .4e % .4e\n"
                "DATA STATISTICS MAPPING SAUPE STD_DEV    % .4e  % .4e  % .4e  % .4e % .4e\n"
                "\n\n",
                n, gMean, gDev, azzMean, azzDev, mean[0], mean[1], mean[2], mean[3], mean[4],
                dev[0], dev[1], dev[2], dev[3], dev[4]);
}

// The map stream owns the file it opened and closes it on every path.
struct mapStream {
  FILE* f = stdout;
  ~mapStream() {
    if (f != nullptr && f != stdout) std::fclose(f);
  }
};

}  // namespace

void mapAxisPoints(const double a[3], double point[2], double opposite[2]) {
  // acos is undefined a rounding step beyond +-1, which an eigenvector along z can reach.
  const double z = a[2] > 1.0 ? 1.0 : (a[2] < -1.0 ? -1.0 : a[2]);
  const double lat = kMapHalfPi - std::acos(z);
  const double lon = std::atan2(a[1], a[0]);
  // The opposite point lies half a turn away in longitude. On the prime meridian that is the
  // date line, not the meridian itself; only at a pole, where longitude means nothing, it stays 0.
  double lonOpp = 0.0;
  if (lon > 0.0) lonOpp = lon - kMapPi;
  if (lon < 0.0) lonOpp = lon + kMapPi;
  if (lon == 0.0 && (a[0] != 0.0 || a[1] != 0.0)) lonOpp = kMapPi;
  point[0] = lon * std::cos(lat);
  point[1] = lat;
  opposite[0] = lonOpp * std::cos(lat);
  opposite[1] = -lat;
}

void writeMapLines(FILE* stream, const double eigVec[3][3]) {
  double pts[3][2], opp[3][2];
  for (int j = 0; j < 3; j++) {
    const double axis[3] = {eigVec[0][j], eigVec[1][j], eigVec[2][j]};
    mapAxisPoints(axis, pts[j], opp[j]);
  }
  for (int j = 0; j < 3; j++) std::fprintf(stream, "  %f       %f", pts[j][0], pts[j][1]);
  std::fprintf(stream, "\n");
  for (int j = 0; j < 3; j++) std::fprintf(stream, " %f\t%f", opp[j][0], opp[j][1]);
  std::fprintf(stream, "\n");
}

int mapSimDC(pdbInfo* pdb, dTab* tab, const korvaInfo* runInfo, const char* outFile,
             const char* pdbOut, int verbosity, const char* mapFile, int mapCount,
             const char* remark) {
  // An empty table still runs: no refit produces a tensor, and that is reported as a failure.
  if (tab == nullptr || tab->n < 0 || tab->in.size() < static_cast<size_t>(tab->n) ||
      tab->work.size() < static_cast<size_t>(tab->n))
    return 0;
  tvector<couplingSums> sums{TrackedAllocator<couplingSums>("mapSimDC")};
  try {
    sums.resize(static_cast<size_t>(tab->n));
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }

  mapStream map;
  if (mapFile != nullptr && mapFile[0] != '\0') {
    map.f = std::fopen(mapFile, "w");
    if (map.f == nullptr) {
      std::fprintf(stderr, "KORVA Error opening log file for error space mapping %s\n", mapFile);
      return 1;
    }
  }

  couplingSums* c = sums.data();
  for (int i = 0; i < tab->n; i++) {
    c[i] = couplingSums{};
    c[i].takesPart = takesPart(tab->work[i]);
    c[i].savedD = tab->in[i].D;
    c[i].savedDD = tab->in[i].DD;
  }

  runSums run{};
  double angles[3] = {0.0, 0.0, 0.0};
  for (int step = 0; step < mapCount; step++) {
    for (int i = 0; i < tab->n; i++) {
      if (!c[i].takesPart) continue;
      const double g = gauss();
      tab->in[i].D = static_cast<float>(c[i].savedD + kPerturbScale * g * c[i].savedDD);
    }
    const int predicted = fitD(pdb, tab, verbosity);
    double s[5], eigVec[3][3], eigVal[3], stepAngles[3];
    if (!analyzeStep(tab, predicted, s, eigVec, eigVal, stepAngles)) continue;
    addStep(tab, s, eigVal, &run, c);
    writeMapLines(map.f, eigVec);
    for (int k = 0; k < 3; k++) angles[k] = stepAngles[k];
  }

  // The observed values come back whatever the outcome, so the table never leaves the mapping
  // holding noise.
  for (int i = 0; i < tab->n; i++)
    if (c[i].takesPart) tab->in[i].D = c[i].savedD;

  std::fprintf(stdout, "\nREMARK Number of steps for error statistic %d.\n", run.steps);
  if (run.steps == 0) {
    std::fprintf(stderr, "KORVA Error: no successful step in error space mapping.\n");
    return 1;
  }
  char text[kRemarkLen];
  finishStatistics(tab, run, c, text, kRemarkLen);
  if (writeDCmod(outFile != nullptr ? outFile : "", "w", tab, runInfo, text) != 0) return 1;
  return writeFrameStructure(pdb, -angles[2], -angles[1], -angles[0], pdbOut, remark);
}

}  // namespace korva
