// Tensors of an ensemble: one tensor for all models, each coupling predicted as the mean over the
// models of its prediction in that model (the design matrix averaged over models).
#pragma once

#include "core/log.h"
#include "fit/svd_fit.h"
#include "structure/models.h"
#include "tables/dtab.h"
#include "tensor/tensor.h"

namespace korva {

// Obtains the tensor by tensor->tensorMode as fitD does and predicts every usable coupling of tab
// as its mean over the models of set. tab must be mapped onto the first model; atom k of that
// model is atom k of every other (buildModelSet checks it). The interaction constant of each
// coupling is the first model's. A single model gives exactly what fitD gives. Returns the
// number of predicted couplings; 0 for a nonlinear fit that could not run (said on log).
int fitDModels(const modelSet& set, dTab* tab, dTensor* tensor, fitWorkspace* ws, int verbosity,
               Log& log);

}  // namespace korva
