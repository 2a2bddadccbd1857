// Collecting the simulated atoms' coordinates from the structure's selection.
#include "align/coords.h"

#include <cstdio>
#include <new>

#include "align/surface_pdb.h"

namespace korva {

int coorSelect(pdbInfo* pdb, const korvaInfo* info, int* count, double* x, double* y, double* z) {
  if (info->surf) {
    const int status = callNSC(pdb);
    if (status) return status;
  }
  int n = 0;
  for (const pdbAtom& a : pdb->atoms) {
    if (!a.selected) continue;
    ++n;
    x[n] = a.x;
    y[n] = a.y;
    z[n] = a.z;
  }
  *count = n;
  return 0;
}

int chCoorSelect(pdbInfo* pdb, const korvaInfo* info, int* count, double* x, double* y, double* z,
                 int /*flag*/, int* /*work*/) {
  const size_t room = pdb->atoms.size() + 1;
  tvector<double> tx(TrackedAllocator<double>("chCoorSelect"));
  tvector<double> ty(TrackedAllocator<double>("chCoorSelect"));
  tvector<double> tz(TrackedAllocator<double>("chCoorSelect"));
  try {
    tx.assign(room, 0.0);
    ty.assign(room, 0.0);
    tz.assign(room, 0.0);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "chCoorSelect: Error allocating coord buffers.\n");
    return 1;
  }
  int n = 0;
  const int status = coorSelect(pdb, info, &n, tx.data(), ty.data(), tz.data());
  if (status) {
    std::fprintf(stderr, "Error reading selection of atoms.\n");
    return status;
  }
  for (int i = 1; i <= n; ++i) {
    x[i] = tx[i];
    y[i] = ty[i];
    z[i] = tz[i];
  }
  *count = n;
  return 0;
}

}  // namespace korva
