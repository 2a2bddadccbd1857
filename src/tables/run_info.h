// Run-parameter records shared by every mode: korvaInfo with its embedded ensemble
// configuration gridInfo, and the coupling-selection record dcInfo.
#pragma once

namespace korva {

// Run modes.
constexpr int kModeSteric = 1;
constexpr int kModeStericFree = 2;
constexpr int kModeBestFit = 7;
constexpr int kModeCompareDC = 11;
constexpr int kModeCompareSaupe = 12;

// Medium models.
constexpr int kModelWall = 1;
constexpr int kModelRod = 2;

// Arithmetic of the comparison modes.
constexpr int kActionAdd = 1;
constexpr int kActionSub = 2;
constexpr int kActionMul = 3;
constexpr int kActionDiv = 4;
constexpr int kActionMax = 5;

// Residue numbers below this mean "unset" in integer selection fields.
constexpr int kResUnsetBelow = -99999;
constexpr int kResUnset = -999999;

// Two-domain ensemble configuration read from the -inp file; recorded, not used by any mode.
struct gridInfo {
  int centerPivot;      // CENTER_PIVOT:
  int outputEnsemble;   // OUTPUT_ENSEMBLE:
  int alignAlongZ;      // ALIGN_ALONG_Z:
  int fixPositionDom1;  // FIX_POSITION_DOM1:
  int ensembleClash;    // ENSEMBLE_CLASH:
  float clashDistance;  // CLASH_DISTANCE:, A
  int ensembleDensity;  // ENSEMBLE_DENSITY:
  int ensembleGamma;    // ENSEMBLE_GAMMA:
  int domainAngleVar;   // DOMAIN_ANGLE_VAR:
  float domAngAlpha;    // DOM_ANG_ALPHA:, degrees
  float domAngBeta;     // DOM_ANG_BETA:
  float domAngGamma;    // DOM_ANG_GAMMA:
  int originDom1;       // ORIGIN_DOM1:
  int originDom2;       // ORIGIN_DOM2:
  int startResid1;      // START_RESID_1:
  int endResid1;        // END_RESID_1:
  int startResid2;      // START_RESID_2:
  int endResid2;        // END_RESID_2:
  float betaL;          // BETA_L:
  float betaH;          // BETA_H:
  float alphaCenter;    // ALPHA_CENTER:
  float alphaWidth;     // ALPHA_WIDTH:
  int startResAngle1;   // START_RES_ANGLE_1:
  int endResAngle1;     // END_RES_ANGLE_1:
  int startResAngle2;   // START_RES_ANGLE_2:
  int endResAngle2;     // END_RES_ANGLE_2:
  float pMax;           // Pmax:, 10 by default
};

struct korvaInfo {
  int mode;               // run mode (kMode...)
  int lcModel;            // 1 wall (bicelle), 2 rod (phage)
  float wv;               // liquid-crystal concentration
  int dot;                // orientation density on the sphere
  int digPsi;             // steps of the third orientation angle
  float rM;               // half thickness (wall) or radius (rod) of the medium, A
  float dGrid;            // grid spacing, A
  float rim;              // rim switch of the report
  float pRatio;           // q ratio; replaced by the effective ratio
  float lM;               // bicelle radius; replaced by the computed radius
  float rimDisc;          // rim fraction; replaced by the computed fraction
  float lcS;              // order parameter of the liquid crystal, 0..1
  int useH;               // include hydrogens in the simulation
  int surf;               // restrict the simulation to surface-accessible atoms
  float rA;               // atom radius, A
  float wallHalfSpacing;  // computed wall half-spacing, A
  int action;             // arithmetic of modes 11 and 12 (kAction...)
  float c1;               // scale of the first operand
  float c2;               // scale of the second operand
  int euler;              // solve for Euler angles, Da and Dr in the analysis
  int verbose;            // verbosity of fits and reports
  gridInfo grid;          // ensemble configuration (-inp)
};

struct dcInfo {
  int s1;         // first residue of the coupling segment (unset below -99999)
  int sN;         // last residue of the coupling segment
  int sID;        // segment identifier
  int dStep;      // residue step
  int a1;         // residue of the structure that matches s1
  int rangeMode;  // 1 exclusive, 2 inclusive, 3 inclusive with maximum
};

void gridInfoNull(gridInfo* g);
void korvaInfoNull(korvaInfo* info);
void dcInfoNull(dcInfo* dc);

}  // namespace korva
