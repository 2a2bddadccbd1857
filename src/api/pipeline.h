// The computations of the run modes from their inputs to their result records, shared by the
// command line's modes and by the library's public functions. They never print: progress lines
// and the reasons of failures go to the log their caller passes.
#pragma once

#include "api/charged.h"
#include "core/alloc.h"
#include "core/log.h"
#include "structure/models.h"
#include "structure/pdb.h"
#include "structure/select.h"
#include "tables/dtab.h"
#include "tables/run_info.h"
#include "tensor/saupe_analysis.h"
#include "tensor/tensor.h"

namespace korva {

// Completes the coupling segment of dc from the table, maps the couplings onto pdb, selects them
// by range and atom names and builds their working records with the weights. Returns the number
// selected.
int prepareCouplings(const pdbInfo& pdb, dTab* tab, dcInfo* dc, const char* aD1, const char* aD2,
                     const float* weights, int weightCount, Log& log);

// Selects the atoms of pdb into flags (one per atom) and, unless useH, clears the hydrogens; the
// selection is named on log. Returns 0, or 1 after the line naming an invalid pattern.
[[nodiscard]] int selectAtoms(const pdbInfo& pdb, struct pdbSelect* select, int useH,
                              tvector<int>* flags, Log& log);

// Checks the simulation options before any work is done: -dot at least 3, -digPsi at least 1,
// -dGrid above 0. Returns 0, or 1 after one "KORVA: error - ..." line.
[[nodiscard]] int checkStericOptions(const korvaInfo& info, Log& log);

// Steric prediction from the flagged atoms of pdb: refines the medium's geometry in info, keeps
// the surface atoms, simulates the Saupe vector (scaled by the order of the medium and negated),
// stores it in tensor and predicts the couplings of tab from it when nCouplings > 0. frame
// receives the analysis of the simulated vector itself (its frames place the rotated structure),
// simulated the number of atoms simulated. Returns 0, or the failing step's status after its lines.
// With charges that ask for a potential (chargesActive), the simulation is simulateCharged's and
// summary (may be nullptr) receives what the report shows of it.
[[nodiscard]] int stericPipeline(const pdbInfo& pdb, dTab* tab, const tvector<int>& flags,
                                 korvaInfo* info, dTensor* tensor, int nCouplings,
                                 saupeAnalysis* frame, int* simulated, Log& log,
                                 const chargeOptions* charges = nullptr,
                                 chargeSummary* summary = nullptr);

// Steric prediction from free-format coordinates x, y, z (indexed 1..n, changed: only the
// surface atoms remain, centred), with info already checked and refined: simulates and stores the
// tensor. Returns 0, or the failing step's status after its lines.
[[nodiscard]] int stericFreePipeline(int n, tvector<double>* x, tvector<double>* y,
                                     tvector<double>* z, korvaInfo* info, dTensor* tensor,
                                     int* simulated, Log& log);

// The best fit of tensor to the couplings of tab: refuses an SVD fit with fewer than five usable
// couplings, couplings that leave the fit undetermined (checkFitDesign, whose warnings go to
// log, as do checkOrderMatrix's on the result) and a nonlinear fit that could not run. condition,
// when given, receives the fit's condition number (0 for a mode that fits nothing). Returns 0, or
// 1 after the reason.
[[nodiscard]] int fitPipeline(const pdbInfo& pdb, dTab* tab, dTensor* tensor, int verbosity,
                              Log& log, double* condition = nullptr);

// The best fit of one tensor to the couplings of tab over every model of set (tab mapped onto the
// first), as fitPipeline does for one structure, whose result a single model gives exactly.
// Returns 0, or 1 after the reason.
[[nodiscard]] int fitModelsPipeline(const modelSet& set, dTab* tab, dTensor* tensor, int verbosity,
                                    Log& log);

// One model's part in the steric prediction of an ensemble.
struct modelSteric {
  int number = 0;       // model number in the file
  float saupe[5] = {};  // the model's simulated tensor, as stored
  int simulated = 0;    // atoms simulated
};

// Steric prediction of every model of set (tab mapped onto the first; each other model gets its
// own mapping of the same couplings with the residue shift and weights of dc): each model is
// simulated with a copy of info and of the atom selection. The tensor receives the mean of the
// models' Saupe vectors (mode steric, Da, Dr and angles derived), each predicted coupling of tab
// the mean of the models' predictions, info the geometry refined for the first model, rows one
// record per model. Models run on up to `threads` threads; the result does not depend on their
// number. Lines go to log as the first model's run writes them. Returns 0, or the first failing
// model's status after its lines.
[[nodiscard]] int ensembleStericPipeline(const modelSet& set, dTab* tab,
                                         const struct pdbSelect& selection, const dcInfo& dc,
                                         const float* weights, int weightCount, korvaInfo* info,
                                         dTensor* tensor, int nCouplings,
                                         tvector<modelSteric>* rows, int threads, Log& log);

// The couplings of tab, mapped onto another model of an ensemble: the same atoms by name, with
// that model's coordinates for the interaction constants. With leaveOutPlaceholders, couplings
// observed at 999 or more take no part, as in a best fit.
void remapCouplings(const pdbInfo& model, const dcInfo& dc, const float* weights, int weightCount,
                    bool leaveOutPlaceholders, dTab* tab);

}  // namespace korva
