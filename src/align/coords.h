// Coordinates of the atoms that the steric simulation runs on, collected from the structure.
#pragma once

#include "structure/pdb.h"
#include "tables/run_info.h"

namespace korva {

// Runs the surface step when info->surf is set (callNSC, which replaces the selection), then
// copies the coordinates of every selected atom, in structure order and widened to double, into
// x, y, z from index 1 on; count receives their number. Each array must hold pdb's atom count
// + 1 doubles and stays owned by the caller. Returns 0, or the failing step's status after its
// message.
int coorSelect(pdbInfo* pdb, const korvaInfo* info, int* count, double* x, double* y, double* z);

// coorSelect through temporary arrays, so that x, y, z change only when the collection
// succeeded. flag and work are kept for the callers' argument list and not used. Returns 0, or
// the failing step's status after "Error reading selection of atoms." or the allocation line.
int chCoorSelect(pdbInfo* pdb, const korvaInfo* info, int* count, double* x, double* y, double* z,
                 int flag, int* work);

}  // namespace korva
