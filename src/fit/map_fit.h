// Error-space mapping of a best fit: repeated refits to couplings perturbed by their errors.
#pragma once

#include "core/log.h"
#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tensor/tensor.h"

namespace korva {

// Receives the principal axes of every counted step (eigVec as the analysis gives them: component
// i of axis j in eigVec[i][j], axes z, y, x), in step order.
class mapStepSink {
 public:
  virtual ~mapStepSink() = default;
  virtual void step(const double eigVec[3][3]) = 0;
};

// What a mapping found.
struct mapResult {
  int steps = 0;        // counted steps
  double gMag[2] = {};  // mean and deviation of the general magnitude, Hz
  double azz[2] = {};   // of |Azz|
  double mean[5] = {};  // of each Saupe element
  double dev[5] = {};
  double frame[3] = {};  // first frame solution (alpha, beta, gamma) of the last counted step
};

// Maps the error space of the fit of tab to pdb: mapCount refits (fitD, in the tensor's mode) to
// the observed couplings perturbed by 0.5 g DD, g standard normal from a fixed sequence that the
// mapping owns. A step counts when its refit produced a tensor: it predicted couplings and gave a
// finite, non-zero Saupe vector whose analysis converged. Each counted step goes to sink.
// Afterwards the input records hold their observed values again with the deviation of the
// predictions in DD and the number of counted steps whose prediction missed the observed value by
// its error or more in W; the working records hold the mean predictions and tensor the mean Saupe
// vector. Returns 0 with result filled, or 1 when no step counts (said on log; the observed
// values are back in place all the same).
[[nodiscard]] int mapSimDC(const pdbInfo* pdb, dTab* tab, dTensor* tensor, int mapCount,
                           int verbosity, mapStepSink& sink, mapResult* result, Log& log);

}  // namespace korva
