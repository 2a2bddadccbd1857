// Combination of two coupling tables: each coupling of the first is paired with the identical
// coupling of the second and the two values are combined.
#pragma once

#include "core/log.h"
#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Pairs every coupling of table1 below the placeholder limit with the identical couplings of
// table2 (the last wins) and stores the combination in table1's working list; unpaired ones and
// combinations that are not finite (named on log) are deselected. Returns the number combined
// that are also selected in table1's input list.
int adjustDC(int action, float c1, float c2, dTab* table1, const dTab* table2, Log& log);

// One combined value, rounded to single precision (0 for an unknown action).
float addDC(int action, float c1, float c2, float d1, float d2);

}  // namespace korva
