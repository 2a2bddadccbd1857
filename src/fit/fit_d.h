// Tensor and predicted couplings of a coupling table: the order-matrix fit by SVD, or a given
// Saupe vector, chosen by the tensor's mode; the nonlinear modes go to the nonlinear fit.
#pragma once

#include "core/log.h"
#include "fit/svd_fit.h"
#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tensor/tensor.h"

namespace korva {

// Obtains the tensor by tensor->tensorMode and predicts every usable coupling of tab into its
// working list. The structure is only read; tab must be mapped onto it. Returns the number of
// predicted couplings; 0 for a nonlinear fit that could not run (said on log).
int fitD(const pdbInfo* pdb, dTab* tab, dTensor* tensor, fitWorkspace* ws, int verbosity, Log& log);
// SVD fit (tensorMode SVD) or prediction from saupeIn (SAUPE, STERIC), then the glycine pairs.
// Returns the number of predicted couplings.
int fitDSVD(const pdbInfo* pdb, dTab* tab, dTensor* tensor, fitWorkspace* ws, Log& log);
// Number of couplings that enter the fit (dcEntersFit).
int countFitDC(const dTab* tab);
// How well the couplings that enter a fit determine the five elements of the order matrix: the
// condition number of the order-matrix fit, the largest over the smallest singular value of its
// weighted design matrix (infinite when one is 0). 0 with fewer than five couplings.
double fitCondition(const dTab* tab);
// 1 for the tensor modes whose fit is nonlinear (NOFIXED, DADR, FIXED).
int isNonlinearTensorMode(int tensorMode);
// Predicts coupling index of tab for the two atom pairs (name1 in the residue of atom I, name2
// in that of atom J) and (name3, name4), with the coupling's DI and the Saupe vector s with
// errors sErr. d and dd (2 values each, caller-owned) receive the predictions. Returns 0 when
// the first pair is missing, 1 when only the first pair was found, 2 when both were predicted.
int findD2(const pdbInfo* pdb, const dTab* tab, int index, const char* name1, const char* name2,
           const char* name3, const char* name4, float d[2], float dd[2], const float s[5],
           const float sErr[5]);

}  // namespace korva
