// The plain best-fit run: fit, report, and the structure written in the tensor's principal frame.
#pragma once

#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Fits the tensor of tab to its couplings on pdb (by tab's tensorMode), writes the report to
// outFile (standard output when empty) and, when pdbOut is not empty, the structure rotated into
// the tensor's principal frame with the remark text (may be null). pdb's coordinates are
// restored afterwards; everything stays owned by the caller. Returns 0, or 1 after an error line
// (nonlinear mode, fewer than five usable couplings for an SVD fit, failed analysis or failed
// structure write).
int simDC(pdbInfo* pdb, dTab* tab, const korvaInfo* info, const char* remark, const char* outFile,
          const char* pdbOut, int verbosity);

}  // namespace korva
