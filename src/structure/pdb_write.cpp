// PDB writing and name normalisation.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/output.h"
#include "structure/pdb.h"
#include "structure/select.h"

namespace korva {

namespace {

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

}  // namespace

int writePDB(const char* fileName, const pdbInfo* pdb, const struct pdbSelect* select,
             const char* remark, Log& log, const float* xyz) {
  if (fileName == nullptr) fileName = "";
  bool useStdout = fileName[0] == '\0';
  outputFile out;
  FILE* fp = out.open(fileName);
  if (fp == nullptr) {
    log.printf("PDB Error opening PDB file %s\n", fileName);
    return 1;
  }
  if (remark != nullptr) std::fprintf(fp, "REMARK %s\n\n", remark);
  for (size_t i = 0; i < pdb->atoms.size(); i++) {
    const pdbAtom& a = pdb->atoms[i];
    if (select != nullptr && !pdbSelectTest(&a, select)) continue;
    const float* p = xyz != nullptr ? xyz + 3 * i : nullptr;
    // Four-character atom names start in column 13, shorter ones in column 14.
    const char* fmt =
        std::strlen(a.atomName) >= 4
            ? "%s%5d %-4s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n"
            : "%s%5d  %-3s%1c%-4s%1c%4d%1c   % 8.3f% 8.3f% 8.3f%6.2f%6.2f      %4s%2s%2s\n";
    std::fprintf(fp, fmt, "ATOM  ", a.atomId, a.atomName, firstOrBlank(a.locId), a.resName,
                 firstOrBlank(a.chainId), a.resId, firstOrBlank(a.iCode), p ? p[0] : a.x,
                 p ? p[1] : a.y, p ? p[2] : a.z, a.occupancy, a.tempFactor, a.segId, a.element,
                 a.charge);
  }
  std::fprintf(fp, "END\n");
  if (!out.commit()) {
    // A full disk must not pass as a written structure.
    log.printf("PDB Error writing PDB file %s\n", useStdout ? "(stdout)" : fileName);
    return 1;
  }
  return 0;
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
