// Configuration file of the steric mode: validated and recorded; no mode reads the values.
#include "modes/config.h"

#include <cstdio>
#include <cstring>

namespace korva {
namespace {

constexpr int kConfigLineLen = 256;

}  // namespace

int readConfig(const char* name, korvaInfo* info, Log& log) {
  if (name == nullptr || name[0] == '\0') return 0;
  FILE* f = std::fopen(name, "r");
  if (f == nullptr) {
    log.printf("readConfig File open error: %s.\n", name);
    return 1;
  }
  gridInfo& g = info->grid;
  const struct {
    const char* key;
    int* intTarget;
    float* fltTarget;
  } keys[] = {
      {"CENTER_PIVOT:", &g.centerPivot, nullptr},
      {"Pmax:", nullptr, &g.pMax},
      {"OUTPUT_ENSEMBLE:", &g.outputEnsemble, nullptr},
      {"ALIGN_ALONG_Z:", &g.alignAlongZ, nullptr},
      {"FIX_POSITION_DOM1:", &g.fixPositionDom1, nullptr},
      {"ENSEMBLE_CLASH:", &g.ensembleClash, nullptr},
      {"CLASH_DISTANCE:", nullptr, &g.clashDistance},
      {"ENSEMBLE_DENSITY:", &g.ensembleDensity, nullptr},
      {"ENSEMBLE_GAMMA:", &g.ensembleGamma, nullptr},
      {"DOMAIN_ANGLE_VAR:", &g.domainAngleVar, nullptr},
      {"DOM_ANG_ALPHA:", nullptr, &g.domAngAlpha},
      {"DOM_ANG_BETA:", nullptr, &g.domAngBeta},
      {"DOM_ANG_GAMMA:", nullptr, &g.domAngGamma},
      {"ORIGIN_DOM1:", &g.originDom1, nullptr},
      {"ORIGIN_DOM2:", &g.originDom2, nullptr},
      {"START_RESID_1:", &g.startResid1, nullptr},
      {"END_RESID_1:", &g.endResid1, nullptr},
      {"START_RESID_2:", &g.startResid2, nullptr},
      {"END_RESID_2:", &g.endResid2, nullptr},
      {"BETA_L:", nullptr, &g.betaL},
      {"BETA_H:", nullptr, &g.betaH},
      {"ALPHA_CENTER:", nullptr, &g.alphaCenter},
      {"ALPHA_WIDTH:", nullptr, &g.alphaWidth},
      {"START_RES_ANGLE_1:", &g.startResAngle1, nullptr},
      {"END_RES_ANGLE_1:", &g.endResAngle1, nullptr},
      {"START_RES_ANGLE_2:", &g.startResAngle2, nullptr},
      {"END_RES_ANGLE_2:", &g.endResAngle2, nullptr},
  };
  char line[kConfigLineLen];
  // A line longer than the buffer is read in pieces, each piece taken as a line of its own.
  while (std::fgets(line, kConfigLineLen, f) != nullptr) {
    char key[kConfigLineLen];
    float value = 0.0f;
    if (std::sscanf(line, "%255s %f", key, &value) < 2) {
      log.printf("Error: Input data in auto file have wrong format\n");
      log.printf("Line:%s", line);
      std::fclose(f);
      return 1;
    }
    bool known = false;
    for (const auto& k : keys) {
      if (std::strcmp(key, k.key) != 0) continue;
      known = true;
      if (k.intTarget != nullptr) {
        // Truncation toward zero, in range of an int.
        if (value >= 2147483647.0f || value <= -2147483648.0f || value != value) {
          *k.intTarget = 0;
        } else {
          *k.intTarget = static_cast<int>(value);
        }
      } else {
        *k.fltTarget = value;
      }
      break;
    }
    if (!known) log.printf("Error: Wrong input parameter in auto file");
  }
  std::fclose(f);
  return 0;
}

}  // namespace korva
