// The option table and the parse that it drives.
#include "cli/options.h"

#include <strings.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "align/electrostatic.h"

namespace korva {
namespace {

using P = runParams;
using S = parseState;

constexpr unsigned kStericModes = kReadsSteric | kReadsFree;
constexpr unsigned kStructureModes = kReadsSteric | kReadsBestFit;
constexpr unsigned kCouplingModes = kReadsSteric | kReadsBestFit | kReadsCompareDC;
constexpr unsigned kCompareModes = kReadsCompareSaupe | kReadsCompareDC;

// The -elec preset of the rod medium: the potential that fitted ubiquitin's couplings in Pf1 phage
// at the default Debye length of 10 A.
constexpr double kPf1PresetPotential = -4.5;  // kT/e

// Flags that set a mode or a choice.
int setMode(P& p, int mode) {
  p.info.mode = mode;
  return 0;
}
int setTensorMode(P& p, int mode) {
  p.tensor.tensorMode = mode;
  return 0;
}
int setAction(P& p, int action) {
  p.info.action = action;
  return 0;
}
int setMatch(int* const* lists, int value) {
  for (int k = 0; k < 4 && lists[k] != nullptr; k++) *lists[k] = value;
  return 0;
}
int matchAll(P& p, int value) {
  int* lists[4] = {&p.select.atomMode, &p.select.resMode, &p.select.chainMode, &p.select.segMode};
  return setMatch(lists, value);
}
int matchOne(int* list, int value) {
  int* lists[4] = {list, nullptr, nullptr, nullptr};
  return setMatch(lists, value);
}

// An option with an optional integer: the number when one follows, else whenBare.
void optionalInt(argList& a, const char* name, int whenBare, int* target) {
  const int pos = a.flagLoc(name);
  if (pos == 0) return;
  if (pos + 1 < a.argc() && !isFlag(a.argv()[pos + 1])) {
    a.intArgD(name, target);
  } else {
    *target = whenBare;
  }
}

// An option that takes exactly five numbers; 0 when absent or read, 1 after an error line.
int fiveValues(argList& a, const char* name, const char* what, double out[5], Log& log) {
  const int pos = a.flagLoc(name);
  if (pos == 0) return 0;
  const int status = a.fixedListArg(pos, 5, out);
  if (status == 1) log.printf("VANTRO Error: %s option requires 5 values.\n", what);
  return status != 0;
}

// A selection criterion word: any of them switches the selection to criteria mode.
int criterion(argList& a, const char* name, char* target, S& s) {
  s.criteria |= a.strArgD(name, target);
  return 0;
}

// A length or concentration that must be positive when given; 0, or 1 after an error line.
int positiveValue(int given, const char* name, float value, Log& log) {
  if (!given || value > 0.0f) return 0;
  log.printf("VANTRO Error: %s value %g must be positive.\n", name, static_cast<double>(value));
  return 1;
}

// The charged medium from its options: the Debye length of a salt concentration, the preset of
// the medium, and the combinations that contradict each other.
int resolveCharges(P& p, Log& log) {
  chargeParams& c = p.charge;
  if (c.salt > 0.0f) {
    if (c.debyeGiven) {
      log.printf("VANTRO Error: -debye and -salt both set the Debye length; give one.\n");
      return 1;
    }
    double debye = 0.0;
    if (const Status st = debyeLengthForSalt(c.salt, &debye); !st.ok()) {
      log.write(st.message().c_str());
      return 1;
    }
    c.debye = static_cast<float>(debye);
  }
  if (c.fitPot && c.potGiven) {
    log.printf("VANTRO Error: -fitPot fits the potential that -surfPot gives; give one.\n");
    return 1;
  }
  if (!c.elec) return 0;
  if (p.info.lcModel != kModelRod) {
    log.printf(
        "VANTRO Error: -elec has a preset for the rod medium (-pf1) only; give the "
        "wall's potential with -surfPot.\n");
    return 1;
  }
  if (!c.potGiven && !c.fitPot) c.surfPot = kPf1PresetPotential;
  return 0;
}

#define INT_FIELD(expr) [](P& p) -> int& { return p.expr; }
#define REAL_FIELD(expr) [](P& p) -> float& { return p.expr; }
#define TEXT_FIELD(expr) [](P& p) -> char* { return p.expr; }
#define ACT(body)                               \
  [](argList& a, P& p, S& s, Log& log) -> int { \
    (void)a;                                    \
    (void)p;                                    \
    (void)s;                                    \
    (void)log;                                  \
    body                                        \
  }

const optionSpec kOptions[] = {
    // Run mode.
    {"-stKorva", optKind::flag, kReadsSteric, "", "", nullptr, nullptr, nullptr,
     ACT(return setMode(p, kModeSteric);)},
    {"-stKorvaFree", optKind::flag, kReadsFree, "", "", nullptr, nullptr, nullptr,
     ACT(return setMode(p, kModeStericFree);)},
    {"-bestFit", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setMode(p, kModeBestFit);)},
    {"-anA", optKind::flag, kReadsCompareSaupe, "", "", nullptr, nullptr, nullptr, ACT({
       p.info.mode = kModeCompareSaupe;
       p.info.action = kActionSub;
       p.info.c1 = 1.0f;
       return 0;
     })},
    {"-anDC", optKind::flag, kReadsCompareDC, "", "", nullptr, nullptr, nullptr, ACT({
       p.info.mode = kModeCompareDC;
       p.info.action = kActionAdd;
       p.info.c1 = 0.0f;
       p.info.c2 = 1.0f;
       return 0;
     })},
    {"-map", optKind::integer, kReadsBestFit, "0", "", nullptr, nullptr, nullptr, ACT({
       a.intArgD("-map", &p.mapCount);
       if (p.mapCount >= 0) return 0;
       log.printf("VANTRO Error: -map needs a step count of 0 or more.\n");
       return 1;
     })},

    // Atom selection.
    {"-verb", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(s.verb = 1; return 0;)},
    {"-id", optKind::integer, kStructureModes, "1", "", INT_FIELD(select.value)},
    {"-inv", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(p.select.mode = kSelInverted; return 0;)},
    {"-res", optKind::text, kStructureModes, "", "", nullptr, nullptr, nullptr, ACT({
       if (a.strArgD("-res", s.first)) {
         std::strcpy(s.last, s.first);
         s.criteria = 1;
       }
       return 0;
     })},
    {"-r1", optKind::text, kStructureModes, "0", "", nullptr, nullptr, nullptr,
     ACT(return criterion(a, "-r1", s.first, s);)},
    {"-rN", optKind::text, kStructureModes, "0", "", nullptr, nullptr, nullptr,
     ACT(return criterion(a, "-rN", s.last, s);)},
    {"-atom", optKind::text, kStructureModes, "*", "", nullptr, nullptr, nullptr,
     ACT(return criterion(a, "-atom", p.select.atomNames, s);)},
    {"-resName", optKind::text, kStructureModes, "*", "", nullptr, nullptr, nullptr,
     ACT(return criterion(a, "-resName", p.select.resNames, s);)},
    {"-chain", optKind::text, kStructureModes, "*", "", nullptr, nullptr, nullptr,
     ACT(return criterion(a, "-chain", p.select.chainNames, s);)},
    {"-seg", optKind::text, kStructureModes, "*", "", nullptr, nullptr, nullptr,
     ACT(return criterion(a, "-seg", p.select.segNames, s);)},
    {nullptr, optKind::step, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(if (s.criteria) p.select.mode = kSelCriteria; return 0;)},
    {"-clear", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(p.select.mode = kSelClear; return 0;)},
    {"-set", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(p.select.mode = kSelSet; return 0;)},
    {"-exact", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchAll(p, kMatchExact);)},
    {"-regex", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchAll(p, kMatchRegex);)},
    {"-glob", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchAll(p, kMatchGlob);)},
    {"-aExact", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.atomMode, kMatchExact);)},
    {"-aRegex", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.atomMode, kMatchRegex);)},
    {"-aGlob", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.atomMode, kMatchGlob);)},
    {"-rExact", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.resMode, kMatchExact);)},
    {"-rRegex", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.resMode, kMatchRegex);)},
    {"-rGlob", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.resMode, kMatchGlob);)},
    {"-cExact", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.chainMode, kMatchExact);)},
    {"-cRegex", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.chainMode, kMatchRegex);)},
    {"-cGlob", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.chainMode, kMatchGlob);)},
    {"-sExact", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.segMode, kMatchExact);)},
    {"-sRegex", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.segMode, kMatchRegex);)},
    {"-sGlob", optKind::flag, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(return matchOne(&p.select.segMode, kMatchGlob);)},
    {nullptr, optKind::step, kStructureModes, "", "", nullptr, nullptr, nullptr, ACT({
       struct pdbSelect& sel = p.select;
       if (std::strcmp(s.first, "*") == 0 || std::strcmp(s.last, "*") == 0) {
         sel.rangeTest = 0;
       } else {
         sel.firstRes = static_cast<int>(std::strtol(s.first, nullptr, 10));
         sel.lastRes = static_cast<int>(std::strtol(s.last, nullptr, 10));
       }
       pdbSelectAdjust(&sel);
       if (!s.verb) return 0;
       log.printf("PDB Selection:");
       if (sel.mode == kSelSet) {
         log.printf(" All Atoms.\n");
       } else {
         log.printf(" %d to %d Atoms: %s Residues: %s Chains %s Segs: %s.\n", sel.firstRes,
                    sel.lastRes, sel.atomNames, sel.resNames, sel.chainNames, sel.segNames);
       }
       return 0;
     })},

    // Alignment tensor.
    {"-svd", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setTensorMode(p, kTensorSVD);)},
    {"-saupe", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setTensorMode(p, kTensorSaupe);)},
    {"-align", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setTensorMode(p, kTensorSaupe);)},
    {"-fixed", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setTensorMode(p, kTensorFixed);)},
    {"-nofixed", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setTensorMode(p, kTensorNoFixed);)},
    {"-dadr", optKind::flag, kReadsBestFit, "", "", nullptr, nullptr, nullptr,
     ACT(return setTensorMode(p, kTensorDaDr);)},
    {"-euler", optKind::flag, kReadsAll, "", "", nullptr, nullptr, nullptr,
     ACT(p.tensor.eulerFlag = 1; return 0;)},
    {"-noeuler", optKind::flag, kReadsAll, "", "", nullptr, nullptr, nullptr,
     ACT(p.tensor.eulerFlag = 0; return 0;)},
    {"-da", optKind::real, kReadsBestFit, "1.0e-3", "", nullptr, nullptr, nullptr,
     ACT(s.magnitudeGiven |= a.fltArgD("-da", &p.tensor.da); return 0;)},
    {"-dr", optKind::real, kReadsBestFit, "1.0e-4", "", nullptr, nullptr, nullptr,
     ACT(s.magnitudeGiven |= a.fltArgD("-dr", &p.tensor.dr); return 0;)},
    {nullptr, optKind::step, kReadsBestFit, "", "", nullptr, nullptr, nullptr, ACT({
       dTensor& t = p.tensor;
       // A magnitude given for an SVD fit asks for the fit with Da and Dr held.
       if (s.magnitudeGiven && t.tensorMode == kTensorSVD) t.tensorMode = kTensorDaDr;
       if (t.tensorMode == kTensorDaDr || t.tensorMode == kTensorFixed) {
         t.daMin = t.daMax = t.da;
         t.drMin = t.drMax = t.dr;
       }
       return 0;
     })},
    {"-daMin", optKind::real, kReadsBestFit, "-1.0e-2", "", nullptr, REAL_FIELD(tensor.daMin)},
    {"-daMax", optKind::real, kReadsBestFit, "1.0e-2", "", nullptr, REAL_FIELD(tensor.daMax)},
    {"-drMin", optKind::real, kReadsBestFit, "-1.0e-2", "", nullptr, REAL_FIELD(tensor.drMin)},
    {"-drMax", optKind::real, kReadsBestFit, "1.0e-2", "", nullptr, REAL_FIELD(tensor.drMax)},
    {"-psi", optKind::real, kReadsBestFit, "45.0", "", nullptr, REAL_FIELD(tensor.psi)},
    {"-theta", optKind::real, kReadsBestFit, "45.0", "", nullptr, REAL_FIELD(tensor.theta)},
    {"-phi", optKind::real, kReadsBestFit, "45.0", "", nullptr, REAL_FIELD(tensor.phi)},
    {nullptr, optKind::step, kReadsBestFit, "", "", nullptr, nullptr, nullptr, ACT({
       dTensor& t = p.tensor;
       if (t.tensorMode == kTensorFixed) {
         t.psiMin = t.psiMax = t.psi;
         t.thetaMin = t.thetaMax = t.theta;
         t.phiMin = t.phiMax = t.phi;
       }
       return 0;
     })},
    {"-psiMin", optKind::real, kReadsBestFit, "-360.0", "", nullptr, REAL_FIELD(tensor.psiMin)},
    {"-psiMax", optKind::real, kReadsBestFit, "360.0", "", nullptr, REAL_FIELD(tensor.psiMax)},
    {"-thetaMin", optKind::real, kReadsBestFit, "-360.0", "", nullptr, REAL_FIELD(tensor.thetaMin)},
    {"-thetaMax", optKind::real, kReadsBestFit, "360.0", "", nullptr, REAL_FIELD(tensor.thetaMax)},
    {"-phiMin", optKind::real, kReadsBestFit, "-360.0", "", nullptr, REAL_FIELD(tensor.phiMin)},
    {"-phiMax", optKind::real, kReadsBestFit, "360.0", "", nullptr, REAL_FIELD(tensor.phiMax)},
    {nullptr, optKind::step, kReadsBestFit, "", "", nullptr, nullptr, nullptr, ACT({
       // The five values follow -saupe, or -align when -saupe is absent.
       int pos = a.flagLoc("-saupe");
       if (pos == 0) pos = a.flagLoc("-align");
       if (pos == 0) return 0;
       double values[5];
       const int status = a.fixedListArg(pos, 5, values);
       if (status == 1) log.printf("VANTRO Error: -saupe option requires 5 values.\n");
       if (status != 0) return 1;
       for (int k = 0; k < 5; k++) p.tensor.saupeIn[k] = static_cast<float>(values[k]);
       return 0;
     })},
    {nullptr, optKind::step, kReadsAll, "", "", nullptr, nullptr, nullptr,
     ACT(p.info.euler = p.tensor.eulerFlag; return 0;)},

    // Program and report.
    {"-dbg", optKind::optionalInt, kReadsAll, "0", "", nullptr, nullptr, nullptr,
     ACT(optionalInt(a, "-dbg", 1, &p.dbgFlag); return 0;)},
    {"-noverb", optKind::optionalInt, kReadsAll, "", "", nullptr, nullptr, nullptr,
     ACT(optionalInt(a, "-noverb", 0, &p.info.verbose); return 0;)},
    {"-w", optKind::reals, kCouplingModes, "", "", nullptr, nullptr, nullptr,
     ACT(p.weights = a.rListArg("-w"); return 0;)},
    {"-in", optKind::text, kCouplingModes, "", "", nullptr, nullptr, TEXT_FIELD(inD)},
    {"-inD", optKind::text, kCouplingModes, "None", "", nullptr, nullptr, TEXT_FIELD(inD)},
    {"-out", optKind::text, kCouplingModes, "", "", nullptr, nullptr, TEXT_FIELD(outD)},
    {"-outD", optKind::text, kCouplingModes, "None", "", nullptr, nullptr, TEXT_FIELD(outD)},
    {"-pdb", optKind::text, kStructureModes, "None", "", nullptr, nullptr, TEXT_FIELD(pdb)},

    // Coupling selection.
    {"-d1", optKind::integer, kCouplingModes, "", "", INT_FIELD(dc.s1)},
    {"-dN", optKind::integer, kCouplingModes, "", "", INT_FIELD(dc.sN)},
    {"-s1", optKind::integer, kCouplingModes, "0", "", INT_FIELD(dc.s1)},
    {"-sN", optKind::integer, kCouplingModes, "0", "", INT_FIELD(dc.sN)},
    {"-a1", optKind::integer, kStructureModes, "0", "", INT_FIELD(dc.a1)},
    {"-excl", optKind::flag, kCouplingModes, "", "", nullptr, nullptr, nullptr,
     ACT(p.dc.rangeMode = 1; return 0;)},
    // The help has always written -incl; the spelling the program read is -inc.
    {"-inc", optKind::flag, kCouplingModes, "", "", nullptr, nullptr, nullptr,
     ACT(p.dc.rangeMode = 2; return 0;), "-incl"},

    // Names of files and texts.
    {"-rem", optKind::anyText, kStructureModes, "", "", nullptr, nullptr, nullptr,
     ACT(a.ptrArgD("-rem", &p.remark); return 0;)},
    {"-inp", optKind::text, kReadsSteric, "None", "", nullptr, nullptr, TEXT_FIELD(inp)},
    {"-outMap", optKind::text, kReadsBestFit, "None", "", nullptr, nullptr, TEXT_FIELD(outMap)},
    {"-pdbF", optKind::text, kReadsFree, "None", "", nullptr, nullptr, TEXT_FIELD(pdbF)},
    {"-pdbRot", optKind::text, kStructureModes, "None", "", nullptr, nullptr, TEXT_FIELD(pdbRot)},
    {"-model", optKind::integer, kStructureModes, "0",
     "N        [all]     Only model N (from 1) of a multi-model file; all: the ensemble.", nullptr,
     nullptr, nullptr, ACT({
       if (a.intArgD("-model", &p.model) && p.model < 1) {
         log.printf("VANTRO Error: -model value %d must be 1 or more.\n", p.model);
         return 1;
       }
       return 0;
     })},
    {"-list", optKind::text, kStructureModes, "",
     "NAME     [first]   Coupling list of a NEF, NMR-STAR or Xplor file.", nullptr, nullptr,
     TEXT_FIELD(list)},
    {"-outModels", optKind::text, kStructureModes, "",
     "fName    [None]    One row per model of an ensemble (Output).", nullptr, nullptr,
     TEXT_FIELD(outModels)},
    {"-perModel", optKind::flag, kReadsBestFit, "",
     "         [off]     Fit each model on its own; report mean and spread.", nullptr, nullptr,
     nullptr, ACT(p.perModel = 1; return 0;)},
    {"-noBuildH", optKind::flag, kStructureModes, "",
     "         [off]     Build no amide protons missing from the structure.", nullptr, nullptr,
     nullptr, ACT(p.noBuildH = 1; return 0;)},
    {"-aD1", optKind::text, kCouplingModes, "All", "", nullptr, nullptr, TEXT_FIELD(aD1)},
    {"-aD2", optKind::text, kCouplingModes, "All", "", nullptr, nullptr, TEXT_FIELD(aD2)},
    {"-inD1", optKind::text, kReadsCompareDC, "None", "", nullptr, nullptr, TEXT_FIELD(inD1)},
    {"-inD2", optKind::text, kReadsCompareDC, "None", "", nullptr, nullptr, TEXT_FIELD(inD2)},

    // Simulation.
    {"-bic", optKind::flag, kStericModes, "", "", nullptr, nullptr, nullptr, ACT({
       p.info.lcModel = kModelWall;
       p.info.rM = 20.0f;
       return 0;
     })},
    {"-pf1", optKind::flag, kStericModes, "", "", nullptr, nullptr, nullptr, ACT({
       p.info.lcModel = kModelRod;
       p.info.rM = 33.5f;
       return 0;
     })},
    {"-wv", optKind::real, kStericModes, "0.05", "", nullptr, REAL_FIELD(info.wv)},
    {"-dot", optKind::integer, kStericModes, "100", "", INT_FIELD(info.dot)},
    {"-digPsi", optKind::integer, kStericModes, "18", "", INT_FIELD(info.digPsi)},
    {"-dGrid", optKind::real, kStericModes, "0.2", "", nullptr, REAL_FIELD(info.dGrid)},
    {"-rM", optKind::real, kStericModes, "20.0", "", nullptr, REAL_FIELD(info.rM)},
    {"-lcS", optKind::real, kStericModes, "0.8", "", nullptr, REAL_FIELD(info.lcS)},
    {"-H", optKind::flag, kReadsSteric, "", "", nullptr, nullptr, nullptr,
     ACT(p.info.useH = 1; return 0;)},
    {"-noH", optKind::flag, kReadsSteric, "", "", nullptr, nullptr, nullptr,
     ACT(p.info.useH = 0; return 0;)},
    {"-surf", optKind::flag, kReadsSteric, "", "", nullptr, nullptr, nullptr,
     ACT(p.info.surf = 1; return 0;)},
    {"-nosurf", optKind::flag, kReadsSteric, "", "", nullptr, nullptr, nullptr,
     ACT(p.info.surf = 0; return 0;)},
    {"-rA", optKind::real, kStericModes, "0.0", "", nullptr, REAL_FIELD(info.rA)},
    {"-rim", optKind::real, kStericModes, "", "", nullptr, REAL_FIELD(info.rim)},
    {"-pRatio", optKind::real, kStericModes, "", "", nullptr, REAL_FIELD(info.pRatio)},
    {"-lM", optKind::real, kStericModes, "", "", nullptr, REAL_FIELD(info.lM)},
    {"-rimDisc", optKind::real, kStericModes, "", "", nullptr, REAL_FIELD(info.rimDisc)},

    // Charged medium.
    {"-surfPot", optKind::real, kReadsSteric, "0.0",
     "Y        [0.0]     Surface potential of the medium [kT/e]; 0: steric alone.", nullptr,
     nullptr, nullptr, ACT({
       p.charge.potGiven = a.fltArgD("-surfPot", &p.charge.surfPot);
       return 0;
     })},
    {"-debye", optKind::real, kReadsSteric, "10.0",
     "L        [10.0]    Debye length of the medium [A].", nullptr, nullptr, nullptr, ACT({
       p.charge.debyeGiven = a.fltArgD("-debye", &p.charge.debye);
       return positiveValue(p.charge.debyeGiven, "-debye", p.charge.debye, log);
     })},
    {"-salt", optKind::real, kReadsSteric, "",
     "C        [none]    1:1 salt [mM], for -debye 3.04 / sqrt(C/1000).", nullptr, nullptr, nullptr,
     ACT({
       const int given = a.fltArgD("-salt", &p.charge.salt);
       return positiveValue(given, "-salt", p.charge.salt, log);
     })},
    {"-charges", optKind::text, kReadsSteric, "None",
     "qName    [None]    Charge table replacing the ionised groups at pH 6.5.", nullptr, nullptr,
     TEXT_FIELD(charge.charges)},
    {"-elec", optKind::flag, kReadsSteric, "",
     "         [off]     Preset of the charged rod (-pf1): -surfPot -4.5 -debye 10.", nullptr,
     nullptr, nullptr, ACT(p.charge.elec = 1; return 0;)},
    {"-fitPot", optKind::flag, kReadsSteric, "",
     "         [off]     Fit -surfPot within -10..10 to the couplings of -inD (largest R).",
     nullptr, nullptr, nullptr, ACT(p.charge.fitPot = 1; return 0;)},
    {nullptr, optKind::step, kReadsSteric, "", "", nullptr, nullptr, nullptr,
     ACT(return resolveCharges(p, log);)},

    // Tensor comparison.
    {"-inS1", optKind::five, kReadsCompareSaupe, "", "", nullptr, nullptr, nullptr,
     ACT(return fiveValues(a, "-inS1", "-inS1", p.saupeCp1, log);)},
    {"-inS2", optKind::five, kReadsCompareSaupe, "", "", nullptr, nullptr, nullptr,
     ACT(return fiveValues(a, "-inS2", "-inS2", p.saupeCp2, log);)},
    {"-outA", optKind::text, kReadsFree | kReadsCompareSaupe, "None", "", nullptr, nullptr,
     TEXT_FIELD(outA)},
    {"-add", optKind::flag, kCompareModes, "", "", nullptr, nullptr, nullptr,
     ACT(return setAction(p, kActionAdd);)},
    {"-sub", optKind::flag, kCompareModes, "", "", nullptr, nullptr, nullptr,
     ACT(return setAction(p, kActionSub);)},
    {"-mul", optKind::flag, kCompareModes, "", "", nullptr, nullptr, nullptr,
     ACT(return setAction(p, kActionMul);)},
    {"-div", optKind::flag, kCompareModes, "", "", nullptr, nullptr, nullptr,
     ACT(return setAction(p, kActionDiv);)},
    {"-max", optKind::flag, kCompareModes, "", "", nullptr, nullptr, nullptr,
     ACT(return setAction(p, kActionMax);)},
    {"-c1", optKind::real, kCompareModes, "1.0", "", nullptr, REAL_FIELD(info.c1)},
    {"-c2", optKind::real, kCompareModes, "1.0", "", nullptr, REAL_FIELD(info.c2)},

    // Accepted so that older command lines still run; no mode reads them.
    {"-inCS", optKind::ignored, 0, "", ""},
    {"-outCS", optKind::ignored, 0, "", ""},
    {"-outS", optKind::ignored, 0, "", ""},
    {"-ref", optKind::ignored, 0, "", ""},
    {"-path", optKind::ignored, 0, "", ""},
    {"-list", optKind::ignored, 0, "", ""},
    {"-sPath", optKind::ignored, 0, "", ""},
    {"-sList", optKind::ignored, 0, "", ""},
    {"-rList", optKind::ignored, 0, "", ""},
    {"-csThresh", optKind::ignored, 0, "", ""},
    {"-vcThresh", optKind::ignored, 0, "", ""},
    {"-fit", optKind::flag, 0, "", "", nullptr, nullptr, nullptr, ACT(return 0;)},
    {"-nofit", optKind::flag, 0, "", "", nullptr, nullptr, nullptr, ACT(return 0;)},
    {"-sID", optKind::integer, 0, "", "", INT_FIELD(dc.sID)},
    {"-dStep", optKind::integer, 0, "", "", INT_FIELD(dc.dStep)},
    {"-sStep", optKind::integer, 0, "", "", INT_FIELD(dc.dStep)},
};

#undef INT_FIELD
#undef REAL_FIELD
#undef TEXT_FIELD
#undef ACT

// The help as the program has always printed it. The simulation parameters are listed under
// both steric modes.
const helpLine kHelp[] = {
    {nullptr, ""},
    {nullptr,
     "KORVA: steric alignment prediction and alignment-tensor fitting from dipolar couplings"},
    {nullptr, ""},
    {nullptr, ""},
    {nullptr, "ARGUMENTS FOR STERIC KORVA"},
    {"-stKorva", " -stKorva          [on]      Steric KORVA Mode."},
    {"-pdb", " -pdb     pName    [None]    PDB Input (Required)."},
    {"-inD", " -inD     dName    [None]    Dipolar Coupling (Input)."},
    {"-inp", " -inp     inpName  [None]    Configuration file (Input)."},
    {"-outD", " -outD    dName    [None]    Dipolar Coupling (Output)."},
    {"-pdbRot", " -pdbRot  pRotName [None]    PDB rotated (Output)."},
    {nullptr, "Simulation Parameters:"},
    {"-bic", " -bic              [on]      Wall LC Model."},
    {"-pf1", " -pf1              [off]     Rod LC Model."},
    {"-wv", " -wv      conc     [0.05]    Liquid Crystal Concentration [mg/ml]."},
    {"-dot", " -dot     density  [100]     Orientation Density (Sphere)."},
    {"-digPsi", " -digPsi  digPsi   [18]      Orientation Density (3rd angle)."},
    {"-dGrid", " -dGrid   gridSpac [0.2]     Grid Spacing [A]."},
    {"-rM", " -rM      radius   [20.0]    Half Model Thickness [A]."},
    {"-lcS", " -lcS     order    [0.8]     Liquid Crystal Order [0-1]."},
    {"-surf", " -surf             [on]      Select Surface Accessible Atoms."},
    {"-nosurf", " -nosurf           [off]     Don't Select Surface Accessible Atoms."},
    {"-rA", " -rA      radius   [0.0]     Atom radius [A]."},
    {nullptr, "PDB Selection Flags:"},
    {"-H", " -H                [off]     Simple PDB Selection (all Atoms)."},
    {"-noH", " -noH              [on]      Simple PDB Selection (all Atoms except H)."},
    {"-res", " -res     resID              Single Residue for Selection."},
    {"-r1", " -r1      res1     [0]       First Residue in Segment."},
    {"-rN", " -rN      resN     [0]       Last Residue in Segment."},
    {"-atom", " -atom    aList    [*]       Atom Name List."},
    {"-resName", " -resName rList    [*]       Res Name List."},
    {"-chain", " -chain   cList    [*]       Chain Name List."},
    {"-seg", " -seg     sList    [*]       Seg Name List."},
    {"-id", " -id      sID      [*]       Selection ID."},
    {"-inv", " -inv                        Invert Selection."},
    {nullptr, "PDB Special Selection; No Other Selection Performed:"},
    {"-clear", " -clear                      Clear Selection for All Atoms."},
    {"-set", " -set                        Set Selection for All Atoms."},
    {nullptr, "PDB Name Matching Modes:"},
    {"-exact", " -exact                      Match Names Exactly (Default)."},
    {"-regex", " -regex                      Regular Expression Pattern Matching."},
    {"-glob", " -glob                       Glob-style Pattern Matching."},
    {"-aExact", " -aExact                     Match Atom Names Exactly."},
    {"-aRegex", " -aRegex                     Atom Regular Expression Pattern Matching."},
    {"-aGlob", " -aGlob                      Atom Glob-style Pattern Matching."},
    {"-rExact", " -rExact                     Match Res Names Exactly."},
    {"-rRegex", " -rRegex                     Res Regular Expression Pattern Matching."},
    {"-rGlob", " -rGlob                      Res Glob-style Pattern Matching."},
    {"-cExact", " -cExact                     Match Chain Names Exactly."},
    {"-cRegex", " -cRegex                     Chain Regular Expression Pattern Matching."},
    {"-cGlob", " -cGlob                      Chain Glob-style Pattern Matching."},
    {"-sExact", " -sExact                     Match Seg Names Exactly."},
    {"-sRegex", " -sRegex                     Seg Regular Expression Pattern Matching."},
    {"-sGlob", " -sGlob                      Seg Glob-style Pattern Matching."},
    {nullptr, "DC Selection Flags:"},
    {"-a1", " -a1      aRes1    [0]       First Res in PDB."},
    {"-s1", " -s1      res1     [0]       First Res in Segment."},
    {"-sN", " -sN      resN     [0]       Last Res in Segment."},
    {"-aD1", " -aD1     atom     {All}     DC Atom Type 1 used."},
    {"-aD2", " -aD2     atom     {All}     DC Atom Type 2 used."},
    {nullptr, ""},
    {nullptr, ""},
    {nullptr, "ARGUMENTS FOR FREE FORMAT, STERIC KORVA"},
    {"-stKorvaFree", " -stKorvaFree      [off]     Free Format Steric KORVA Mode."},
    {"-pdbF", " -pdbF    pdbFName [None]    PDB Input (free format) (Required)."},
    {"-outA", " -outA    outAName [None]    Predicted Saupe Matrix (Output)."},
    {nullptr, "Simulation Parameters:"},
    {"-bic", " -bic              [on]      Wall LC Model."},
    {"-pf1", " -pf1              [off]     Rod LC Model."},
    {"-wv", " -wv      conc     [0.05]    Liquid Crystal Concentration [mg/ml]."},
    {"-dot", " -dot     density  [100]     Orientation Density (Sphere)."},
    {"-digPsi", " -digPsi  digPsi   [18]      Orientation Density (3rd angle)."},
    {"-dGrid", " -dGrid   gridSpac [0.2]     Grid Spacing [A]."},
    {"-rM", " -rM      radius   [20.0]    Half Model Thickness [A]."},
    {"-lcS", " -lcS     order    [0.8]     Liquid Crystal Order [0-1]."},
    {"-surf", " -surf             [on]      Select Surface Accessible Atoms."},
    {"-nosurf", " -nosurf           [off]     Don't Select Surface Accessible Atoms."},
    {"-rA", " -rA      radius   [0.0]     Atom radius [A]."},
    {nullptr, ""},
    {nullptr, ""},
    {nullptr, "ARGUMENTS FOR BEST-FIT (SVD/POWELL)"},
    {"-bestFit", " -bestFit        [off]       Pure Best-Fit Mode."},
    {"-pdb", " -pdb     pName  [None]      PDB Input (Required)."},
    {"-inD", " -inD     dName  [None]      Dipolar Coupling (Input)."},
    {"-outD", " -outD    dName  [None]      Best-fit Coupling (Output)."},
    {"-map", " -map     mapCount  [0]      Mapping of Error Space."},
    {"-outMap", " -outMap  mName  [None]      World Map Coordinates (Output)."},
    {nullptr, "Alignment Tensor Specification Methods:"},
    {"-svd", " -svd         SVD Calc of Saupe Matrix (Default)."},
    {"-saupe", " -saupe sList List of 5 Saupe Values (also: -align)."},
    {"-fixed", " -fixed       Fixed Da, Dr, and Rotations."},
    {"-nofixed", " -nofixed     Variable Da, Dr, and Rotations."},
    {"-dadr", " -dadr        Fixed Da and Dr, Variable Rotations."},
    {nullptr, "Alignment Tensor Magnitude and Rhombicity Limits:"},
    {"-da", " -da          [1.0e-3]      Initial DA Value."},
    {"-daMin", " -daMin      [-1.0e-2]      Minimum Initial DA Value."},
    {"-daMax", " -daMax       [1.0e-2]      Maximum Initial DA Value."},
    {"-dr", " -dr          [1.0e-4]      Initial DR Value."},
    {"-drMin", " -drMin      [-1.0e-2]      Minimum Initial DR Value."},
    {"-drMax", " -drMax       [1.0e-2]      Maximum Initial DR Value."},
    {nullptr, "Rotation Angle Starting Values and Limits:"},
    {"-psi", " -psi           [45.0]      Initial X-Axis Rotation."},
    {"-psiMax", " -psiMax       [360.0]      Maximum X-Axis Rotation."},
    {"-psiMin", " -psiMin      [-360.0]      Minimum X-Axis Rotation."},
    {"-theta", " -theta         [45.0]      Initial Y-Axis Rotation."},
    {"-thetaMax", " -thetaMax     [360.0]      Maximum Y-Axis Rotation."},
    {"-thetaMin", " -thetaMin    [-360.0]      Minimum Y-Axis Rotation."},
    {"-phi", " -phi           [45.0]      Initial Z-Axis Rotation."},
    {"-phiMax", " -phiMax       [360.0]      Maximum Z-Axis Rotation."},
    {"-phiMin", " -phiMin      [-360.0]      Minimum Z-Axis Rotation."},
    {nullptr, "Selection Flags:"},
    {"-a1", " -a1      aRes1  [0]         First Res in PDB."},
    {"-s1", " -s1      res1   [0]         First Res in Segment."},
    {"-sN", " -sN      resN   [0]         Last Res in Segment."},
    {"-aD1", " -aD1     atom   {All}       DC Atom Type 1 used."},
    {"-aD2", " -aD2     atom   {All}       DC Atom Type 2 used."},
    {nullptr, ""},
    {nullptr, ""},
    {nullptr, "ARGUMENTS FOR ANALYSIS OF ORDER MATRIX"},
    {"-anA", " -anA        [off]           Analysis of 2 Saupe matrices."},
    {"-inS1", " -inS1 sList List of 5 Saupe Values (Input)."},
    {"-inS2", " -inS2 sList List of 5 Saupe Values (Input)."},
    {"-outA", " -outA       outAName [None] Saupe Analysis (Output)."},
    {nullptr, "Action Flags:"},
    {"-add", " -add   Action: inS1 + inS2"},
    {"-sub", " -sub   Action: inS1 - inS2 (Default)"},
    {"-mul", " -mul   Action: inS1 * inS2"},
    {"-div", " -div   Action: inS1 / inS2"},
    {"-max", " -max   Action: Max(inS1, inS2)"},
    {nullptr, "            (Tests general magnitude)"},
    {nullptr, "Other Options:"},
    {"-c1", " -c1    scale [1.0]  Scale factor for inS1"},
    {"-c2", " -c2    scale [1.0]  Scale factor for inS2"},
    {nullptr, ""},
    {nullptr, ""},
    {nullptr, "ARGUMENTS FOR ANALYSIS OF DIPOLAR COUPLINGS"},
    {"-anDC", " -anDC       [off]           Analysis of 2 Sets of Dipolar Couplings."},
    {"-inD1", " -inD1       d1Name   [None] Dipolar Coupling Set 1 (Input)."},
    {"-inD2", " -inD2       d2Name   [None] Dipolar Coupling Set 2 (Input)."},
    {"-outD", " -outD       outDName [None] DC Analysis (Output)."},
    {nullptr, "Selection Flags:"},
    {"-s1", " -s1      res1     [0]       First Res in Segment."},
    {"-sN", " -sN      resN     [0]       Last Res in Segment."},
    {"-aD1", " -aD1     atom     {All}     DC Atom Type 1 used."},
    {"-aD2", " -aD2     atom     {All}     DC Atom Type 2 used."},
    {nullptr, "Action Flags:"},
    {"-add", " -add   Action: d1Name + d2Name (Default)"},
    {"-sub", " -sub   Action: d1Name - d2Name"},
    {"-mul", " -mul   Action: d1Name * d2Name"},
    {"-div", " -div   Action: d1Name / d2Name"},
    {nullptr, "Other Options:"},
    {"-c1", " -c1    scale [0.0]  Scale factor for d1Name"},
    {"-c2", " -c2    scale [1.0]  Scale factor for d2Name"},
    {nullptr, ""},
    {nullptr, ""},
    {nullptr, "COMMOM ARGUMENTS"},
    {"-euler", " -euler    Solve for Euler Angles, Da, Dr (Default)."},
    {"-noeuler", " -noeuler  Don't Solve for Euler Angles."},
    {"-w", " -w     wList              List of Weights for Segment."},
    {"-excl", " -excl                     Exclude Outside Range."},
    {"-incl", " -incl                     Include Any Within Range."},
    {"-noverb", " -noverb                   Verbose mode OFF."},
    {"-rem", " -rem   remTxt             PDB Remark Text."},
};

// Looks up one option (and its other spelling) and applies it. Returns 0, or 1 to stop.
int applyOption(const optionSpec& o, argList& a, runParams& p, parseState& s, Log& log) {
  if (o.kind == optKind::step) return o.act(a, p, s, log);
  for (const char* name : {o.name, o.alias}) {
    if (name == nullptr) continue;
    int status = 0;
    if (o.intField != nullptr) {
      a.intArgD(name, &o.intField(p));
    } else if (o.realField != nullptr) {
      a.fltArgD(name, &o.realField(p));
    } else if (o.textField != nullptr) {
      a.strArgD(name, o.textField(p));
    } else if (o.kind == optKind::ignored) {
      a.ptrArg(name);
    } else if (o.kind == optKind::flag) {
      if (a.flagLoc(name)) status = o.act(a, p, s, log);
    } else {
      status = o.act(a, p, s, log);
    }
    if (status != 0) return status;
  }
  return 0;
}

// The value word of the option at pos: nullptr when it is missing (the option is last or followed
// by another option).
const char* valueWord(const argList& a, int pos) {
  if (pos + 1 >= a.argc()) return nullptr;
  const char* v = a.argv()[pos + 1];
  return v == nullptr || isFlag(v) ? nullptr : v;
}

// Checks that a word is a whole number within the range of an int, or a finite real.
bool isInteger(const char* w) {
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(w, &end, 10);
  return end != w && *end == '\0' && errno == 0 && v >= INT_MIN && v <= INT_MAX;
}
bool isReal(const char* w, double* v) {
  char* end = nullptr;
  *v = std::strtod(w, &end);
  return end != w && *end == '\0' && std::isfinite(*v) && std::isfinite(static_cast<float>(*v));
}

// Checks the value of one present option by its kind. Returns 0, or 1 after an error line.
int checkValue(const optionSpec& o, const char* name, const argList& a, int pos, Log& log) {
  const char* v = valueWord(a, pos);
  double real = 0.0;
  switch (o.kind) {
    case optKind::integer:
    case optKind::real:
    case optKind::text:
    case optKind::anyText:
      if (v == nullptr) {
        log.printf("VANTRO Error: %s needs a value.\n", name);
        return 1;
      }
      if (o.kind == optKind::integer && !isInteger(v)) {
        log.printf("VANTRO Error: %s value '%s' is not a whole number within range.\n", name, v);
        return 1;
      }
      if (o.kind == optKind::real && !isReal(v, &real)) {
        log.printf("VANTRO Error: %s value '%s' is not a number within range.\n", name, v);
        return 1;
      }
      return 0;
    case optKind::optionalInt:
      if (v != nullptr && !isInteger(v)) {
        log.printf("VANTRO Error: %s value '%s' is not a whole number within range.\n", name, v);
        return 1;
      }
      return 0;
    case optKind::reals:
      for (int i = pos + 1; i < a.nextFlag(pos); i++) {
        if (!isReal(a.argv()[i], &real)) {
          log.printf("VANTRO Error: %s value '%s' is not a number within range.\n", name,
                     a.argv()[i]);
          return 1;
        }
      }
      return 0;
    default:
      return 0;
  }
}

// Checks the values of every option on the command line before any of them is used, so that a
// value that is missing or not a number stops the run instead of being read as 0.
int checkValues(const argList& a, Log& log) {
  for (const optionSpec& o : kOptions) {
    for (const char* name : {o.name, o.alias}) {
      if (name == nullptr) continue;
      const int pos = a.find(name);
      if (pos != 0 && checkValue(o, name, a, pos, log) != 0) return 1;
    }
  }
  return 0;
}

// Checks the values whose meaning limits them.
int checkRanges(const runParams& p, Log& log) {
  if (!(p.info.lcS >= 0.0f && p.info.lcS <= 1.0f)) {
    log.printf("VANTRO Error: -lcS value %g must lie between 0 and 1.\n",
               static_cast<double>(p.info.lcS));
    return 1;
  }
  // The structure's residue that matches the segment's first one: their difference shifts every
  // residue number of the couplings.
  const dcInfo& dc = p.dc;
  if (dc.a1 >= kResUnsetBelow && dc.s1 >= kResUnsetBelow) {
    const long long shift = static_cast<long long>(dc.a1) - dc.s1;
    if (shift < INT_MIN || shift > INT_MAX) {
      log.printf("VANTRO Error: -a1 %d and -s1 %d are too far apart.\n", dc.a1, dc.s1);
      return 1;
    }
  }
  return 0;
}

// Distance of two option names up to one edit; 2 means further.
int nearName(const char* a, const char* b) {
  const size_t la = std::strlen(a), lb = std::strlen(b);
  if (la + 1 < lb || lb + 1 < la) return 2;
  size_t i = 0;
  while (i < la && i < lb && a[i] == b[i]) i++;
  if (i == la && i == lb) return 0;
  const char* ra = a + i;
  const char* rb = b + i;
  // One substitution, one insertion, one deletion, or one swap of neighbours.
  if (std::strcmp(ra + 1, rb + 1) == 0 && la == lb) return 1;
  if (std::strcmp(ra, rb + 1) == 0 || std::strcmp(ra + 1, rb) == 0) return 1;
  if (la == lb && ra[0] == rb[1] && ra[1] == rb[0] && std::strcmp(ra + 2, rb + 2) == 0) return 1;
  return 2;
}

bool knownOption(const char* w) {
  for (const char* known : {"-help", "--help", "-h", "--version", "-version"}) {
    if (std::strcmp(w, known) == 0) return true;
  }
  for (const optionSpec& o : kOptions) {
    for (const char* name : {o.name, o.alias}) {
      if (name != nullptr && std::strcmp(name, w) == 0) return true;
    }
  }
  return false;
}

}  // namespace

void suggestOptions(const argList& a, Log& log) {
  if (a.checking()) return;
  for (int i = 1; i < a.argc(); i++) {
    const char* w = a.argv()[i];
    if (a.marked(i) || !isFlag(w) || knownOption(w)) continue;
    const char* best = nullptr;
    for (const optionSpec& o : kOptions) {
      for (const char* name : {o.name, o.alias}) {
        if (name == nullptr || best != nullptr) continue;
        if (strcasecmp(name, w) == 0 || nearName(name, w) <= 1) best = name;
      }
    }
    if (best != nullptr) log.printf("unknown option %s; did you mean %s?\n", w, best);
  }
}

std::span<const optionSpec> optionTable() {
  return kOptions;
}

std::span<const helpLine> helpLayout() {
  return kHelp;
}

void writeHelpText(FILE* stream) {
  for (const helpLine& line : kHelp) {
    std::fputs(line.text, stream);
    std::fputc('\n', stream);
  }
  // Options added since the original help are described by the table itself, after it.
  bool heading = false;
  for (const optionSpec& o : kOptions) {
    if (o.help == nullptr || o.help[0] == '\0') continue;
    if (!heading) std::fputs("\n\nADDITIONAL ARGUMENTS\n", stream);
    heading = true;
    std::fprintf(stream, " %-16s  %s\n", o.name, o.help);
  }
}

int getparams(argList& args, runParams& p, Log& log) {
  if (checkValues(args, log) != 0) return 1;
  parseState state;
  for (const optionSpec& o : kOptions) {
    if (applyOption(o, args, p, state, log) != 0) return 1;
  }
  if (args.overflowed()) return 1;
  return checkRanges(p, log);
}

}  // namespace korva
