// Dipolar interaction constants of atom pairs: tabulated backbone bond lengths and gyromagnetic
// ratios.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tables/dtab.h"

namespace korva {
namespace {

// mu0 hbar / (4 pi^2) in units that give Hz for gamma in rad/(s T) and r in Angstrom.
constexpr float kDipolarConst = 3.356809e-12f;

struct gammaEntry {
  char letter;
  float gamma;  // rad s^-1 T^-1
};

// The nitrogen ratio is negative, so N-H constants come out negative; predictions use |DI|.
constexpr gammaEntry kGammas[] = {
    {'H', 267519808.0f}, {'C', 67283000.0f},  {'N', -27116000.0f},
    {'D', 41066000.0f},  {'F', 251700000.0f}, {'P', 108410000.0f},
};

// Residue relation of a tabulated pair: J in the same residue, the next one, or the previous one.
constexpr int kSameRes = 0;
constexpr int kNextRes = 1;   // residue I = residue J - 1
constexpr int kPrevRes = -1;  // residue I = residue J + 1

struct bondEntry {
  int relation;
  const char* atomI;
  const char* atomJ;
  double r;  // Angstrom
};

constexpr bondEntry kBonds[] = {
    {kSameRes, "HN", "N", 1.042}, {kSameRes, "N", "HN", 1.042},  {kSameRes, "H", "N", 1.042},
    {kSameRes, "N", "H", 1.042},  {kSameRes, "HA", "CA", 1.119}, {kSameRes, "CA", "HA", 1.119},
    {kSameRes, "N", "CA", 1.458}, {kSameRes, "CA", "N", 1.458},  {kNextRes, "C", "HN", 2.069},
    {kNextRes, "C", "H", 2.069},  {kNextRes, "C", "N", 1.329},   {kNextRes, "C", "CA", 1.525},
    {kPrevRes, "HN", "C", 2.069}, {kPrevRes, "H", "C", 2.069},   {kPrevRes, "N", "C", 1.329},
    {kPrevRes, "CA", "C", 1.525},
};

// Gyromagnetic ratio of the element named by the atom name: its first character when that is a
// letter, else its second (1H, 2HB are hydrogens). Returns 0, or 1 after the warning line when the
// letter is not in the table (the ratio is then 1.0).
int atomGamma(const char* atomName, float* gamma, Log& log) {
  const char* name = atomName != nullptr ? atomName : "";
  char letter = name[0];
  if (letter != '\0' && !std::isalpha(static_cast<unsigned char>(letter))) letter = name[1];
  for (const gammaEntry& g : kGammas) {
    if (letter != '\0' && g.letter == letter) {
      *gamma = g.gamma;
      return 0;
    }
  }
  log.printf("Dipolar Interaction - Unknown atom %s.\n", name);
  *gamma = 1.0f;
  return 1;
}

// Tabulated bond length of the pair, or 0 when the pair is not listed.
double tabulatedDistance(int resI, const char* atomI, int resJ, const char* atomJ) {
  // Widen first so that unset residue numbers cannot overflow the difference.
  const long long diff = static_cast<long long>(resJ) - resI;
  for (const bondEntry& b : kBonds) {
    if (diff != b.relation) continue;
    if (std::strcmp(atomI, b.atomI) == 0 && std::strcmp(atomJ, b.atomJ) == 0) return b.r;
  }
  return 0.0;
}

}  // namespace

int findDI2(const float* xyzI, int resI, const char* /*resNameI*/, const char* atomNameI,
            const float* xyzJ, int resJ, const char* /*resNameJ*/, const char* atomNameJ, float* di,
            int* fixedDistance, Log& log) {
  const char* nameI = atomNameI != nullptr ? atomNameI : "";
  const char* nameJ = atomNameJ != nullptr ? atomNameJ : "";
  float gammaI = 1.0f;
  float gammaJ = 1.0f;
  int status = atomGamma(nameI, &gammaI, log);
  status |= atomGamma(nameJ, &gammaJ, log);

  double r = tabulatedDistance(resI, nameI, resJ, nameJ);
  *fixedDistance = r > 0.0 ? 1 : 0;
  if (r == 0.0) {
    const double dx = static_cast<double>(xyzJ[0]) - xyzI[0];
    const double dy = static_cast<double>(xyzJ[1]) - xyzI[1];
    const double dz = static_cast<double>(xyzJ[2]) - xyzI[2];
    r = std::sqrt(dx * dx + dy * dy + dz * dz);
  }
  if (r == 0.0) {
    *di = 0.0f;
  } else {
    *di = static_cast<float>(static_cast<double>(gammaI) * gammaJ * kDipolarConst / (r * r * r));
  }
  return status;
}

int findDI(int resI, const char* resNameI, const char* atomNameI, int resJ, const char* resNameJ,
           const char* atomNameJ, float* di, int* fixedDistance, Log& log) {
  const float zero[3] = {0.0f, 0.0f, 0.0f};
  return findDI2(zero, resI, resNameI, atomNameI, zero, resJ, resNameJ, atomNameJ, di,
                 fixedDistance, log);
}

}  // namespace korva
