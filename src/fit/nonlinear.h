// Nonlinear fits of an alignment tensor given by Da, Dr and three rotation angles to the couplings
// of a table, with bounds on every parameter (free, Da and Dr fixed, or everything fixed).
#pragma once

#include "core/log.h"
#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tensor/tensor.h"

namespace korva {

// Fits psi, theta, phi and, where their bounds differ, Da and Dr of tensor to the couplings of tab
// that enter a fit (dcEntersFit); every parameter with equal bounds is held at that bound, so with
// all bounds equal this predicts the couplings from the given tensor. Leaves the solution in
// tensor (angles, equivalent angle lists, Saupe vector) and the predictions in tab's working
// records. The structure is only read. verbosity above 1 writes progress to log, which also
// receives the reason when nothing could be fitted. Returns the number of couplings that took
// part; 0 when there is none or too few for the free parameters (tensor then not fitted).
// evaluations (may be null) receives the number of residual evaluations.
int fitDCAlign(const pdbInfo* pdb, dTab* tab, dTensor* tensor, int verbosity, Log& log,
               int* evaluations = nullptr);

// The same fit to an ensemble: models[0 .. modelCount-1] hold the same atoms in the same order,
// tab is mapped onto models[0], and each prediction is the mean of the models' predictions with
// the one tensor (with the DI of the first model).
int fitDCAlignModels(const pdbInfo* const* models, int modelCount, dTab* tab, dTensor* tensor,
                     int verbosity, Log& log, int* evaluations = nullptr);

}  // namespace korva
