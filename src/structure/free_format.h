// Free-format coordinate files: blank-separated "ATOM serial name residue number x y z" entries.
#pragma once

namespace korva {

constexpr int kFreeMaxAtoms = 4999;  // reading this many atoms is an error
constexpr int kFreeArrayLen = 5000;  // entries each coordinate array must hold

// Reads the coordinates of every ATOM entry; atom k (from 1) goes to x[k], y[k], z[k], so each
// array must hold kFreeArrayLen doubles (owned by the caller). An empty name reads nothing and
// gives count 0. Returns 0, or 1 after a message (count is then not set).
int readPDBfree(const char* fileName, int* count, double* x, double* y, double* z);

}  // namespace korva
