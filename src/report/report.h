// The coupling and tensor report, and the agreement statistics it prints.
#pragma once

#include <cstdio>

#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Writes the report of the run to the file name (opened with mode), or to standard output when
// the name is empty or cannot be opened. Returns 0, or 1 when the tensor analysis failed.
int writeDCmod(const char* name, const char* mode, dTab* tab, const korvaInfo* info,
               const char* remark);
// Agreement statistics of the predicted against the observed couplings; all outputs must be zero
// on entry. Returns 0, or 1 when work arrays cannot be had.
int getStatDCmod(const dTab* tab, float* rms, float* chi2, float* q, float* r, float* offset,
                 float* offsetErr, float* slope, float* slopeErr, float* kebSlope,
                 float* kebSlopeErr, int* n);

}  // namespace korva
