// The steric prediction step of the structure-based run: simulate, analyse, predict, report.
#pragma once

#include "cli/params.h"
#include "modes/sequence.h"
#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Runs the steric prediction on the atoms selected in pdb (hydrogens already dropped unless -H):
// reads the -inp configuration, simulates the Saupe vector (scaled by the liquid-crystal order
// and negated) into buf->saupe, analyses it into buf's results, predicts the couplings of tab when
// nCouplings > 0 (else stores the vector as the tensor), writes the report to args->outD and, with
// -pdbRot, the structure rotated into the tensor's principal frame. info is changed by
// refine_bicelle and the selection by the surface step; all records stay owned by the caller.
// Returns 0, or the failing step's status after its line.
int stericRun(pdbInfo* pdb, dTab* tab, korvaInfo* info, const runArgs* args, int nCouplings,
              runBuffers* buf);

}  // namespace korva
