// The free-format steric prediction mode and the parameter checks both steric modes share.
#pragma once

#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Checks the simulation options of info before any work is done: -dot at least 3, -digPsi at
// least 1, -dGrid above 0. Returns 0, or 1 after one "KORVA: error - ..." line.
int checkStericOptions(const korvaInfo* info);

// The whole free-format mode: reads the coordinates of freeName, keeps their surface-accessible
// atoms, simulates the Saupe vector (scaled by the liquid-crystal order and negated), stores it
// in table's Saupe fields and writes the report to outName (standard output when empty). info is
// changed by refine_bicelle; table stays owned by the caller. Returns 0, or 1 (the reader's
// status where it failed) after the failing step's line.
int ssiaFree(korvaInfo* info, const char* freeName, const char* outName, dTab* table);

}  // namespace korva
