// Amide proton placement. With sp2 nitrogen the proton lies in the plane of C(i-1), N and CA,
// pointing away from both: along the sum of the unit vectors C(i-1)->N and CA->N.
#include "structure/amide_h.h"

#include <cmath>
#include <cstring>

#include "structure/text_input.h"

namespace korva {

namespace {

constexpr double kPeptideBondMax = 2.0;  // Angstrom; a longer C(i-1)-N distance is a chain break
constexpr double kNBondMax = 1.7;        // Angstrom; a heavier atom this close is bonded to N

const pdbAtom* atomNamed(const pdbRes& res, const char* name) {
  for (const pdbAtom* a : res.atoms) {
    if (std::strcmp(a->atomName, name) == 0) return a;
  }
  return nullptr;
}

double distance(const pdbAtom& a, const pdbAtom& b) {
  const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Proline's CD is the third heavy neighbour of its N, which then has no room for a proton.
bool nitrogenSaturated(const pdbRes& res, const pdbAtom& n, const pdbAtom& ca) {
  for (const pdbAtom* a : res.atoms) {
    if (a != &n && a != &ca && a->atomName[0] != 'H' && distance(*a, n) < kNBondMax) return true;
  }
  return false;
}

}  // namespace

tvector<pdbAtom> buildAmideProtons(const pdbInfo& pdb, const char* name) {
  tvector<pdbAtom> built(TrackedAllocator<pdbAtom>("amideProtons"));
  for (const pdbRes& res : pdb.residues) {
    const pdbAtom* n = atomNamed(res, "N");
    const pdbAtom* ca = atomNamed(res, "CA");
    const pdbAtom* c = res.prev == nullptr ? nullptr : atomNamed(*res.prev, "C");
    if (n == nullptr || ca == nullptr || c == nullptr) continue;
    if (atomNamed(res, "H") != nullptr || atomNamed(res, "HN") != nullptr) continue;
    const double dc = distance(*n, *c), dca = distance(*n, *ca);
    if (dc > kPeptideBondMax || dc == 0.0 || dca == 0.0 || nitrogenSaturated(res, *n, *ca)) {
      continue;
    }
    double u[3] = {(double(n->x) - c->x) / dc + (double(n->x) - ca->x) / dca,
                   (double(n->y) - c->y) / dc + (double(n->y) - ca->y) / dca,
                   (double(n->z) - c->z) / dc + (double(n->z) - ca->z) / dca};
    const double len = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    if (len == 0.0) continue;  // C(i-1), N and CA in a straight line: no plane to build in
    pdbAtom h = *n;
    h.atomId = 0;
    copyName(h.atomName, name);
    copyName(h.element, "H");
    h.charge[0] = '\0';
    h.x = static_cast<float>(n->x + kAmideHDistance * u[0] / len);
    h.y = static_cast<float>(n->y + kAmideHDistance * u[1] / len);
    h.z = static_cast<float>(n->z + kAmideHDistance * u[2] / len);
    h.res = nullptr;
    h.chain = nullptr;
    h.seg = nullptr;
    built.push_back(h);
  }
  return built;
}

}  // namespace korva
