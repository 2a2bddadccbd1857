// Configuration file of the steric mode: validated and recorded; no mode reads the values.
#include "modes/config.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "core/input.h"

namespace korva {
namespace {

constexpr int kConfigLineLen = 256;
constexpr float kIntLimit = 2147483648.0f;  // 2^31: an int key's value must lie strictly inside

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
  lineInput input(f);
  tvector<char> line(TrackedAllocator<char>("config"));
  lineRead got;
  int status = 0;
  while (status == 0 && (got = input.next(&line)) == lineRead::line) {
    line.push_back('\0');
    const long lineNo = input.lineNumber();
    char key[kConfigLineLen];
    float value = 0.0f;
    if (std::sscanf(line.data(), "%255s %f", key, &value) < 2) {
      log.printf("Error: Input data in auto file have wrong format\n");
      log.printf("Line:%s\n", line.data());
      status = 1;
      break;
    }
    const auto* k = std::find_if(std::begin(keys), std::end(keys),
                                 [&key](const auto& e) { return std::strcmp(key, e.key) == 0; });
    // A misspelt key would leave its setting at the default without a word: the file is refused.
    const char* fault = nullptr;
    if (k == std::end(keys)) {
      fault = "is not a known key";
    } else if (!std::isfinite(value)) {
      fault = "has a value that is not a finite number";
    } else if (k->intTarget != nullptr && !(value < kIntLimit && value > -kIntLimit)) {
      fault = "has a value out of the range of a whole number";
    }
    if (fault != nullptr) {
      log.printf("Error: Wrong input parameter in auto file: %s on line %ld of %s %s.\n", key,
                 lineNo, name, fault);
      status = 1;
    } else if (k->intTarget != nullptr) {
      *k->intTarget = static_cast<int>(value);  // truncated toward zero
    } else {
      *k->fltTarget = value;
    }
  }
  if (status == 0 && got != lineRead::end) {
    log.printf("readConfig Error: %s; not read.\n",
               lineReadFailure(got, name, input.lineNumber()).c_str());
    status = 1;
  }
  std::fclose(f);
  return status;
}

}  // namespace korva
