// Coordinates of the atoms that the steric simulation runs on, collected from a structure.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "structure/pdb.h"
#include "tables/run_info.h"

namespace korva {

// The simulated atoms: coordinates widened to double, from index 1 on (index 0 unused).
struct simAtoms {
  int n = 0;
  tvector<double> x{TrackedAllocator<double>("matrix")};
  tvector<double> y{TrackedAllocator<double>("matrix")};
  tvector<double> z{TrackedAllocator<double>("matrix")};
};

// Runs the surface step when info.surf is set (callNSC, which replaces the selection), then
// copies the coordinates of every selected atom of pdb (flags: one per atom), in structure order,
// into out. Returns 0, or the failing step's status after its lines on log ("Error reading
// selection of atoms." last).
[[nodiscard]] int coorSelect(const pdbInfo& pdb, const korvaInfo& info, tvector<int> flags,
                             simAtoms* out, Log& log);

}  // namespace korva
