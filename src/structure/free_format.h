// Free-format coordinate files: blank-separated "ATOM serial name residue number x y z" entries.
#pragma once

#include "core/alloc.h"
#include "core/log.h"

namespace korva {

constexpr int kFreeMaxAtoms = 4999;  // reading this many atoms is an error

// Reads the coordinates of every ATOM entry; atom k (from 1) goes to x[k], y[k], z[k], so each
// array ends up holding count + 1 values (index 0 unused). An empty name reads nothing and gives
// count 0. Returns 0, or 1 after its line on log (count and the arrays are then not set).
[[nodiscard]] int readPDBfree(const char* fileName, int* count, tvector<double>* x,
                              tvector<double>* y, tvector<double>* z, Log& log);

}  // namespace korva
