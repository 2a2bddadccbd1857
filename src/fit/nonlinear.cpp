// Nonlinear tensor fits: Da, Dr and the rotation angles fitted to couplings by bounded least
// squares, the structure being rotated into the tensor's principal frame at every evaluation.
#include "fit/nonlinear.h"

#include <cmath>
#include <cstdio>

#include "core/alloc.h"
#include "numeric/nls.h"
#include "structure/transform.h"

namespace korva {

namespace {

// The solver's relative function tolerance is a single-precision 1e-8 widened to double.
constexpr float kFitTol = 1e-8f;
constexpr int kFitMaxIter = 1000;
constexpr int kFitMaxFcn = 1000;
constexpr int kMaxParams = 5;

// Everything one fit needs, reached by the residual function, which the solver calls with the
// parameters only.
struct FitDCState {
  float* saved = nullptr;  // x, y, z of every atom taking part, in structure order
  float* work = nullptr;   // the same, rotated at each evaluation
  int capacity = 0;        // atoms both buffers hold
  int nCouplings = 0;      // couplings taking part in the current fit
  int nAtoms = 0;          // distinct atoms of those couplings
  int verbosity = 0;
  int evaluations = 0;  // residual evaluations of the current fit
  pdbInfo* pdb = nullptr;
  dTab* tab = nullptr;
};

FitDCState& state() {
  static FitDCState s;
  return s;
}

size_t bufferFloats(int atoms) {
  return static_cast<size_t>(atoms) * 3;
}

// A coupling takes part when it survived selection and mapping onto the structure.
bool takesPart(const dcRecord& w) {
  return w.selected != 0 && w.atomI != nullptr && w.atomJ != nullptr;
}

// Slot of an atom in the work buffers, or -1 when the atom was not marked for this fit.
int slotOf(const pdbAtom* a, int nAtoms) {
  return a->aux >= 1 && a->aux <= nAtoms ? a->aux - 1 : -1;
}

// Coupling predicted for the unit vector (cx, cy, cz) in the principal frame of a tensor with
// magnitude da and rhombicity dr: the Saupe matrix there is diag(-Da + 1.5 Dr, -Da - 1.5 Dr, 2 Da).
double principalFrameCoupling(double di, double da, double dr, double cx, double cy, double cz) {
  return std::fabs(di) * (da * (3.0 * cz * cz - 1.0) + 1.5 * dr * (cx * cx - cy * cy));
}

// Rotates the working coordinates by the current transform (p' = M p).
void rotateWork(FitDCState& st) {
  m4x4 r;
  pdb3dCopyCurrentMatrix(r);
  for (int a = 0; a < st.nAtoms; a++) {
    float* p = st.work + bufferFloats(a);
    const double x = p[0], y = p[1], z = p[2];
    for (int i = 0; i < 3; i++) {
      p[i] = static_cast<float>(r[i][0] * x + r[i][1] * y + r[i][2] * z + r[i][3]);
    }
  }
}

}  // namespace

int fitDCEvaluations() {
  return state().evaluations;
}

void fitDCFree() {
  FitDCState& st = state();
  unAlloc("fitDC saved", st.saved, bufferFloats(st.capacity) * sizeof(float));
  unAlloc("fitDC work", st.work, bufferFloats(st.capacity) * sizeof(float));
  st.saved = nullptr;
  st.work = nullptr;
  st.capacity = 0;
}

int fitDCAlloc() {
  FitDCState& st = state();
  if (st.nAtoms > st.capacity) {
    fitDCFree();
    st.saved = fltAlloc("fitDC saved", bufferFloats(st.nAtoms));
    st.work = fltAlloc("fitDC work", bufferFloats(st.nAtoms));
    if (st.saved == nullptr || st.work == nullptr) {
      std::fprintf(stderr, "VANTRO Error (DC Fit) allocating workspaces.\n");
      // Release whichever of the two was had, at the size it was asked for.
      st.capacity = st.nAtoms;
      fitDCFree();
      return 1;
    }
    st.capacity = st.nAtoms;
  }
  int slot = 0;
  for (pdbAtom& a : st.pdb->atoms) {
    if (a.selected == 0) continue;
    if (slot >= st.capacity) {
      std::fprintf(stderr, "VANTRO Error (DC Fit) workspace overflow.\n");
      return 1;
    }
    float* p = st.saved + bufferFloats(slot);
    p[0] = a.x;
    p[1] = a.y;
    p[2] = a.z;
    a.aux = ++slot;  // 1-based so that 0 keeps meaning "not in this fit"
  }
  for (size_t k = 0; k < bufferFloats(slot); k++) st.work[k] = st.saved[k];
  return 0;
}

int fitDCTarget(int m, int n, const float* x, float* fvec) {
  FitDCState& st = state();
  dTab* tab = st.tab;
  st.evaluations++;

  int k = 0;
  if (k < n) tab->psi = x[k++];
  if (k < n) tab->theta = x[k++];
  if (k < n) tab->phi = x[k++];
  if (tab->daMin != tab->daMax && k < n) tab->da = x[k++];
  if (tab->drMin != tab->drMax && k < n) tab->dr = x[k++];

  for (size_t i = 0; i < bufferFloats(st.nAtoms); i++) st.work[i] = st.saved[i];
  pdb3dReset();
  pdb3dAppendRotation0(tab->psi, tab->theta, tab->phi);
  rotateWork(st);

  const int count =
      tab->n < static_cast<int>(tab->work.size()) ? tab->n : static_cast<int>(tab->work.size());
  int written = 0;
  double sum = 0.0;
  for (int c = 0; c < count; c++) {
    dcRecord& w = tab->work[c];
    const dcRecord& in = tab->in[c];
    w.D = kDCUnset;
    if (!takesPart(w) || w.glyFlag != 0 || in.glyFlag != 0) continue;
    const int si = slotOf(w.atomI, st.nAtoms);
    const int sj = slotOf(w.atomJ, st.nAtoms);
    if (si < 0 || sj < 0) continue;
    const float* pi = st.work + bufferFloats(si);
    const float* pj = st.work + bufferFloats(sj);
    const double vx = static_cast<double>(pi[0]) - pj[0];
    const double vy = static_cast<double>(pi[1]) - pj[1];
    const double vz = static_cast<double>(pi[2]) - pj[2];
    const double len = std::sqrt(vx * vx + vy * vy + vz * vz);
    // Coinciding atoms define no direction: they predict 0, as in the Saupe-vector prediction,
    // rather than the -Da that a zero direction would give.
    const double d =
        len > 0.0 ? principalFrameCoupling(w.DI, tab->da, tab->dr, vx / len, vy / len, vz / len)
                  : 0.0;
    w.D = static_cast<float>(d);
    const float res = static_cast<float>((static_cast<double>(in.D) - w.D) * in.W);
    if (written < m) fvec[written] = res;
    written++;
    sum += static_cast<double>(res) * res;
  }
  for (int i = written; i < m; i++) fvec[i] = 0.0f;

  const double rms = written > 0 ? std::sqrt(sum / written) : 0.0;
  if (st.verbosity > 1) {
    std::fprintf(stderr, "Rot(%.3f %.3f %.3f) DA %.3e DR %.3e RMS(%d): %.4f\n", tab->psi,
                 tab->theta, tab->phi, tab->da, tab->dr, written, rms);
  }
  return 0;
}

int fitDCAlign2() {
  FitDCState& st = state();
  dTab* tab = st.tab;

  // A magnitude or rhombicity whose bounds coincide is held at that bound, as the solver holds an
  // angle whose start lies outside equal bounds.
  if (tab->daMin == tab->daMax) tab->da = tab->daMin;
  if (tab->drMin == tab->drMax) tab->dr = tab->drMin;

  float x0[kMaxParams] = {tab->psi, tab->theta, tab->phi};
  float lb[kMaxParams] = {tab->psiMin, tab->thetaMin, tab->phiMin};
  float ub[kMaxParams] = {tab->psiMax, tab->thetaMax, tab->phiMax};
  int n = 3;
  if (tab->daMin != tab->daMax) {
    x0[n] = tab->da;
    lb[n] = tab->daMin;
    ub[n] = tab->daMax;
    n++;
  }
  if (tab->drMin != tab->drMax) {
    x0[n] = tab->dr;
    lb[n] = tab->drMin;
    ub[n] = tab->drMax;
    n++;
  }
  int nFree = 0;
  for (int i = 0; i < n; i++) nFree += lb[i] != ub[i] ? 1 : 0;

  int result = 0;
  if (st.nCouplings < nFree) {
    // Fewer equations than unknowns: any "solution" would be one of infinitely many.
    std::fprintf(stderr, "VANTRO Error (DC Fit) %d couplings are too few for %d free parameters.\n",
                 st.nCouplings, nFree);
    tab->psi = tab->theta = tab->phi = 0.0f;
    pdb3dReset();
    result = 1;
  } else {
    tvector<float> fvec;
    int nOut = 0;
    int status = 0;
    // The last residual evaluation of nlsOpt is at the solution, which leaves the fitted
    // parameters in the tensor and the predictions in the working records.
    nlsOpt(fitDCTarget, st.nCouplings, n, x0, lb, ub, static_cast<double>(kFitTol), kFitMaxIter,
           kFitMaxFcn, 0, &fvec, nullptr, &nOut, &status, 0);
  }
  tab->psiList[0] = tab->psi;
  tab->thetaList[0] = tab->theta;
  tab->phiList[0] = tab->phi;
  tab->nEuler = 1;
  return result;
}

int fitDCAlign(pdbInfo* pdb, dTab* tab, int verbosity) {
  if (pdb == nullptr || tab == nullptr) return 0;
  FitDCState& st = state();
  st.pdb = pdb;
  st.tab = tab;
  st.verbosity = verbosity;
  st.evaluations = 0;
  st.nCouplings = 0;
  st.nAtoms = 0;

  for (pdbAtom& a : pdb->atoms) {
    a.selected = 0;
    a.aux = 0;
  }
  const int count =
      tab->n < static_cast<int>(tab->work.size()) ? tab->n : static_cast<int>(tab->work.size());
  for (int c = 0; c < count; c++) {
    dcRecord& w = tab->work[c];
    if (!takesPart(w)) continue;
    w.atomI->selected = 1;
    w.atomJ->selected = 1;
    st.nCouplings++;
  }
  for (const pdbAtom& a : pdb->atoms) st.nAtoms += a.selected != 0 ? 1 : 0;
  if (verbosity > 1) {
    std::fprintf(stderr, "%d Couplings, %d Atoms Selected.\n", st.nCouplings, st.nAtoms);
  }
  if (st.nCouplings == 0 || st.nAtoms == 0) return 0;

  if (fitDCAlloc() != 0) {
    std::fprintf(stderr, "VANTRO Error initializing alignment workspaces.\n");
    return -1;
  }
  const int fitted = fitDCAlign2() == 0;

  // Equivalent descriptions of the fitted frame, preferred first; the Saupe vector follows from
  // the first, which describes the same tensor as the fitted angles.
  pdb3dReset();
  pdb3dAppendRotation0(tab->psi, tab->theta, tab->phi);
  m4x4 m;
  pdb3dCopyCurrentMatrix(m);
  float r[3][3];
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) r[i][j] = m[i][j];
  }
  const int nEuler = rot2euler(r, tab->psiList, tab->thetaList, tab->phiList);
  if (nEuler > 0) tab->nEuler = nEuler;
  euler2saupe(tab->saupe, tab->psiList[0], tab->thetaList[0], tab->phiList[0], tab->da, tab->dr);
  return fitted ? st.nCouplings : 0;
}

}  // namespace korva
