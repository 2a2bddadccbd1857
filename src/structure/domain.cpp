// Rigid rotation of a residue range, used to write a structure in a tensor's principal frame.
#include "structure/domain.h"

#include <cmath>

#include "structure/transform.h"

namespace korva {
namespace {

constexpr double kPi = 3.14159265;

}  // namespace

int rotateDomain(const double angles[3], pdbInfo* pdb, int firstRes, int lastRes) {
  const double a0 = -angles[0] * kPi / 180.0;
  const double a1 = -angles[1] * kPi / 180.0;
  const double a2 = -angles[2] * kPi / 180.0;
  // With R = R(theta, phi, psi) the new coordinates are R^T r = Rz(a2) Ry(a1) Rz(a0) r (active
  // rotations); the frame angles of the Saupe analysis satisfy frame^T = Rz(alpha) Ry(beta)
  // Rz(gamma), so the angles (-gamma, -beta, -alpha) give frame^T r, the principal-frame
  // coordinates.
  double e1[3], e2[3], e3[3];
  rotate_coorsystem(a1, a2, a0, e1, e2, e3);
  for (pdbAtom& atom : pdb->atoms) {
    if (atom.resId < firstRes) continue;
    // The range is taken as contiguous in file order: a later chain that restarts its numbering
    // inside the range belongs to another domain and stays where it is.
    if (atom.resId > lastRes) break;
    const double x = atom.x, y = atom.y, z = atom.z;
    atom.x = static_cast<float>(e1[0] * x + e1[1] * y + e1[2] * z);
    atom.y = static_cast<float>(e2[0] * x + e2[1] * y + e2[2] * z);
    atom.z = static_cast<float>(e3[0] * x + e3[1] * y + e3[2] * z);
  }
  return 0;
}

int writeFrameStructure(pdbInfo* pdb, double alpha, double beta, double gamma, const char* pdbOut,
                        const char* remark) {
  if (pdb == nullptr || pdbOut == nullptr || pdbOut[0] == '\0') return 0;
  storePDBCoords(pdb);
  const double angles[3] = {-gamma, -beta, -alpha};
  rotateDomain(angles, pdb, pdb->firstRes, pdb->lastRes);
  const int status = writePDB(pdbOut, pdb, nullptr, remark);
  restorePDBCoords(pdb);
  return status;
}

}  // namespace korva
