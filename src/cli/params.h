// Run parameters from the command line: the names, lists and values that the entry point holds,
// the parser getparams, the banner and the help.
#pragma once

#include "core/args.h"
#include "tensor/tensor.h"
#include "structure/select.h"
#include "tables/run_info.h"

namespace korva {

// Everything getparams fills besides the records: file names, weights, remark, map count, the two
// Saupe vectors of the tensor comparison and the debug level. Owned by the entry point.
struct runArgs {
  char inD[kArgStrLen];     // coupling table input
  char outD[kArgStrLen];    // report output
  char pdb[kArgStrLen];     // PDB structure input
  char inp[kArgStrLen];     // configuration file
  char outMap[kArgStrLen];  // error-space map output
  char pdbF[kArgStrLen];    // free-format coordinate input
  char pdbRot[kArgStrLen];  // rotated-structure output
  char aD1[kArgStrLen];     // atom names of the first coupling atom to keep
  char aD2[kArgStrLen];     // atom names of the second coupling atom to keep
  char inD1[kArgStrLen];    // first coupling table of the coupling comparison
  char inD2[kArgStrLen];    // second coupling table
  char outA[kArgStrLen];    // Saupe output
  float* weights;           // -w list (tracked, label "listArg"); nullptr when absent
  int nWeights;             // its count
  char* remark;             // -rem text, referenced from argv
  int mapCount;             // -map count
  int dbgFlag;              // debug level
  double saupeCp1[5];       // -inS1
  double saupeCp2[5];       // -inS2
};

// Fills the names with their defaults (empty, coupling-atom types "All").
void runArgsNull(runArgs* args);
// Releases the weight list.
void runArgsFree(runArgs* args);

// Parses the whole command line into the records. Returns 0, or 1 when the help was printed or an
// option was malformed (its error line printed).
int getparams(int argc, char** argv, korvaInfo* info, dcInfo* dc, dTensor* tensor,
              struct pdbSelect* select, runArgs* args);

// The help text, to standard error.
void printInfo();
// The start-up banner, to standard error.
void legalNotice();

}  // namespace korva
