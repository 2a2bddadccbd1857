// Nonlinear fits of an alignment tensor given by Da, Dr and three rotation angles to the couplings
// of a table, with bounds on every parameter (free, Da and Dr fixed, or everything fixed).
#pragma once

#include "structure/pdb.h"
#include "tables/dtab.h"

namespace korva {

// Fits psi, theta, phi and, where their bounds differ, Da and Dr of tab's tensor to the selected
// couplings whose atoms are in pdb; every parameter with equal bounds is held at that bound, so
// with all bounds equal this predicts the couplings from the given tensor. Leaves the solution in
// the tensor (angles, equivalent angle lists, Saupe vector) and the predictions in the working
// records; pdb's coordinates are left as they were, but its atom selection and aux fields are
// reused as marks. verbosity above 1 prints progress. Returns the number of couplings that took
// part; 0 when there is none, no atom, or too few couplings for the free parameters (tensor then
// not fitted); -1 when the work buffers cannot be set up. pdb and tab stay the caller's.
int fitDCAlign(pdbInfo* pdb, dTab* tab, int verbosity);

// Sizes the process-wide coordinate buffers for the atoms marked by fitDCAlign and fills them.
// Returns 0, or 1 after an error line.
int fitDCAlloc();
// Releases the coordinate buffers; safe when nothing is held. Call once at the end of a run.
void fitDCFree();
// Builds the parameter vector from the tensor of the current fit and runs the solver. Returns 0,
// or 1 when there are too few couplings for the free parameters (angles then set to 0).
int fitDCAlign2();
// Residual function of the fit: stores x into the tensor, rotates the atoms, predicts every
// coupling into the working records and writes the m weighted residuals into fvec. Returns 0.
int fitDCTarget(int m, int n, const float* x, float* fvec);

// Number of residual evaluations made by the last fitDCAlign.
int fitDCEvaluations();

}  // namespace korva
