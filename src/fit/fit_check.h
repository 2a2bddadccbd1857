// Whether a fit can be trusted: bond vectors that leave the five order-matrix elements
// undetermined, a fit with nothing left over to test, and order parameters no medium can give.
#pragma once

#include "core/log.h"
#include "core/status.h"
#include "tables/dtab.h"
#include "tensor/tensor.h"

namespace korva {

// Condition number of the order-matrix fit above which its elements are said to be poorly
// determined. Bond vectors spread over all directions give 2 to 3; those of one helix about 30,
// ten within 10 degrees of one axis about 400.
constexpr double kConditionWarning = 100.0;

// Checks the couplings of tab before a fit in tensorMode (SVD, NOFIXED, DADR; other modes fit
// nothing and pass with condition 0). condition receives fitCondition. A condition at which the
// SVD would drop a direction (the smallest singular value below kSvdThreshold of the largest)
// fails the five-element fits (SVD, NOFIXED): their tensor would be one of many that fit equally
// well. Below that a large condition, the same for DADR, and exactly five couplings for a
// five-element fit (which it meets exactly, leaving Q nothing to test) are warned on log.
Status checkFitDesign(const dTab& tab, int tensorMode, double* condition, Log& log);

// Warns on log when the fitted order matrix has an eigenvalue outside [-0.5, 1], the range of
// every real orientational distribution.
void checkOrderMatrix(const dTensor& tensor, Log& log);

}  // namespace korva
