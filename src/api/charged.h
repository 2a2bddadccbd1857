// Charge-aware steric prediction: the simulation in a charged medium, the search of the medium's
// surface potential against measured couplings, and the summary that the report shows.
#pragma once

#include "align/charges.h"
#include "align/coords.h"
#include "core/alloc.h"
#include "core/log.h"
#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tables/run_info.h"
#include "tensor/tensor.h"

namespace korva {

// The range of the potential's search, kT/e, its coarse step (the rows of the curve) and the
// fine step of its refinement around the best coarse value.
constexpr double kFitPotMin = -10.0;
constexpr double kFitPotMax = 10.0;
constexpr double kFitPotCoarseStep = 1.0;
constexpr double kFitPotFineStep = 0.05;
// Electrostatic fraction from which the magnitude of the prediction is not to be trusted.
constexpr double kCautionFraction = 0.9;

// The charged medium of a steric prediction.
struct chargeOptions {
  double y0 = 0.0;                     // surface potential, kT/e
  double debye = 10.0;                 // Debye length, A
  bool fitPotential = false;           // search y0 for the largest R against the couplings
  const chargeSet* charges = nullptr;  // nullptr: the ionised groups at pH ~6.5
};

// Whether the options ask for anything beyond the steric model.
inline bool chargesActive(const chargeOptions& o) {
  return o.y0 != 0.0 || o.fitPotential;
}

// Each model of an ensemble would need its own charges placed and its own potential searched;
// until then a charged medium takes one model.
inline constexpr const char* kEnsembleChargeError =
    "KORVA: error - a charged medium is simulated on one model; choose it with -model N.\n";

// Checks what a charged medium needs before any work: couplings enough for the potential's
// search. Returns 0, or 1 after one "KORVA: error - ..." line.
[[nodiscard]] int checkChargeOptions(const chargeOptions& options, const dTab& tab, Log& log);

// One potential of the search: its R against the couplings and its electrostatic fraction.
struct potentialPoint {
  double y0 = 0.0, r = 0.0, fraction = 0.0;
};

// What a charge-aware prediction reports.
struct chargeSummary {
  bool active = false;  // a potential was simulated (the report shows the rest)
  int model = kModelWall;
  double y0 = 0.0;        // the potential simulated (the best one when fitted), kT/e
  double debye = 10.0;    // A
  double sigma = 0.0;     // equivalent surface charge density, e/nm^2
  int sites = 0;          // charge sites
  double net = 0.0;       // net charge, e
  double fraction = 0.0;  // electrostatic fraction mean(X) / (Z0 + mean(X))
  bool fitted = false;    // y0 was searched
  double r = 0.0;         // R at the best potential
  double scale = 0.0;     // factor of the predicted couplings (0: not scaled)
  tvector<potentialPoint> curve{TrackedAllocator<potentialPoint>("potential curve")};
};

// The charge-aware simulation of the simulated atoms (copied; the caller's stay as they are):
// the charges of options (or those of pdb's ionised groups) in the medium of info at the
// potential of options, or, with fitPotential, at the potential of the largest R of the
// couplings of tab over kFitPotMin..kFitPotMax (a coarse scan, then a fine one around its best).
// S receives the Saupe vector as simulateAlignment gives it (scaled by the order of the medium,
// not negated); summary what the report shows. Returns 0, or 1 after the reason on log.
[[nodiscard]] int simulateCharged(const pdbInfo& pdb, const dTab& tab, const korvaInfo& info,
                                  const simAtoms& atoms, int ndots, const double* points,
                                  const chargeOptions& options, double S[5], chargeSummary* summary,
                                  Log& log);

// In a charged medium the magnitude of the prediction is not reliable: predicts the couplings of
// tab from the direction of tensor's Saupe vector at the scale that fits the measured couplings
// best (least squares on the weighted values the statistics compare). The tensor stays the
// model's. Returns the factor on its Saupe vector, or 0 when no coupling is usable or the
// prediction does not correlate positively with them (the predictions are then left as they were).
double scalePredictions(const pdbInfo& pdb, dTab* tab, const dTensor& tensor);

}  // namespace korva
