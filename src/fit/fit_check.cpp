// Checks that say when a fit of an order matrix cannot be trusted.
#include "fit/fit_check.h"

#include <cmath>

#include "fit/fit_d.h"
#include "numeric/eigen3.h"
#include "numeric/svd.h"

namespace korva {
namespace {

constexpr int kSaupeCount = 5;
// An order parameter <(3 cos^2 - 1) / 2> lies between these for any distribution of angles.
constexpr double kLowestOrder = -0.5;
constexpr double kHighestOrder = 1.0;
// Rounding of single-precision elements must not make a perfect alignment (1) look impossible.
constexpr double kOrderSlack = 1e-4;

}  // namespace

Status checkFitDesign(const dTab& tab, int tensorMode, double* condition, Log& log) {
  *condition = 0.0;
  const bool fiveElements = tensorMode == kTensorSVD || tensorMode == kTensorNoFixed;
  if (!fiveElements && tensorMode != kTensorDaDr) return Status::success();
  const int n = countFitDC(&tab);
  if (n < kSaupeCount) return Status::success();  // the fits say so themselves
  *condition = fitCondition(&tab);
  const bool undetermined = !(*condition * kSvdThreshold < 1.0);
  if (undetermined && fiveElements) {
    return Status::failure(
        "KORVA: error - the bond vectors of the %d couplings leave the order matrix undetermined "
        "(condition number %.3g); no fit.\n",
        n, *condition);
  }
  if (*condition > kConditionWarning) {
    log.printf(
        "KORVA Warning: the bond vectors of the %d couplings determine the order matrix poorly "
        "(condition number %.3g, above %.0f).\n",
        n, *condition, kConditionWarning);
  }
  if (fiveElements && n == kSaupeCount) {
    log.printf(
        "KORVA Warning: 5 couplings fit the 5 order-matrix elements exactly; Q and the other "
        "statistics test nothing.\n");
  }
  return Status::success();
}

void checkOrderMatrix(const dTensor& tensor, Log& log) {
  // (Szz, Sxx - Syy, Sxy, Sxz, Syz) of a traceless matrix: Sxx and Syy follow from the first two.
  const double szz = tensor.saupe[0], dxy = tensor.saupe[1];
  double m[3][3] = {{0.5 * (dxy - szz), tensor.saupe[2], tensor.saupe[3]},
                    {tensor.saupe[2], -0.5 * (dxy + szz), tensor.saupe[4]},
                    {tensor.saupe[3], tensor.saupe[4], szz}};
  double eig[3], vec[3][3];
  if (jacobi3(m, eig, vec, nullptr) != 0) return;  // not finite: the analysis says so
  // The eigenvalue furthest outside the range is named.
  double worst = 0.0, excess = kOrderSlack;
  for (double e : eig) {
    const double out = std::fmax(kLowestOrder - e, e - kHighestOrder);
    if (out > excess) excess = out, worst = e;
  }
  if (excess > kOrderSlack) {
    log.printf(
        "KORVA Warning: the fitted order matrix has the eigenvalue %.4g, outside [-0.5, 1] "
        "where every real alignment lies; the fit cannot be trusted.\n",
        worst);
  }
}

}  // namespace korva
