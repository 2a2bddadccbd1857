// Surface-accessible atoms of a PDB structure, by the accessible area of each selected atom.
#include "align/surface_pdb.h"

#include <algorithm>
#include <cstring>

#include "align/surface.h"

namespace korva {

namespace {

// Residue number and name of an exposed atom: every atom sharing both is selected with it.
struct exposedKey {
  int resId;
  const char* name;
};

bool keyLess(const exposedKey& a, const exposedKey& b) {
  if (a.resId != b.resId) return a.resId < b.resId;
  return std::strcmp(a.name, b.name) < 0;
}

}  // namespace

int callNSC(const pdbInfo& pdb, tvector<int>* flags, Log& log) {
  const size_t natoms = pdb.atoms.size();
  tvector<const pdbAtom*> chosen(TrackedAllocator<const pdbAtom*>("callNSC"));
  for (size_t i = 0; i < natoms; ++i) {
    if ((*flags)[i]) chosen.push_back(&pdb.atoms[i]);
  }
  const size_t n = chosen.size();
  tvector<double> centres(3 * n, 0.0, TrackedAllocator<double>("callNSC"));
  tvector<double> radii(n, 0.0, TrackedAllocator<double>("callNSC"));
  tvector<double> vdw(n, 0.0, TrackedAllocator<double>("callNSC"));
  for (size_t i = 0; i < n; ++i) {
    const pdbAtom* a = chosen[i];
    centres[3 * i] = a->x;
    centres[3 * i + 1] = a->y;
    centres[3 * i + 2] = a->z;
    vdw[i] = getRadius(a->atomName);
    radii[i] = vdw[i] + kProbeRadius;
  }
  Outcome<tvector<char>> exposed =
      surfaceAtoms(centres.data(), radii.data(), vdw.data(), static_cast<int>(n));
  if (!exposed.ok()) {
    log.write(exposed.status.message().c_str());
    log.printf("NSC: error.\n");
    return 1;
  }
  // The exposed (residue, name) pairs, sorted, so one pass over the structure selects every atom
  // that shares them, in other chains and segments too, without a scan per exposed atom.
  tvector<exposedKey> keys(TrackedAllocator<exposedKey>("callNSC"));
  for (size_t i = 0; i < n; ++i) {
    if (exposed.value[i]) keys.push_back({chosen[i]->resId, chosen[i]->atomName});
  }
  std::sort(keys.begin(), keys.end(), keyLess);
  for (size_t i = 0; i < natoms; ++i) {
    const pdbAtom& a = pdb.atoms[i];
    (*flags)[i] =
        std::binary_search(keys.begin(), keys.end(), exposedKey{a.resId, a.atomName}, keyLess) ? 1
                                                                                               : 0;
  }
  return 0;
}

}  // namespace korva
