// The run modes: each reads its inputs, computes, and hands the result to the report. Progress
// and error lines go to log (standard error on the command line), the lines the program has
// always printed to standard output go there.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "structure/select.h"
#include "tables/run_info.h"
#include "tensor/tensor.h"

namespace korva {

constexpr int kNameMax = 256;  // file names and name lists: at most 255 characters

// The charged medium of the steric mode, as the options give it.
struct chargeParams {
  float surfPot = 0.0f;         // -surfPot (or the -elec preset), kT/e
  float debye = 10.0f;          // -debye (or from -salt), A
  float salt = 0.0f;            // -salt, mM; 0 when not given
  int potGiven = 0;             // -surfPot was given
  int debyeGiven = 0;           // -debye was given
  int elec = 0;                 // -elec: the preset of the medium
  int fitPot = 0;               // -fitPot: the potential fitted to the couplings
  char charges[kNameMax] = "";  // -charges: charge table replacing the ionised groups
};

// Everything a run reads from the command line.
struct runParams {
  korvaInfo info;
  dcInfo dc;
  dTensor tensor;              // tensor options: mode, start values, bounds, given Saupe vector
  struct pdbSelect select;     // atom selection
  char inD[kNameMax] = "";     // coupling table input
  char outD[kNameMax] = "";    // report output
  char pdb[kNameMax] = "";     // PDB structure input
  char inp[kNameMax] = "";     // configuration file
  char outMap[kNameMax] = "";  // error-space map output
  char pdbF[kNameMax] = "";    // free-format coordinate input
  char pdbRot[kNameMax] = "";  // rotated-structure output
  char aD1[kNameMax] = "All";  // atom names of the first coupling atom to keep
  char aD2[kNameMax] = "All";  // atom names of the second coupling atom to keep
  char inD1[kNameMax] = "";    // first coupling table of the coupling comparison
  char inD2[kNameMax] = "";    // second coupling table
  char outA[kNameMax] = "";    // Saupe output

  // Models and coupling lists.
  char list[kNameMax] = "";       // coupling list of a NEF, NMR-STAR or Xplor file (-list)
  char outModels[kNameMax] = "";  // per-model rows of an ensemble (-outModels)
  int model = 0;                  // -model: the one model used (1-based); 0: all
  int perModel = 0;               // -perModel: fit each model of an ensemble on its own
  int noBuildH = 0;               // -noBuildH: build no missing amide protons
  tvector<float> weights{TrackedAllocator<float>("listArg")};  // -w list
  const char* remark = nullptr;  // -rem text, referenced from the command line
  int mapCount = 0;              // -map count
  int dbgFlag = 0;               // debug level
  double saupeCp1[5] = {};       // -inS1
  double saupeCp2[5] = {};       // -inS2
  chargeParams charge;           // -surfPot, -debye, -salt, -charges, -elec, -fitPot

  runParams();
};

// The structure-based modes: steric prediction (kModeSteric) and best fit (kModeBestFit).
[[nodiscard]] int runStructureSequence(runParams& p, Log& log);
// Steric prediction from free-format coordinates.
[[nodiscard]] int runStericFree(runParams& p, Log& log);
// Comparison of two Saupe matrices.
[[nodiscard]] int runCompareSaupe(runParams& p, Log& log);
// Comparison of two coupling tables.
[[nodiscard]] int runCompareDC(runParams& p, Log& log);

}  // namespace korva
