// PDB writing, backbone angles, saved coordinates and name normalisation.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "structure/pdb.h"
#include "structure/select.h"

namespace korva {

namespace {

constexpr double kPi = 3.14159265;

// First character of a one-column name, a blank when the name is empty.
char firstOrBlank(const char* s) {
  return s[0] == '\0' ? ' ' : s[0];
}

// Case-insensitive equality of two zero-terminated texts.
bool sameNoCase(const char* a, const char* b) {
  for (; *a && *b; a++, b++) {
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b))) {
      return false;
    }
  }
  return *a == *b;
}

int fixName(char* name) {
  if (name == nullptr) return 0;
  if (std::strcmp(name, "{}") == 0 || sameNoCase(name, "none") || sameNoCase(name, "(Null)")) {
    name[0] = '\0';
    return 1;
  }
  return 0;
}

// Dihedral angle p1-p2-p3-p4 in degrees, by the IUPAC sign convention (clockwise positive when
// viewed along p2->p3).
double dihedral(const pdbAtom* p1, const pdbAtom* p2, const pdbAtom* p3, const pdbAtom* p4) {
  double b1[3] = {double(p2->x) - p1->x, double(p2->y) - p1->y, double(p2->z) - p1->z};
  double b2[3] = {double(p3->x) - p2->x, double(p3->y) - p2->y, double(p3->z) - p2->z};
  double b3[3] = {double(p4->x) - p3->x, double(p4->y) - p3->y, double(p4->z) - p3->z};
  auto cross = [](const double* u, const double* v, double* w) {
    w[0] = u[1] * v[2] - u[2] * v[1];
    w[1] = u[2] * v[0] - u[0] * v[2];
    w[2] = u[0] * v[1] - u[1] * v[0];
  };
  double n1[3], n2[3];
  cross(b1, b2, n1);
  cross(b2, b3, n2);
  double b2len = std::sqrt(b2[0] * b2[0] + b2[1] * b2[1] + b2[2] * b2[2]);
  double y = b2len * (b1[0] * n2[0] + b1[1] * n2[1] + b1[2] * n2[2]);
  double x = n1[0] * n2[0] + n1[1] * n2[1] + n1[2] * n2[2];
  return std::atan2(y, x) * 180.0 / kPi;
}

}  // namespace

int writePDB(const char* fileName, const pdbInfo* pdb, struct pdbSelect* select,
             const char* remark) {
  if (fileName == nullptr) fileName = "";
  bool useStdout = fileName[0] == '\0';
  FILE* fp = useStdout ? stdout : std::fopen(fileName, "w");
  if (fp == nullptr) {
    std::fprintf(stderr, "PDB Error opening PDB file %s\n", fileName);
    return 1;
  }
  if (remark != nullptr) std::fprintf(fp, "REMARK %s\n\n", remark);
  for (const pdbAtom& a : pdb->atoms) {
    if (select != nullptr && !pdbSelectTest(&a, select)) continue;
    // Four-character atom names start in column 13, shorter ones in column 14.
    const char* fmt =
        std::strlen(a.atomName) >= 4
            ? "%s%5d %-4s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n"
            : "%s%5d  %-3s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n";
    std::fprintf(fp, fmt, "ATOM  ", a.atomId, a.atomName, firstOrBlank(a.locId), a.resName,
                 firstOrBlank(a.chainId), a.resId, firstOrBlank(a.iCode), a.x, a.y, a.z,
                 a.occupancy, a.tempFactor, a.segId, a.element, a.charge);
  }
  std::fprintf(fp, "END\n");
  int status = 0;
  if (useStdout) {
    status = std::fflush(fp) != 0 || std::ferror(fp);
  } else {
    status = std::ferror(fp) != 0;
    status |= std::fclose(fp) != 0;
  }
  if (status != 0) {
    // A full disk must not pass as a written structure.
    std::fprintf(stderr, "PDB Error writing PDB file %s\n", useStdout ? "(stdout)" : fileName);
    return 1;
  }
  return 0;
}

int getPDBPhiPsi(pdbInfo* pdb, int resId, const char* chainId, const char* segId, float* phi,
                 float* psi) {
  *phi = kAngleNone;
  *psi = kAngleNone;
  if (pdb == nullptr || pdb->atoms.empty() || resId < pdb->firstRes || resId > pdb->lastRes) {
    return 0;
  }
  const pdbAtom* cPrev = findAtom(pdb, resId - 1, "C", chainId, segId);
  const pdbAtom* n = findAtom(pdb, resId, "N", chainId, segId);
  const pdbAtom* ca = findAtom(pdb, resId, "CA", chainId, segId);
  const pdbAtom* c = findAtom(pdb, resId, "C", chainId, segId);
  const pdbAtom* nNext = findAtom(pdb, resId + 1, "N", chainId, segId);
  int result = 0;
  if (cPrev && n && ca && c) {
    *phi = static_cast<float>(dihedral(cPrev, n, ca, c));
    result |= 1;
  }
  if (n && ca && c && nNext) {
    *psi = static_cast<float>(dihedral(n, ca, c, nNext));
    result |= 2;
  }
  return result;
}

void updatePDBAngles(pdbInfo* pdb, int firstRes, int lastRes) {
  if (pdb == nullptr) return;
  for (pdbRes& r : pdb->residues) {
    if (r.resId < firstRes - 1 || r.resId > lastRes + 1) continue;
    getPDBPhiPsi(pdb, r.resId, r.chainId, r.segId, &r.phi, &r.psi);
  }
}

void storePDBCoords(pdbInfo* pdb) {
  if (pdb == nullptr || pdb->savedXYZ.empty()) return;
  size_t n = std::min(pdb->atoms.size(), pdb->savedXYZ.size() / 3);
  for (size_t i = 0; i < n; i++) {
    pdb->savedXYZ[3 * i] = pdb->atoms[i].x;
    pdb->savedXYZ[3 * i + 1] = pdb->atoms[i].y;
    pdb->savedXYZ[3 * i + 2] = pdb->atoms[i].z;
  }
}

void restorePDBCoords(pdbInfo* pdb) {
  if (pdb == nullptr || pdb->savedXYZ.empty()) return;
  size_t n = std::min(pdb->atoms.size(), pdb->savedXYZ.size() / 3);
  for (size_t i = 0; i < n; i++) {
    pdb->atoms[i].x = pdb->savedXYZ[3 * i];
    pdb->atoms[i].y = pdb->savedXYZ[3 * i + 1];
    pdb->atoms[i].z = pdb->savedXYZ[3 * i + 2];
  }
}

void pdbCopyCoords(float* to, const float* from, int n) {
  if (to == nullptr || from == nullptr || n <= 0) return;
  std::memmove(to, from, sizeof(float) * 3 * static_cast<size_t>(n));
}

void pdbClearAuxInfo(pdbInfo* pdb) {
  if (pdb == nullptr) return;
  for (pdbAtom& a : pdb->atoms) a.aux = 0;
}

int fixAtomName(char* name) {
  return fixName(name);
}
int fixResName(char* name) {
  return fixName(name);
}
int fixChainName(char* name) {
  return fixName(name);
}
int fixSegName(char* name) {
  return fixName(name);
}

}  // namespace korva
