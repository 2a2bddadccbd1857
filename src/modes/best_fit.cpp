// The plain best-fit run of the best-fit mode.
#include "modes/best_fit.h"

#include <cstdio>

#include "tensor/saupe_analysis.h"
#include "fit/fit_d.h"
#include "tensor/tensor.h"
#include "structure/domain.h"
#include "report/report.h"

namespace korva {
namespace {

constexpr int kMinFitCouplings = 5;

}  // namespace

int simDC(pdbInfo* pdb, dTab* tab, const korvaInfo* info, const char* remark, const char* outFile,
          const char* pdbOut, int verbosity) {
  // Five Saupe elements need five independent couplings; a zero tensor with zero predictions
  // would otherwise be reported as a fit.
  if (tab->tensorMode == kTensorSVD) {
    const int usable = countFitDC(tab);
    if (usable < kMinFitCouplings) {
      std::fprintf(stderr, "KORVA: best fit needs at least %d usable couplings, found %d.\n",
                   kMinFitCouplings, usable);
      return 1;
    }
  }
  // The nonlinear fits print why they could not fit; reporting their untouched tensor as a fit
  // would be wrong.
  if (fitD(pdb, tab, verbosity) == 0 && isNonlinearTensorMode(tab->tensorMode)) return 1;
  if (writeDCmod(outFile, "w", tab, info, "") != 0) return 1;

  double saupe[5];
  for (int k = 0; k < 5; k++) saupe[k] = tab->saupe[k];
  double irr[5], gMag, eigVec[3][3], eigVal[3], da, dr;
  double alpha[kSaupeFrames], beta[kSaupeFrames], gamma[kSaupeFrames];
  // The rotation needs the frame angles even when the report leaves them out.
  if (analyzeSaupe(saupe, irr, &gMag, eigVec, eigVal, &da, &dr, alpha, beta, gamma, 1) != 0) {
    std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
    return 1;
  }
  if (pdb->nAtoms == 0) return 0;
  return writeFrameStructure(pdb, alpha[0], beta[0], gamma[0], pdbOut, remark);
}

}  // namespace korva
