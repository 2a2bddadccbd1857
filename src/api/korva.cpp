// The library's public functions: plain values in, the pipelines of the modes, plain values out.
#include "korva/korva.h"

#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

#include "align/steric.h"
#include "api/pipeline.h"
#include "api/structure_data.h"
#include "core/args.h"
#include "fit/map_fit.h"
#include "numeric/constants.h"
#include "structure/free_format.h"
#include "tables/combine.h"
#include "tables/coupling_input.h"
#include "tensor/compare.h"

namespace korva {

Structure::Structure() : d_(std::make_shared<data>()) {}
Structure::~Structure() = default;
Structure::Structure(const Structure&) = default;
Structure& Structure::operator=(const Structure&) = default;
Structure::Structure(std::shared_ptr<const data> d) : d_(std::move(d)) {}

int Structure::atomCount() const {
  return d_->pdb().nAtoms;
}
int Structure::firstResidue() const {
  return d_->pdb().firstRes;
}
int Structure::modelCount() const {
  return d_->set.count();
}
int Structure::lastResidue() const {
  return d_->pdb().lastRes;
}

std::vector<Atom> Structure::atoms() const {
  std::vector<Atom> out;
  out.reserve(d_->pdb().atoms.size());
  for (const pdbAtom& a : d_->pdb().atoms) {
    Atom b;
    b.serial = a.atomId;
    b.name = a.atomName;
    b.altLoc = a.locId;
    b.resName = a.resName;
    b.chain = a.chainId;
    b.resSeq = a.resId;
    b.iCode = a.iCode;
    b.segment = a.segId;
    b.element = a.element;
    b.x = a.x;
    b.y = a.y;
    b.z = a.z;
    b.occupancy = a.occupancy;
    b.bFactor = a.tempFactor;
    out.push_back(std::move(b));
  }
  return out;
}

namespace {

// Collects what a computation said; its text becomes the message of a failure.
[[noreturn]] void fail(int status, const TextLog& log) {
  throw error(status != 0 ? status : 1, log.text());
}

void copyName(char* to, const std::string& from) {
  pdbStrCpy(to, from.c_str());
}

dTab toTable(const std::vector<Coupling>& rows, Log& log) {
  dTab tab;
  const int n = static_cast<int>(rows.size());
  tab.in.resize(rows.size());
  tab.work.resize(rows.size());
  tab.n = n;
  resetDC(tab.in.data(), n);
  resetDC(tab.work.data(), n);
  for (int i = 0; i < n; i++) {
    const Coupling& c = rows[static_cast<size_t>(i)];
    dcRecord& r = tab.in[static_cast<size_t>(i)];
    r.readFlag = 1;
    r.selected = 1;
    r.index = c.index != 0 ? c.index : i + 1;
    r.resI = c.resI;
    r.resJ = c.resJ;
    copyName(r.resNameI, c.resNameI);
    copyName(r.atomNameI, c.atomNameI);
    copyName(r.chainI, c.chainI);
    copyName(r.segI, c.segI);
    copyName(r.resNameJ, c.resNameJ);
    copyName(r.atomNameJ, c.atomNameJ);
    copyName(r.chainJ, c.chainJ);
    copyName(r.segJ, c.segJ);
    r.D = c.D;
    r.DD = c.DD;
    r.W = c.W;
    finishCoupling(&tab, &r, log);
  }
  return tab;
}

Coupling toCoupling(const dcRecord& r) {
  Coupling c;
  c.resI = r.resI;
  c.resNameI = r.resNameI;
  c.atomNameI = r.atomNameI;
  c.chainI = r.chainI;
  c.segI = r.segI;
  c.resJ = r.resJ;
  c.resNameJ = r.resNameJ;
  c.atomNameJ = r.atomNameJ;
  c.chainJ = r.chainJ;
  c.segJ = r.segJ;
  c.D = r.D;
  c.DD = r.DD;
  c.W = r.W;
  c.index = r.index;
  return c;
}

dcInfo toDcInfo(const CouplingSelection& s) {
  dcInfo dc;
  dcInfoNull(&dc);
  dc.s1 = s.first;
  dc.sN = s.last;
  dc.a1 = s.pdbFirst;
  dc.rangeMode = s.rangeMode;
  return dc;
}

Statistics toStatistics(const agreementStats& s) {
  Statistics out;
  out.n = s.n;
  out.rms = s.rms;
  out.chi2 = s.chi2;
  out.r = s.r;
  out.q = s.q;
  out.offset = s.offset;
  out.offsetError = s.offsetErr;
  out.slope = s.slope;
  out.slopeError = s.slopeErr;
  out.kebSlope = s.keb;
  out.kebSlopeError = s.kebErr;
  return out;
}

// The analysis of a tensor as the report prints it: of its stored single-precision vector.
Tensor toTensor(const dTensor& t) {
  Tensor out;
  double s[5];
  for (int k = 0; k < 5; k++) {
    s[k] = t.saupe[k];
    out.saupe[static_cast<size_t>(k)] = t.saupe[k];
    out.saupeError[static_cast<size_t>(k)] = t.saupeErr[k];
  }
  saupeAnalysis a;
  if (!analyzeSaupe(s, true, &a).ok()) {
    throw error(1, "KORVA: error occured in analyzeSaupe.\n");
  }
  for (int i = 0; i < 3; i++) {
    out.eigenvalues[static_cast<size_t>(i)] = a.eigVal[i];
    for (int k = 0; k < 3; k++)
      out.eigenvectors[static_cast<size_t>(i)][static_cast<size_t>(k)] = a.eigVec[k][i];
  }
  out.da = a.da;
  out.dr = a.dr;
  for (int k = 0; k < 5; k++) out.irreducible[static_cast<size_t>(k)] = a.irr[k];
  out.generalMagnitude = a.gMag;
  for (int f = 0; f < kSaupeFrames; f++) {
    out.frames[static_cast<size_t>(f)] = {a.alpha[f], a.beta[f], a.gamma[f]};
  }
  out.fitDa = t.da;
  out.fitDr = t.dr;
  const int n = t.nEuler < 0 ? 0 : (t.nEuler > kMaxEuler ? kMaxEuler : t.nEuler);
  for (int k = 0; k < n; k++)
    out.angleSolutions.push_back({t.psiList[k], t.thetaList[k], t.phiList[k]});
  return out;
}

std::vector<PredictedCoupling> listed(const dTab& tab) {
  std::vector<PredictedCoupling> out;
  for (int i = 0; i < tab.n; i++) {
    if (!dcListed(tab, i)) continue;
    PredictedCoupling p;
    p.coupling = toCoupling(tab.in[static_cast<size_t>(i)]);
    p.DI = tab.work[static_cast<size_t>(i)].DI;
    p.predicted = tab.work[static_cast<size_t>(i)].D;
    p.error = tab.work[static_cast<size_t>(i)].DD;
    out.push_back(std::move(p));
  }
  return out;
}

Result toResult(const dTensor& tensor, const dTab& tab, const TextLog& log) {
  Result r;
  r.tensor = toTensor(tensor);
  r.couplings = listed(tab);
  r.statistics = toStatistics(getStatDCmod(tab));
  r.messages = log.text();
  return r;
}

korvaInfo toInfo(const StericOptions& o, int mode) {
  korvaInfo info;
  korvaInfoNull(&info);
  info.mode = mode;
  info.lcModel = o.medium == Medium::rod ? kModelRod : kModelWall;
  info.rM = o.modelRadius >= 0.0f ? o.modelRadius : (o.medium == Medium::rod ? 33.5f : 20.0f);
  info.wv = o.concentration;
  info.lcS = o.order;
  info.rA = o.atomRadius;
  info.dGrid = o.gridSpacing;
  info.dot = o.orientations;
  info.digPsi = o.psiSteps;
  info.surf = o.surface ? 1 : 0;
  info.useH = o.hydrogens ? 1 : 0;
  return info;
}

void toSelect(const AtomSelection& s, struct pdbSelect* sel) {
  pdbSelectNull(sel);
  sel->firstRes = s.first;
  sel->lastRes = s.last;
  sel->rangeTest = s.rangeTest ? 1 : 0;
  const struct {
    const std::string& from;
    char* to;
    int* mode;
    int own;
  } lists[] = {{s.residues, sel->resNames, &sel->resMode, s.residuesMatch},
               {s.atoms, sel->atomNames, &sel->atomMode, s.atomsMatch},
               {s.chains, sel->chainNames, &sel->chainMode, s.chainsMatch},
               {s.segments, sel->segNames, &sel->segMode, s.segmentsMatch}};
  bool criteria = s.first != 0 || s.last != 0;
  for (const auto& l : lists) {
    if (l.from.size() >= static_cast<size_t>(kSelListLen)) {
      throw error(1, "KORVA: a selection list is longer than 255 characters.\n");
    }
    std::strcpy(l.to, l.from.c_str());
    *l.mode = l.own != 0 ? l.own : s.match;
    criteria = criteria || l.from != "*";
  }
  if (criteria) sel->mode = kSelCriteria;
  pdbSelectAdjust(sel);
}

dTensor toTensorOptions(const FitOptions& o) {
  dTensor t;
  dTensorNull(&t);
  const int modes[] = {kTensorSVD, kTensorNoFixed, kTensorDaDr, kTensorFixed, kTensorSaupe};
  t.tensorMode = modes[static_cast<int>(o.method)];
  t.da = static_cast<float>(o.da);
  t.dr = static_cast<float>(o.dr);
  t.daMin = static_cast<float>(o.daMin);
  t.daMax = static_cast<float>(o.daMax);
  t.drMin = static_cast<float>(o.drMin);
  t.drMax = static_cast<float>(o.drMax);
  t.psi = static_cast<float>(o.psi);
  t.theta = static_cast<float>(o.theta);
  t.phi = static_cast<float>(o.phi);
  t.psiMin = static_cast<float>(o.psiMin);
  t.psiMax = static_cast<float>(o.psiMax);
  t.thetaMin = static_cast<float>(o.thetaMin);
  t.thetaMax = static_cast<float>(o.thetaMax);
  t.phiMin = static_cast<float>(o.phiMin);
  t.phiMax = static_cast<float>(o.phiMax);
  // Held parameters, as the command line holds them.
  if (t.tensorMode == kTensorDaDr || t.tensorMode == kTensorFixed) {
    t.daMin = t.daMax = t.da;
    t.drMin = t.drMax = t.dr;
  }
  if (t.tensorMode == kTensorFixed) {
    t.psiMin = t.psiMax = t.psi;
    t.thetaMin = t.thetaMax = t.theta;
    t.phiMin = t.phiMax = t.phi;
  }
  for (int k = 0; k < 5; k++) t.saupeIn[k] = static_cast<float>(o.saupe[static_cast<size_t>(k)]);
  return t;
}

// The couplings of a structure-based computation, selected and mapped onto the structure.
int prepare(const Structure& structure, dTab* tab, const CouplingSelection& s, Log& log,
            dcInfo* completed = nullptr) {
  dcInfo local;
  dcInfo& dc = completed != nullptr ? *completed : local;
  dc = toDcInfo(s);
  if (s.atomI.size() >= static_cast<size_t>(kArgStrLen) ||
      s.atomJ.size() >= static_cast<size_t>(kArgStrLen)) {
    throw error(1, "KORVA: a coupling atom name is longer than 255 characters.\n");
  }
  return prepareCouplings(structure.get().pdb(), tab, &dc, s.atomI.c_str(), s.atomJ.c_str(),
                          s.weights.data(), static_cast<int>(s.weights.size()), log);
}

// The charged medium of the options, its charges placed on the structure into set.
chargeOptions toChargeOptions(const StericOptions& o, const pdbInfo& pdb, chargeSet* set) {
  if (!(o.debyeLength > 0.0) || !std::isfinite(o.debyeLength)) {
    throw error(1, formatText("VANTRO Error: -debye value %g must be positive.\n", o.debyeLength));
  }
  chargeOptions c;
  c.y0 = o.surfacePotential;
  c.debye = o.debyeLength;
  c.fitPotential = o.fitPotential;
  if (o.charges.empty()) return c;
  tvector<chargeRow> rows(o.charges.size(), chargeRow{}, TrackedAllocator<chargeRow>("charges"));
  for (size_t k = 0; k < rows.size(); ++k) {
    rows[k].resId = o.charges[k].residue;
    copyName(rows[k].atom, o.charges[k].atom);
    copyName(rows[k].chain, o.charges[k].chain);
    rows[k].q = o.charges[k].charge;
  }
  const Status st =
      placeCharges(rows.data(), static_cast<int>(rows.size()), &pdb, "the charges", set);
  if (!st.ok()) throw error(st.code(), st.message());
  c.charges = set;
  return c;
}

}  // namespace

Structure readStructure(const std::string& path, int model) {
  auto d = std::make_shared<Structure::data>();
  TextLog log;
  Outcome<tvector<atomModel>> atoms = readModelAtoms(path.c_str(), nullptr, log);
  Status st = atoms.status;
  if (st.ok()) {
    d->set.numbers.clear();
    d->set.models.clear();
    st = buildModelSet(std::move(atoms.value), model, path.c_str(), &d->set, log);
  }
  if (!st.ok()) {
    log.write(st.message().c_str());
    fail(st.code(), log);
  }
  return Structure(std::move(d));
}

Structure makeStructure(const std::vector<Atom>& atoms) {
  auto d = std::make_shared<Structure::data>();
  tvector<pdbAtom> list;
  for (const Atom& b : atoms) {
    pdbAtom a{};
    a.atomId = b.serial;
    copyName(a.atomName, b.name);
    copyName(a.locId, b.altLoc);
    copyName(a.resName, b.resName);
    copyName(a.chainId, b.chain);
    a.resId = b.resSeq;
    copyName(a.iCode, b.iCode);
    copyName(a.segId, b.segment);
    copyName(a.element, b.element);
    a.x = b.x;
    a.y = b.y;
    a.z = b.z;
    a.occupancy = b.occupancy;
    a.tempFactor = b.bFactor;
    list.push_back(a);
  }
  TextLog log;
  if (buildPDB(&d->set.models.front(), std::move(list), log) != 0) fail(1, log);
  return Structure(std::move(d));
}

std::vector<Coupling> readCouplings(const std::string& path, const std::string& list) {
  dTab tab;
  TextLog log;
  const int status = korva::readCouplings(path.c_str(), list.c_str(), &tab, log);
  if (status != 0) fail(status, log);
  std::vector<Coupling> out;
  out.reserve(tab.in.size());
  for (const dcRecord& r : tab.in) out.push_back(toCoupling(r));
  return out;
}

Result predict(const Structure& structure, const std::vector<Coupling>& couplings,
               const StericOptions& options, const CouplingSelection& selection) {
  TextLog log;
  dTab tab = toTable(couplings, log);
  dcInfo dc;
  const int n = prepare(structure, &tab, selection, log, &dc);
  const pdbInfo& pdb = structure.get().pdb();
  struct pdbSelect sel;
  toSelect(options.selection, &sel);
  const struct pdbSelect asked = sel;
  tvector<int> flags(TrackedAllocator<int>("selection"));
  if (selectAtoms(pdb, &sel, options.hydrogens ? 1 : 0, &flags, log) != 0) fail(1, log);
  korvaInfo info = toInfo(options, kModeSteric);
  dTensor tensor;
  dTensorNull(&tensor);
  saupeAnalysis frame;
  int simulated = 0;
  int status = 0;
  const modelSet& set = structure.get().set;
  chargeSet charged;
  const chargeOptions charges = toChargeOptions(options, pdb, &charged);
  chargeSummary summary;
  if (set.count() > 1) {
    if (chargesActive(charges) || charges.charges != nullptr) throw error(1, kEnsembleChargeError);
    tvector<modelSteric> rows;
    const unsigned cores = std::thread::hardware_concurrency();
    status = ensembleStericPipeline(set, &tab, asked, dc, selection.weights.data(),
                                    static_cast<int>(selection.weights.size()), &info, &tensor, n,
                                    &rows, cores == 0 ? 1 : static_cast<int>(cores), log);
    if (status == 0) simulated = rows.front().simulated;
  } else {
    status = stericPipeline(pdb, &tab, flags, &info, &tensor, n, &frame, &simulated, log, &charges,
                            &summary);
  }
  if (status != 0) fail(status, log);
  Result r = toResult(tensor, tab, log);
  r.simulatedAtoms = simulated;
  r.surfacePotential = summary.y0;
  r.electrostaticFraction = summary.fraction;
  return r;
}

Result predictFree(const std::vector<std::array<double, 3>>& coordinates,
                   const StericOptions& options) {
  TextLog log;
  if (options.surfacePotential != 0.0 || options.fitPotential) {
    throw error(1, "KORVA: error - free-format coordinates carry no charges.\n");
  }
  korvaInfo info = toInfo(options, kModeStericFree);
  if (checkStericOptions(info, log)) fail(1, log);
  if (coordinates.empty() || coordinates.size() >= static_cast<size_t>(kFreeMaxAtoms)) {
    throw error(1, "KORVA: error - free-format coordinates need 1 to 4998 atoms.\n");
  }
  refine_bicelle(&info);
  tvector<double> x(1, 0.0), y(1, 0.0), z(1, 0.0);
  for (const auto& c : coordinates) {
    x.push_back(c[0]);
    y.push_back(c[1]);
    z.push_back(c[2]);
  }
  dTensor tensor;
  dTensorNull(&tensor);
  int simulated = 0;
  const int status = stericFreePipeline(static_cast<int>(coordinates.size()), &x, &y, &z, &info,
                                        &tensor, &simulated, log);
  if (status != 0) fail(status, log);
  dTab none;
  Result r = toResult(tensor, none, log);
  r.simulatedAtoms = simulated;
  return r;
}

Result fit(const Structure& structure, const std::vector<Coupling>& couplings,
           const FitOptions& options, const CouplingSelection& selection) {
  TextLog log;
  dTab tab = toTable(couplings, log);
  prepare(structure, &tab, selection, log);
  dTensor tensor = toTensorOptions(options);
  const int status = fitModelsPipeline(structure.get().set, &tab, &tensor, 1, log);
  if (status != 0) fail(status, log);
  return toResult(tensor, tab, log);
}

ErrorMap errorMap(const Structure& structure, const std::vector<Coupling>& couplings, int steps,
                  const FitOptions& options, const CouplingSelection& selection) {
  TextLog log;
  if (steps < 0) throw error(1, "VANTRO Error: -map needs a step count of 0 or more.\n");
  if (structure.modelCount() > 1) {
    throw error(1, "KORVA: error - -map maps one structure; choose a model with -model N.\n");
  }
  dTab tab = toTable(couplings, log);
  prepare(structure, &tab, selection, log);
  dTensor tensor = toTensorOptions(options);
  ErrorMap out;
  class axesSink final : public mapStepSink {
   public:
    explicit axesSink(ErrorMap* m) : m_(m) {}
    void step(const double v[3][3]) override {
      std::array<std::array<double, 3>, 3> axes;
      for (int j = 0; j < 3; j++) {
        for (int i = 0; i < 3; i++) axes[static_cast<size_t>(j)][static_cast<size_t>(i)] = v[i][j];
      }
      m_->axes.push_back(axes);
    }

   private:
    ErrorMap* m_;
  } sink(&out);
  mapResult result;
  const int status = mapSimDC(&structure.get().pdb(), &tab, &tensor, steps, 1, sink, &result, log);
  if (status != 0) fail(status, log);
  out.mean = toResult(tensor, tab, log);
  out.steps = result.steps;
  out.generalMagnitude = {result.gMag[0], result.gMag[1]};
  out.azz = {result.azz[0], result.azz[1]};
  for (int k = 0; k < 5; k++) {
    out.saupeMean[static_cast<size_t>(k)] = result.mean[k];
    out.saupeDeviation[static_cast<size_t>(k)] = result.dev[k];
  }
  return out;
}

Tensor analyze(const std::array<double, 5>& saupe) {
  dTensor t;
  dTensorNull(&t);
  NullLog log;
  setTensorSaupe(&t, saupe.data(), log);
  return toTensor(t);
}

TensorComparison compareTensors(const std::array<double, 5>& s1, const std::array<double, 5>& s2,
                                Action action, double c1, double c2) {
  saupeComparison cmp;
  const Status st = compareSaupe(static_cast<int>(action), static_cast<float>(c1),
                                 static_cast<float>(c2), s1.data(), s2.data(), &cmp);
  if (!st.ok()) throw error(st.code(), st.message());
  TensorComparison out;
  std::array<double, 5> result;
  for (int k = 0; k < 5; k++) result[static_cast<size_t>(k)] = cmp.result[k];
  out.result = analyze(result);
  for (int k = 0; k < 3; k++) out.axisAngles[static_cast<size_t>(k)] = 180.0 * cmp.axes[k] / kPi;
  out.collinearity = cmp.coll;
  out.angle5d = cmp.angle;
  return out;
}

CouplingComparison compareCouplings(const std::vector<Coupling>& first,
                                    const std::vector<Coupling>& second, Action action, double c1,
                                    double c2, const CouplingSelection& selection) {
  TextLog log;
  dTab t1 = toTable(first, log);
  dTab t2 = toTable(second, log);
  dcInfo dc = toDcInfo(selection);
  if (dc.s1 < kResUnsetBelow) dc.s1 = t1.firstRes;
  if (dc.sN < kResUnsetBelow) dc.sN = t1.lastRes;
  if (dc.s1 > dc.sN) std::swap(dc.s1, dc.sN);
  selectD(t1.in.data(), t1.n, dc.s1, dc.sN, dc.rangeMode);
  selTypDC(t1.in.data(), t1.n, selection.atomI.c_str(), selection.atomJ.c_str());
  adjustDC(static_cast<int>(action), static_cast<float>(c1), static_cast<float>(c2), &t1, &t2, log);
  CouplingComparison out;
  out.couplings = listed(t1);
  out.statistics = toStatistics(getStatDCmod(t1));
  return out;
}

const char* version() {
  return KORVA_VERSION;
}

}  // namespace korva
