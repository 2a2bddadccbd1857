// Order-matrix fit by SVD and prediction of couplings, including the two-proton glycine pairs.
#include "fit/fit_d.h"

#include "fit/nonlinear.h"
#include "fit/svd_fit.h"
#include "tensor/tensor.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;
constexpr float kUnitError = 1.0f;

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

// The couplings that enter a fit, as the nine arrays of findS laid into the workspace.
struct fitPairs {
  float *x1, *y1, *z1, *x2, *y2, *z2, *di, *d, *dd;
};

int gatherPairs(const dTab& tab, fitWorkspace* ws, fitPairs* p) {
  const size_t len = static_cast<size_t>(tab.n) + 1;
  if (ws->pairs.size() < 9 * len) ws->pairs.resize(9 * len);
  float** arrays[] = {&p->x1, &p->y1, &p->z1, &p->x2, &p->y2, &p->z2, &p->di, &p->d, &p->dd};
  for (size_t k = 0; k < 9; k++) *arrays[k] = ws->pairs.data() + k * len;
  int n = 0;
  for (int i = 0; i < tab.n; i++) {
    if (!dcEntersFit(tab, i)) continue;
    const dcRecord& w = tab.work[static_cast<size_t>(i)];
    p->x1[n] = w.atomI->x;
    p->y1[n] = w.atomI->y;
    p->z1[n] = w.atomI->z;
    p->x2[n] = w.atomJ->x;
    p->y2[n] = w.atomJ->y;
    p->z2[n] = w.atomJ->z;
    p->di[n] = w.DI;
    p->d[n] = tab.in[static_cast<size_t>(i)].D;
    p->dd[n] = tab.in[static_cast<size_t>(i)].DD;
    n++;
  }
  return n;
}

// Keeps what later fits of the same table can reuse, after a fit of the n gathered couplings
// whose Saupe errors are sErr; the decomposition itself stays in ws->svd.
void keepDesign(const dTab* tab, int n, const float* const arrays[8], const float sErr[5],
                fitWorkspace* ws) {
  keptDesign& k = ws->kept;
  k.index.resize(static_cast<size_t>(n));
  k.scale.resize(2 * static_cast<size_t>(n));
  k.predict.resize(kSaupeCount * static_cast<size_t>(n));
  k.di.resize(static_cast<size_t>(n));
  int row = 0;
  for (int i = 0; i < tab->n && row < n; i++) {
    if (dcEntersFit(*tab, i)) k.index[static_cast<size_t>(row++)] = i;
  }
  const float *x1 = arrays[0], *y1 = arrays[1], *z1 = arrays[2], *x2 = arrays[3], *y2 = arrays[4],
              *z2 = arrays[5], *di = arrays[6], *dd = arrays[7];
  for (int r = 0; r < n; r++) {
    float unused[kSaupeCount];
    const size_t u = static_cast<size_t>(r);
    designRow(x1[r], y1[r], z1[r], x2[r], y2[r], z2[r], di[r], dd[r], unused, &k.scale[2 * u],
              &k.scale[2 * u + 1]);
    predictionRow(x1[r], y1[r], z1[r], x2[r], y2[r], z2[r], &k.predict[kSaupeCount * u]);
    k.di[u] = di[r];
  }
  for (int m = 0; m < kSaupeCount; m++) k.sErr[m] = sErr[m];
  k.rows = n;
}

// The SVD fit from the kept design: only the right-hand sides are new. The decomposition, and so
// the solution, is the one a fresh fit of the same rows would compute. Returns the number of
// predicted couplings.
int fitKeptDesign(dTab* tab, dTensor* tensor, fitWorkspace* ws) {
  const keptDesign& k = ws->kept;
  const int n = k.rows;
  ws->rhs.resize(static_cast<size_t>(n));
  for (int r = 0; r < n; r++) {
    const size_t u = static_cast<size_t>(r);
    ws->rhs[u] =
        designRhs(k.scale[2 * u], k.scale[2 * u + 1], tab->in[static_cast<size_t>(k.index[u])].D);
  }
  if (svdLSMat(&ws->svd, ws->matrix.data(), ws->rhs.data(), n, kSaupeCount, tensor->saupe, nullptr,
               0) != 0) {
    return 0;
  }
  for (int m = 0; m < kSaupeCount; m++) tensor->saupeErr[m] = k.sErr[m];
  for (int r = 0; r < n; r++) {
    const size_t u = static_cast<size_t>(r);
    dcRecord& w = tab->work[static_cast<size_t>(k.index[u])];
    predictFromRow(&k.predict[kSaupeCount * u], k.di[u], tensor->saupe, tensor->saupeErr, &w.D,
                   &w.DD);
  }
  return n;
}

// The fit proper and the predictions of the couplings that enter it, into the working list.
// Returns their number.
int fitAndPredict(dTab* tab, dTensor* tensor, fitWorkspace* ws) {
  const bool svd = tensor->tensorMode == kTensorSVD;
  if (svd && ws->keepDesign && ws->kept.rows >= kSaupeCount) return fitKeptDesign(tab, tensor, ws);
  for (int k = 0; k < kSaupeCount; k++) {
    tensor->saupe[k] = svd ? 0.0f : tensor->saupeIn[k];
    tensor->saupeErr[k] = kUnitError;
  }

  const int total = tab->n;
  fitPairs p;
  const int n = gatherPairs(*tab, ws, &p);
  float *x1 = p.x1, *y1 = p.y1, *z1 = p.z1, *x2 = p.x2, *y2 = p.y2, *z2 = p.z2;
  float *di = p.di, *d = p.d, *dd = p.dd;

  // Too few couplings leave the tensor zero (findS zeroes it); the caller decides whether that
  // ends the run.
  if (svd) {
    const int status =
        findS(x1, y1, z1, x2, y2, z2, di, d, dd, tensor->saupe, tensor->saupeErr, n, ws);
    if (status == 0 && ws->keepDesign) {
      const float* const arrays[8] = {x1, y1, z1, x2, y2, z2, di, dd};
      keepDesign(tab, n, arrays, tensor->saupeErr, ws);
    }
  }
  findD(x1, y1, z1, x2, y2, z2, di, d, dd, tensor->saupe, tensor->saupeErr, n);

  int predicted = 0;
  for (int i = 0; i < total; i++) {
    if (!dcEntersFit(*tab, i)) continue;
    dcRecord& w = tab->work[static_cast<size_t>(i)];
    w.D = d[predicted];
    w.DD = dd[predicted];
    predicted++;
  }
  return predicted;
}

}  // namespace

double fitCondition(const dTab* tab) {
  fitWorkspace ws;
  fitPairs p;
  const int n = gatherPairs(*tab, &ws, &p);
  if (n < kSaupeCount) return 0.0;
  float s[kSaupeCount], sErr[kSaupeCount];
  (void)findS(p.x1, p.y1, p.z1, p.x2, p.y2, p.z2, p.di, p.d, p.dd, s, sErr, n, &ws);
  return ws.svd.condition;
}

int isNonlinearTensorMode(int tensorMode) {
  return tensorMode == kTensorNoFixed || tensorMode == kTensorDaDr || tensorMode == kTensorFixed;
}

int countFitDC(const dTab* tab) {
  int n = 0;
  for (int i = 0; i < tab->n; i++) n += dcEntersFit(*tab, i) ? 1 : 0;
  return n;
}

int findD2(const pdbInfo* pdb, const dTab* tab, int index, const char* name1, const char* name2,
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

int fitDSVD(const pdbInfo* pdb, dTab* tab, dTensor* tensor, fitWorkspace* ws, Log& log) {
  int predicted = fitAndPredict(tab, tensor, ws);
  if (tensor->eulerFlag) {
    tensor->nEuler = saupe2euler(tensor->saupe, tensor->psiList, tensor->thetaList, tensor->phiList,
                                 tensor->eigVal, &tensor->da, &tensor->dr, log);
  }

  for (int i = 0; i < tab->n; i++) {
    dcRecord& w = tab->work[static_cast<size_t>(i)];
    if (w.selected == 0 || !dcIsGlycine(*tab, i)) continue;
    const bool inGly = tab->in[static_cast<size_t>(i)].glyFlag != 0;
    float pd[2] = {0.0f, 0.0f};
    float pdd[2] = {0.0f, 0.0f};
    // A glycine of the structure carries two alpha protons (HA1, HA2); a coupling that only the
    // table calls glycine is taken over the residue's HA-CA and CB-CA vectors instead.
    const int found = w.glyFlag != 0 ? findD2(pdb, tab, i, "HA1", "CA", "HA2", "CA", pd, pdd,
                                              tensor->saupe, tensor->saupeErr)
                                     : findD2(pdb, tab, i, "HA", "CA", "CB", "CA", pd, pdd,
                                              tensor->saupe, tensor->saupeErr);
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

int fitD(const pdbInfo* pdb, dTab* tab, dTensor* tensor, fitWorkspace* ws, int verbosity,
         Log& log) {
  if (tab == nullptr) return 0;
  switch (tensor->tensorMode) {
    case kTensorSVD:
    case kTensorSaupe:
    case kTensorSteric:
      return fitDSVD(pdb, tab, tensor, ws, log);
    case kTensorNoFixed:
    case kTensorDaDr:
    case kTensorFixed:
      return fitDCAlign(pdb, tab, tensor, verbosity, log);
    default:
      log.printf("KORVA: unknown tensor mode %d.\n", tensor->tensorMode);
      return 0;
  }
}

}  // namespace korva
