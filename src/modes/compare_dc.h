// Comparison of two coupling sets (run mode 11): pairs identical couplings of two tables,
// combines their values and reports the first table against the combination.
#pragma once

#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// The whole mode: reads both tables, selects couplings of the first by dc's range and the atom
// types aD1/aD2, combines them with the second and writes the report to outName (standard
// output when empty). Completes dc's unset range from the first table. Returns 0, or the status
// of the failing step.
int analyzeDC(const char* name1, const char* name2, const korvaInfo* info, dcInfo* dc,
              const char* aD1, const char* aD2, const char* outName);

// Pairs every coupling of table1 below the placeholder limit with the identical couplings of
// table2 (the last wins) and stores the combination in table1's working list; unpaired ones are
// deselected. Returns the number combined that are also selected in table1's input list.
int adjustDC(int action, float c1, float c2, dTab* table1, const dTab* table2);

// One combined value, rounded to single precision (0 for an unknown action).
float addDC(int action, float c1, float c2, float d1, float d2);

}  // namespace korva
