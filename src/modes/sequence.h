// The run sequence shared by the structure-based modes: structure, couplings, selections, then
// the best fit (mode 7) or the steric prediction (mode 1).
#pragma once

#include "tensor/saupe_analysis.h"
#include "core/alloc.h"
#include "cli/params.h"
#include "structure/pdb.h"
#include "tables/dtab.h"

namespace korva {

constexpr int kCoordExtra = 801;  // coordinate slots beyond the atom count

// The buffers and results of a structure-based run; owned by the run frame for the whole run.
struct runBuffers {
  tvector<double> x{TrackedAllocator<double>("matrix")};  // selected coordinates, 1-based
  tvector<double> y{TrackedAllocator<double>("matrix")};
  tvector<double> z{TrackedAllocator<double>("matrix")};
  double saupe[5];  // simulated Saupe vector
  double irrSaupe[5];
  double eigVal[3];
  double eigVec[3][3];
  double gMag, da, dr;
  double alphaList[kSaupeFrames], betaList[kSaupeFrames], gammaList[kSaupeFrames];
};

// Zeroes the results; the buffers stay empty until the sequence allocates them.
void runBuffersNull(runBuffers* buf);

// Runs the sequence for info->mode (1 or 7) on the records of the run frame, which keeps
// ownership of all of them. Returns 0, or the status of the failing step after its error line.
int runStructureSequence(pdbInfo* pdb, dTab* tab, korvaInfo* info, dcInfo* dc,
                         struct pdbSelect* select, runArgs* args, runBuffers* buf);

}  // namespace korva
