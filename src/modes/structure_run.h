// The two halves of the structure-based modes after the shared sequence: the steric prediction
// and the best fit (with its error-space mapping). Internal to the modes.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "modes/modes.h"
#include "structure/pdb.h"
#include "tables/dtab.h"

namespace korva {

// Simulates, analyses, predicts the couplings of tab (when nCouplings > 0), reports and writes the
// rotated structure. flags marks the atoms selected for the simulation.
[[nodiscard]] int stericRun(const pdbInfo& pdb, dTab* tab, const tvector<int>& flags, runParams& p,
                            int nCouplings, Log& log);
// Fits, reports and writes the rotated structure; with a map count, maps the error space.
[[nodiscard]] int bestFitRun(const pdbInfo& pdb, dTab* tab, runParams& p, Log& log);

}  // namespace korva
