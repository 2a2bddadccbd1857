// The two halves of the structure-based modes after the shared sequence: the steric prediction
// and the best fit (with its error-space mapping). Internal to the modes.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "modes/modes.h"
#include "structure/models.h"
#include "structure/pdb.h"
#include "structure/select.h"
#include "tables/dtab.h"

namespace korva {

// Simulates, analyses, predicts the couplings of tab (when nCouplings > 0), reports and writes the
// rotated structure. flags marks the atoms selected for the simulation.
[[nodiscard]] int stericRun(const pdbInfo& pdb, dTab* tab, const tvector<int>& flags, runParams& p,
                            int nCouplings, Log& log);
// Fits, reports and writes the rotated structure; with a map count, maps the error space.
[[nodiscard]] int bestFitRun(const pdbInfo& pdb, dTab* tab, runParams& p, Log& log);

// The steric prediction of an ensemble: each model simulated with the selection, each coupling's
// prediction the mean of the models' predictions with their own tensors, the reported tensor the
// mean of theirs; -outModels receives one row per model. tab is mapped onto the first model.
[[nodiscard]] int ensembleStericRun(const modelSet& set, dTab* tab,
                                    const struct pdbSelect& selection, runParams& p, int nCouplings,
                                    Log& log);
// The best fit to an ensemble: one tensor to the couplings averaged over the models, or with
// -perModel one tensor per model, reported by their mean and spread.
[[nodiscard]] int ensembleFitRun(const modelSet& set, dTab* tab, runParams& p, Log& log);

}  // namespace korva
