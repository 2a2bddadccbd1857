// Tensor and predicted couplings of a coupling table: the order-matrix fit by SVD, or a given
// Saupe vector, chosen by the table's tensor mode.
#pragma once

#include "structure/pdb.h"
#include "tables/dtab.h"

namespace korva {

// Obtains the tensor of tab by its tensorMode and predicts every usable coupling into the
// working list; the modes NOFIXED, DADR and FIXED go to the nonlinear fit. Returns the number of
// predicted couplings; 0 for a null table or a nonlinear fit that could not run.
int fitD(pdbInfo* pdb, dTab* tab, int verbosity);
// SVD fit (tensorMode SVD) or prediction from saupeIn (SAUPE, STERIC), then the glycine pairs.
// Returns the number of predicted couplings.
int fitDSVD(pdbInfo* pdb, dTab* tab);
// Number of couplings that enter the fit: working record selected with both atoms, W != 0, and
// neither glycine flag set.
int countFitDC(const dTab* tab);
// 1 for the tensor modes whose fit is nonlinear (NOFIXED, DADR, FIXED).
int isNonlinearTensorMode(int tensorMode);
// Predicts coupling index of tab for the two atom pairs (name1 in the residue of atom I, name2
// in that of atom J) and (name3, name4), with the coupling's DI and the Saupe vector s with
// errors sErr. d and dd (2 values each, caller-owned) receive the predictions. Returns 0 when
// the first pair is missing, 1 when only the first pair was found, 2 when both were predicted.
int findD2(pdbInfo* pdb, const dTab* tab, int index, const char* name1, const char* name2,
           const char* name3, const char* name4, float d[2], float dd[2], const float s[5],
           const float sErr[5]);

}  // namespace korva
