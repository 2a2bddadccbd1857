// Rigid rotation of a residue range, used to write a structure in a tensor's principal frame.
#include "structure/domain.h"

#include <strings.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "numeric/constants.h"
#include "structure/mmcif.h"
#include "structure/transform.h"

namespace korva {

tvector<float> rotateDomain(const double angles[3], const pdbInfo& pdb, int firstRes, int lastRes) {
  const double a0 = -angles[0] * kPi / 180.0;
  const double a1 = -angles[1] * kPi / 180.0;
  const double a2 = -angles[2] * kPi / 180.0;
  // With R = R(theta, phi, psi) the new coordinates are R^T r = Rz(a2) Ry(a1) Rz(a0) r (active
  // rotations); the frame angles of the Saupe analysis satisfy frame^T = Rz(alpha) Ry(beta)
  // Rz(gamma), so the angles (-gamma, -beta, -alpha) give frame^T r, the principal-frame
  // coordinates.
  double e1[3], e2[3], e3[3];
  rotate_coorsystem(a1, a2, a0, e1, e2, e3);
  tvector<float> xyz(3 * pdb.atoms.size(), 0.0f, TrackedAllocator<float>("rotated coordinates"));
  bool inside = true;
  for (size_t i = 0; i < pdb.atoms.size(); i++) {
    const pdbAtom& atom = pdb.atoms[i];
    float* p = &xyz[3 * i];
    p[0] = atom.x;
    p[1] = atom.y;
    p[2] = atom.z;
    // The range is taken as contiguous in file order: a later chain that restarts its numbering
    // inside the range belongs to another domain and stays where it is.
    if (!inside || atom.resId < firstRes) continue;
    if (atom.resId > lastRes) inside = false;
    if (!inside) continue;
    const double x = atom.x, y = atom.y, z = atom.z;
    p[0] = static_cast<float>(e1[0] * x + e1[1] * y + e1[2] * z);
    p[1] = static_cast<float>(e2[0] * x + e2[1] * y + e2[2] * z);
    p[2] = static_cast<float>(e3[0] * x + e3[1] * y + e3[2] * z);
  }
  return xyz;
}

bool isMmcifOutputName(const char* name) {
  const size_t n = std::strlen(name);
  for (const char* suffix : {".cif", ".mmcif"}) {
    const size_t k = std::strlen(suffix);
    if (n >= k && strcasecmp(name + n - k, suffix) == 0) return true;
  }
  return false;
}

int writeFrameStructure(const pdbInfo& pdb, double alpha, double beta, double gamma,
                        const char* pdbOut, const char* remark, Log& log) {
  if (pdbOut == nullptr || pdbOut[0] == '\0') return 0;
  const double angles[3] = {-gamma, -beta, -alpha};
  const tvector<float> xyz = rotateDomain(angles, pdb, pdb.firstRes, pdb.lastRes);
  if (!isMmcifOutputName(pdbOut)) return writePDB(pdbOut, &pdb, nullptr, remark, log, xyz.data());
  // mmCIF is written from a structure, so the rotated atoms become one.
  tvector<pdbAtom> atoms = pdb.atoms;
  for (size_t i = 0; i < atoms.size(); i++) {
    atoms[i].x = xyz[3 * i];
    atoms[i].y = xyz[3 * i + 1];
    atoms[i].z = xyz[3 * i + 2];
  }
  pdbInfo rotated;
  if (buildPDB(&rotated, std::move(atoms), nullLog()) != 0) return 1;
  const Status st = writeMmcif(pdbOut, rotated, remark);
  if (!st.ok()) {
    log.write(st.message().c_str());
    return 1;
  }
  return 0;
}

}  // namespace korva
