// Nonlinear tensor fits: Da, Dr and the rotation angles fitted to couplings by bounded least
// squares, the coupled atoms being rotated into the tensor's principal frame at every evaluation.
#include "fit/nonlinear.h"

#include <cmath>

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

// Coupling predicted for the unit vector (cx, cy, cz) in the principal frame of a tensor with
// magnitude da and rhombicity dr: the Saupe matrix there is diag(-Da + 1.5 Dr, -Da - 1.5 Dr, 2 Da).
double principalFrameCoupling(double di, double da, double dr, double cx, double cy, double cz) {
  return std::fabs(di) * (da * (3.0 * cz * cz - 1.0) + 1.5 * dr * (cx * cx - cy * cy));
}

// One fit: the coordinates of the atoms taking part, copied once from every model, and the
// couplings that join them. Each prediction is the mean over the models (an ensemble shares one
// tensor); the couplings are mapped onto the first model, whose atom k is atom k of every
// model. The structures are never written to.
class alignProblem final : public nlsProblem {
 public:
  alignProblem(const pdbInfo* const* models, int modelCount, dTab* tab, dTensor* tensor,
               int verbosity, Log& log)
      : tab_(tab), tensor_(tensor), verbosity_(verbosity), log_(log), nModels_(modelCount) {
    const pdbInfo& pdb = *models[0];
    // Slot of each atom in the work buffers, -1 for atoms of no coupling; slots follow structure
    // order.
    tvector<int> slot(pdb.atoms.size(), -1, TrackedAllocator<int>("fitDC slots"));
    for (int c = 0; c < tab->n; c++) {
      if (!dcEntersFit(*tab, c)) continue;
      const dcRecord& w = tab->work[static_cast<size_t>(c)];
      slot[static_cast<size_t>(w.atomI - pdb.atoms.data())] = 0;
      slot[static_cast<size_t>(w.atomJ - pdb.atoms.data())] = 0;
      nCouplings_++;
    }
    for (size_t i = 0; i < slot.size(); i++) {
      if (slot[i] >= 0) slot[i] = nAtoms_++;
    }
    // Model by model, the atoms of the couplings in slot order.
    for (int m = 0; m < nModels_; m++) {
      const tvector<pdbAtom>& atoms = models[m]->atoms;
      for (size_t i = 0; i < slot.size() && i < atoms.size(); i++) {
        if (slot[i] < 0) continue;
        saved_.push_back(atoms[i].x);
        saved_.push_back(atoms[i].y);
        saved_.push_back(atoms[i].z);
      }
    }
    work_ = saved_;
    pairs_.reserve(2 * static_cast<size_t>(nCouplings_));
    for (int c = 0; c < tab->n; c++) {
      if (!dcEntersFit(*tab, c)) continue;
      const dcRecord& w = tab->work[static_cast<size_t>(c)];
      pairs_.push_back(slot[static_cast<size_t>(w.atomI - pdb.atoms.data())]);
      pairs_.push_back(slot[static_cast<size_t>(w.atomJ - pdb.atoms.data())]);
    }
  }

  int couplings() const { return nCouplings_; }
  int atoms() const { return nAtoms_; }
  int evaluations() const { return evaluations_; }

  // Stores x into the tensor, rotates the atoms, predicts every coupling into the working
  // records and writes the m weighted residuals into fvec.
  void residuals(int m, int n, const float* x, float* fvec) override {
    dTensor& t = *tensor_;
    evaluations_++;
    int k = 0;
    if (k < n) t.psi = x[k++];
    if (k < n) t.theta = x[k++];
    if (k < n) t.phi = x[k++];
    if (t.daMin != t.daMax && k < n) t.da = x[k++];
    if (t.drMin != t.drMax && k < n) t.dr = x[k++];

    m4x4 r;
    m4x4Rotation0(t.psi, t.theta, t.phi, r);
    for (int a = 0; a < nAtoms_ * nModels_; a++) {
      const float* s = &saved_[3 * static_cast<size_t>(a)];
      float* p = &work_[3 * static_cast<size_t>(a)];
      const double px = s[0], py = s[1], pz = s[2];
      for (int i = 0; i < 3; i++) {
        p[i] = static_cast<float>(r[i][0] * px + r[i][1] * py + r[i][2] * pz + r[i][3]);
      }
    }

    int written = 0;
    double sum = 0.0;
    for (int c = 0; c < tab_->n; c++) {
      dcRecord& w = tab_->work[static_cast<size_t>(c)];
      const dcRecord& in = tab_->in[static_cast<size_t>(c)];
      w.D = kDCUnset;
      if (!dcEntersFit(*tab_, c)) continue;
      double d = 0.0;
      for (int model = 0; model < nModels_; model++) {
        const size_t base = static_cast<size_t>(model) * static_cast<size_t>(nAtoms_);
        const float* pi =
            &work_[3 * (base + static_cast<size_t>(pairs_[2 * static_cast<size_t>(written)]))];
        const float* pj =
            &work_[3 * (base + static_cast<size_t>(pairs_[2 * static_cast<size_t>(written) + 1]))];
        const double vx = static_cast<double>(pi[0]) - pj[0];
        const double vy = static_cast<double>(pi[1]) - pj[1];
        const double vz = static_cast<double>(pi[2]) - pj[2];
        const double len = std::sqrt(vx * vx + vy * vy + vz * vz);
        // Coinciding atoms define no direction: they predict 0, as in the Saupe-vector
        // prediction, rather than the -Da that a zero direction would give.
        d += len > 0.0 ? principalFrameCoupling(w.DI, t.da, t.dr, vx / len, vy / len, vz / len)
                       : 0.0;
      }
      d /= nModels_;
      w.D = static_cast<float>(d);
      const float res = static_cast<float>((static_cast<double>(in.D) - w.D) * in.W);
      if (written < m) fvec[written] = res;
      written++;
      sum += static_cast<double>(res) * res;
    }
    for (int i = written; i < m; i++) fvec[i] = 0.0f;

    if (verbosity_ > 1) {
      const double rms = written > 0 ? std::sqrt(sum / written) : 0.0;
      log_.printf("Rot(%.3f %.3f %.3f) DA %.3e DR %.3e RMS(%d): %.4f\n", t.psi, t.theta, t.phi,
                  t.da, t.dr, written, rms);
    }
  }

 private:
  dTab* tab_;
  dTensor* tensor_;
  int verbosity_;
  Log& log_;
  int nModels_;
  int nCouplings_ = 0;
  int nAtoms_ = 0;  // per model
  int evaluations_ = 0;
  tvector<float> saved_{TrackedAllocator<float>("fitDC saved")};  // x, y, z per atom and model
  tvector<float> work_{TrackedAllocator<float>("fitDC work")};    // the same, rotated
  tvector<int> pairs_{TrackedAllocator<int>("fitDC pairs")};      // slots of I and J per coupling
};

// Builds the parameter vector from the tensor and runs the solver. Returns 0, or 1 when there are
// too few couplings for the free parameters (angles then set to 0).
int solve(alignProblem& problem, dTensor* t, Log& log) {
  // A magnitude or rhombicity whose bounds coincide is held at that bound, as the solver holds an
  // angle whose start lies outside equal bounds.
  if (t->daMin == t->daMax) t->da = t->daMin;
  if (t->drMin == t->drMax) t->dr = t->drMin;

  float x0[kMaxParams] = {t->psi, t->theta, t->phi};
  float lb[kMaxParams] = {t->psiMin, t->thetaMin, t->phiMin};
  float ub[kMaxParams] = {t->psiMax, t->thetaMax, t->phiMax};
  int n = 3;
  if (t->daMin != t->daMax) {
    x0[n] = t->da;
    lb[n] = t->daMin;
    ub[n] = t->daMax;
    n++;
  }
  if (t->drMin != t->drMax) {
    x0[n] = t->dr;
    lb[n] = t->drMin;
    ub[n] = t->drMax;
    n++;
  }
  int nFree = 0;
  for (int i = 0; i < n; i++) nFree += lb[i] != ub[i] ? 1 : 0;

  int result = 0;
  if (problem.couplings() < nFree) {
    // Fewer equations than unknowns: any "solution" would be one of infinitely many.
    log.printf("VANTRO Error (DC Fit) %d couplings are too few for %d free parameters.\n",
               problem.couplings(), nFree);
    t->psi = t->theta = t->phi = 0.0f;
    result = 1;
  } else {
    // The last residual evaluation of nlsOpt is at the solution, which leaves the fitted
    // parameters in the tensor and the predictions in the working records.
    const nlsOutcome out = nlsOpt(problem, problem.couplings(), n, x0, lb, ub,
                                  static_cast<double>(kFitTol), kFitMaxIter, kFitMaxFcn, false);
    if (!out.status.ok()) log.write(out.status.message().c_str());
  }
  t->psiList[0] = t->psi;
  t->thetaList[0] = t->theta;
  t->phiList[0] = t->phi;
  t->nEuler = 1;
  return result;
}

}  // namespace

int fitDCAlign(const pdbInfo* pdb, dTab* tab, dTensor* tensor, int verbosity, Log& log,
               int* evaluations) {
  return fitDCAlignModels(&pdb, 1, tab, tensor, verbosity, log, evaluations);
}

int fitDCAlignModels(const pdbInfo* const* models, int modelCount, dTab* tab, dTensor* tensor,
                     int verbosity, Log& log, int* evaluations) {
  if (evaluations != nullptr) *evaluations = 0;
  if (models == nullptr || modelCount < 1 || models[0] == nullptr || tab == nullptr) return 0;
  alignProblem problem(models, modelCount, tab, tensor, verbosity, log);
  if (verbosity > 1) {
    log.printf("%d Couplings, %d Atoms Selected.\n", problem.couplings(), problem.atoms());
  }
  if (problem.couplings() == 0 || problem.atoms() == 0) return 0;

  const int fitted = solve(problem, tensor, log) == 0;
  if (evaluations != nullptr) *evaluations = problem.evaluations();

  // Equivalent descriptions of the fitted frame, preferred first; the Saupe vector follows from
  // the first, which describes the same tensor as the fitted angles.
  m4x4 m;
  m4x4Rotation0(tensor->psi, tensor->theta, tensor->phi, m);
  float r[3][3];
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) r[i][j] = m[i][j];
  }
  const int nEuler = rot2euler(r, tensor->psiList, tensor->thetaList, tensor->phiList);
  if (nEuler > 0) tensor->nEuler = nEuler;
  euler2saupe(tensor->saupe, tensor->psiList[0], tensor->thetaList[0], tensor->phiList[0],
              tensor->da, tensor->dr);
  return fitted ? problem.couplings() : 0;
}

}  // namespace korva
