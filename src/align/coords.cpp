// Collecting the simulated atoms' coordinates from the structure's selection.
#include "align/coords.h"

#include "align/surface_pdb.h"

namespace korva {

int coorSelect(const pdbInfo& pdb, const korvaInfo& info, tvector<int> flags, simAtoms* out,
               Log& log) {
  if (info.surf) {
    const int status = callNSC(pdb, &flags, log);
    if (status) {
      log.printf("Error reading selection of atoms.\n");
      return status;
    }
  }
  simAtoms atoms;
  atoms.x.assign(1, 0.0);
  atoms.y.assign(1, 0.0);
  atoms.z.assign(1, 0.0);
  for (size_t i = 0; i < pdb.atoms.size(); ++i) {
    if (!flags[i]) continue;
    const pdbAtom& a = pdb.atoms[i];
    atoms.x.push_back(a.x);
    atoms.y.push_back(a.y);
    atoms.z.push_back(a.z);
    ++atoms.n;
  }
  *out = std::move(atoms);
  return 0;
}

}  // namespace korva
