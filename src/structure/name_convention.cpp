// Matching atom names across naming conventions, by trying the name's counterparts in turn.
#include "structure/name_convention.h"

#include <cstdio>
#include <cstring>

namespace korva {

namespace {

const pdbAtom* atomNamed(const pdbRes& res, const char* name) {
  for (const pdbAtom* a : res.atoms) {
    if (std::strcmp(a->atomName, name) == 0) return a;
  }
  return nullptr;
}

bool isDigit123(char c) {
  return c >= '1' && c <= '3';
}

// The other name of a methyl proton when res holds the whole group under it: "HD11" <-> "1HD1",
// "HB1" <-> "1HB".
const pdbAtom* methylCounterpart(const pdbRes& res, const char* name) {
  const size_t n = std::strlen(name);
  if (n < 3 || n + 1 >= static_cast<size_t>(kNameLen)) return nullptr;
  pdbName other;
  pdbName group[3];
  if (name[0] == 'H' && isDigit123(name[n - 1])) {  // IUPAC: H, stem, number
    std::snprintf(other, kNameLen, "%c%.*s", name[n - 1], static_cast<int>(n - 1), name);
    for (int k = 0; k < 3; k++) {
      std::snprintf(group[k], kNameLen, "%d%.*s", k + 1, static_cast<int>(n - 1), name);
    }
  } else if (isDigit123(name[0]) && name[1] == 'H') {  // PDB: number, H, stem
    std::snprintf(other, kNameLen, "%s%c", name + 1, name[0]);
    for (int k = 0; k < 3; k++) std::snprintf(group[k], kNameLen, "%s%d", name + 1, k + 1);
  } else {
    return nullptr;
  }
  for (const pdbName& g : group) {
    if (atomNamed(res, g) == nullptr) return nullptr;
  }
  return atomNamed(res, other);
}

}  // namespace

conventionMatch matchByConvention(const pdbRes& res, const char* name) {
  const bool amide = std::strcmp(name, "H") == 0 || std::strcmp(name, "HN") == 0;
  // The N-terminal residue carries three amine protons H1, H2, H3 instead of an amide proton.
  const bool first = res.prev == nullptr;
  if (amide) {
    if (const pdbAtom* a = atomNamed(res, name[1] == 'N' ? "H" : "HN")) {
      return {a, nameConvention::amideH};
    }
    for (const char* t : {"H1", "1H"}) {
      if (const pdbAtom* a = atomNamed(res, t); a != nullptr && first) {
        return {a, nameConvention::terminalH};
      }
    }
  }
  if (first && (std::strcmp(name, "H1") == 0 || std::strcmp(name, "1H") == 0)) {
    for (const char* t : {"H", "HN"}) {
      if (const pdbAtom* a = atomNamed(res, t)) return {a, nameConvention::terminalH};
    }
  }
  if (const pdbAtom* a = methylCounterpart(res, name)) return {a, nameConvention::methyl};
  return {nullptr, nameConvention::none};
}

const char* conventionText(nameConvention convention) {
  switch (convention) {
    case nameConvention::amideH:
      return "amide proton H/HN";
    case nameConvention::terminalH:
      return "first residue's amide proton as H1";
    case nameConvention::methyl:
      return "methyl protons in IUPAC/PDB style (HD11/1HD1)";
    case nameConvention::none:
      break;
  }
  return "none";
}

}  // namespace korva
