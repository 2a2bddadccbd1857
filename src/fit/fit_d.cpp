// Order-matrix fit by SVD and prediction of couplings, including the two-proton glycine pairs.
#include "fit/fit_d.h"

#include <cstdio>

#include "fit/nonlinear.h"
#include "fit/svd_fit.h"
#include "tensor/tensor.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;
constexpr float kUnitError = 1.0f;

bool isUsable(const dTab* tab, int i) {
  const dcRecord& w = tab->work[static_cast<size_t>(i)];
  const dcRecord& in = tab->in[static_cast<size_t>(i)];
  return w.selected != 0 && w.atomI != nullptr && w.atomJ != nullptr && w.W != 0.0f &&
         in.glyFlag == 0 && w.glyFlag == 0;
}

bool isGlycine(const dTab* tab, int i) {
  return tab->in[static_cast<size_t>(i)].glyFlag != 0 ||
         tab->work[static_cast<size_t>(i)].glyFlag != 0;
}

// The structure's name of a record's chain or segment: tables without chain (segment) names
// address the structure's default chain (segment).
const char* chainOf(const pdbInfo* pdb, const dTab* tab, const char* name) {
  return tab->ignoreChain ? pdb->defChain : name;
}
const char* segOf(const pdbInfo* pdb, const dTab* tab, const char* name) {
  return tab->ignoreSeg ? pdb->defSeg : name;
}

// Predicts one coupling of constant di between atoms a and b.
void predictPair(const pdbAtom* a, const pdbAtom* b, float di, const float s[5],
                 const float sErr[5], float* d, float* dd) {
  findD(&a->x, &a->y, &a->z, &b->x, &b->y, &b->z, &di, d, dd, s, sErr, 1);
}

}  // namespace

int isNonlinearTensorMode(int tensorMode) {
  return tensorMode == kTensorNoFixed || tensorMode == kTensorDaDr || tensorMode == kTensorFixed;
}

int countFitDC(const dTab* tab) {
  int n = 0;
  for (int i = 0; i < tab->n; i++) n += isUsable(tab, i) ? 1 : 0;
  return n;
}

int findD2(pdbInfo* pdb, const dTab* tab, int index, const char* name1, const char* name2,
           const char* name3, const char* name4, float d[2], float dd[2], const float s[5],
           const float sErr[5]) {
  const dcRecord& w = tab->work[static_cast<size_t>(index)];
  const char* chainI = chainOf(pdb, tab, w.chainI);
  const char* chainJ = chainOf(pdb, tab, w.chainJ);
  const char* segI = segOf(pdb, tab, w.segI);
  const char* segJ = segOf(pdb, tab, w.segJ);
  const pdbAtom* a1 = findAtom(pdb, w.resI, name1, chainI, segI);
  const pdbAtom* a2 = findAtom(pdb, w.resJ, name2, chainJ, segJ);
  if (a1 == nullptr || a2 == nullptr) return 0;
  predictPair(a1, a2, w.DI, s, sErr, &d[0], &dd[0]);
  const pdbAtom* a3 = findAtom(pdb, w.resI, name3, chainI, segI);
  const pdbAtom* a4 = findAtom(pdb, w.resJ, name4, chainJ, segJ);
  if (a3 == nullptr || a4 == nullptr) return 1;
  predictPair(a3, a4, w.DI, s, sErr, &d[1], &dd[1]);
  return 2;
}

int fitDSVD(pdbInfo* pdb, dTab* tab) {
  for (int k = 0; k < kSaupeCount; k++) {
    tab->saupe[k] = tab->tensorMode == kTensorSVD ? 0.0f : tab->saupeIn[k];
    tab->saupeErr[k] = kUnitError;
  }

  const int total = tab->n;
  const size_t len = static_cast<size_t>(total) + 1;
  // Nine work arrays of the table length in the table's scratch area.
  if (tab->workspace.size() < 9 * len) tab->workspace.resize(9 * len);
  float* x1 = tab->workspace.data();
  float* y1 = x1 + len;
  float* z1 = y1 + len;
  float* x2 = z1 + len;
  float* y2 = x2 + len;
  float* z2 = y2 + len;
  float* di = z2 + len;
  float* d = di + len;
  float* dd = d + len;

  int n = 0;
  int nGly = 0;
  for (int i = 0; i < total; i++) {
    if (isGlycine(tab, i)) nGly++;
    if (!isUsable(tab, i)) continue;
    const dcRecord& w = tab->work[static_cast<size_t>(i)];
    const dcRecord& in = tab->in[static_cast<size_t>(i)];
    x1[n] = w.atomI->x;
    y1[n] = w.atomI->y;
    z1[n] = w.atomI->z;
    x2[n] = w.atomJ->x;
    y2[n] = w.atomJ->y;
    z2[n] = w.atomJ->z;
    di[n] = w.DI;
    d[n] = in.D;
    dd[n] = in.DD;
    n++;
  }

  // Too few couplings leave the tensor zero (findS zeroes it); the caller decides whether that
  // ends the run.
  if (tab->tensorMode == kTensorSVD)
    findS(x1, y1, z1, x2, y2, z2, di, d, dd, tab->saupe, tab->saupeErr, n);
  findD(x1, y1, z1, x2, y2, z2, di, d, dd, tab->saupe, tab->saupeErr, n);
  if (tab->eulerFlag) {
    tab->nEuler = saupe2euler(tab->saupe, tab->psiList, tab->thetaList, tab->phiList, tab->eigVal,
                              &tab->da, &tab->dr);
  }

  int predicted = 0;
  for (int i = 0; i < total; i++) {
    if (!isUsable(tab, i)) continue;
    dcRecord& w = tab->work[static_cast<size_t>(i)];
    w.D = d[predicted];
    w.DD = dd[predicted];
    predicted++;
  }

  if (nGly == 0) return predicted;
  for (int i = 0; i < total; i++) {
    dcRecord& w = tab->work[static_cast<size_t>(i)];
    if (w.selected == 0 || !isGlycine(tab, i)) continue;
    const bool inGly = tab->in[static_cast<size_t>(i)].glyFlag != 0;
    float pd[2] = {0.0f, 0.0f};
    float pdd[2] = {0.0f, 0.0f};
    // A glycine of the structure carries two alpha protons (HA1, HA2); a coupling that only the
    // table calls glycine is taken over the residue's HA-CA and CB-CA vectors instead.
    const int found =
        w.glyFlag != 0
            ? findD2(pdb, tab, i, "HA1", "CA", "HA2", "CA", pd, pdd, tab->saupe, tab->saupeErr)
            : findD2(pdb, tab, i, "HA", "CA", "CB", "CA", pd, pdd, tab->saupe, tab->saupeErr);
    if (found != 2) {
      w.selected = 0;
      continue;
    }
    if (inGly) {
      w.D = pd[0] + pd[1];
      w.DD = static_cast<float>(0.5 * (static_cast<double>(pdd[0]) + pdd[1]));
    } else {
      w.D = pd[1];
      w.DD = pdd[1];
    }
    predicted++;
  }
  return predicted;
}

int fitD(pdbInfo* pdb, dTab* tab, int verbosity) {
  if (tab == nullptr) return 0;
  switch (tab->tensorMode) {
    case kTensorSVD:
    case kTensorSaupe:
    case kTensorSteric:
      return fitDSVD(pdb, tab);
    case kTensorNoFixed:
    case kTensorDaDr:
    case kTensorFixed: {
      const int n = fitDCAlign(pdb, tab, verbosity);
      return n > 0 ? n : 0;  // -1: the work buffers failed, nothing was predicted
    }
    default:
      std::fprintf(stderr, "KORVA: unknown tensor mode %d.\n", tab->tensorMode);
      return 0;
  }
}

}  // namespace korva
