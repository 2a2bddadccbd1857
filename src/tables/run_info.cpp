// Defaults of the run-parameter records.
#include "tables/run_info.h"

#include <cstring>

namespace korva {

void gridInfoNull(gridInfo* g) {
  std::memset(g, 0, sizeof(*g));
  g->centerPivot = 1;
  g->alignAlongZ = 1;
  g->ensembleClash = 1;
  g->clashDistance = 3.6f;
  g->ensembleDensity = 200;
  g->ensembleGamma = 1;
  g->betaH = 30.0f;
  g->alphaWidth = 180.0f;
  g->pMax = 10.0f;
}

void korvaInfoNull(korvaInfo* info) {
  std::memset(info, 0, sizeof(*info));
  info->mode = kModeSteric;
  info->lcModel = kModelWall;
  info->wv = 0.05f;
  info->dot = 100;
  info->digPsi = 18;
  info->rM = 20.0f;
  info->dGrid = 0.2f;
  info->rim = 0.0f;
  info->pRatio = 3.0f;
  info->lM = 200.0f;
  info->rimDisc = 0.25f;
  info->lcS = 0.8f;
  info->useH = 0;
  info->surf = 1;
  info->rA = 0.0f;
  info->wallHalfSpacing = 0.0f;
  info->action = kActionSub;
  info->c1 = 1.0f;
  info->c2 = 1.0f;
  info->euler = 1;
  info->verbose = 1;
  gridInfoNull(&info->grid);
}

void dcInfoNull(dcInfo* dc) {
  dc->s1 = kResUnset;
  dc->sN = kResUnset;
  dc->sID = 1;
  dc->dStep = 0;
  dc->a1 = kResUnset;
  dc->rangeMode = 3;
}

}  // namespace korva
