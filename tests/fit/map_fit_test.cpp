// Error-space mapping on the ubiquitin structure and its N-H couplings: the step rule, the
// deviations against the SVD errors, failure, and repeatability.
#include "fit/map_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fit/fit_d.h"
#include "support/files.h"

namespace korva {
namespace {

using testing::sourcePath;

// Collects the axes of every counted step.
struct axesSink final : mapStepSink {
  std::vector<double> axes;
  void step(const double v[3][3]) override {
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) axes.push_back(v[i][j]);
  }
};

struct ubiquitin {
  pdbInfo pdb;
  dTab tab;
  dTensor tensor;
  axesSink sink;
  mapResult result;

  ubiquitin() {
    dTensorNull(&tensor);
    EXPECT_EQ(readPDB(sourcePath("examples/ubiquitin-2mjb.pdb").c_str(), &pdb, nullptr, nullLog()),
              0);
    EXPECT_EQ(readDC(sourcePath("examples/ubiquitin-nh-bicelle.tab").c_str(), &tab, nullLog()), 0);
    mapDCInfo(&pdb, &tab);
    EXPECT_EQ(buildDC(&pdb, &tab, 0, tab.firstRes, nullptr, 0, nullLog()), 63);
  }
  int map(int steps, Log& log = nullLog()) {
    return mapSimDC(&pdb, &tab, &tensor, steps, 0, sink, &result, log);
  }
  // The Saupe vector and its errors of one fit to the observed values as they stand.
  void fit(float s[5], float err[5]) {
    fitWorkspace ws;
    ASSERT_EQ(fitD(&pdb, &tab, &tensor, &ws, 0, nullLog()), 63);
    for (int k = 0; k < 5; k++) s[k] = tensor.saupe[k], err[k] = tensor.saupeErr[k];
  }
};

// With DD = 0 nothing is perturbed, so every step refits the same data: all steps count (a rule
// that needed the last coupling within its error would count none, since |diff| >= 0 always
// misses), the deviations vanish, the mean equals the single fit and every coupling misses in
// every step. The observed values are back in place afterwards.
TEST(MapSimDC, ZeroErrorsGiveZeroDeviations) {
  ubiquitin d;
  for (dcRecord& r : d.tab.in) r.DD = 0.0f;
  std::vector<float> observed;
  for (const dcRecord& r : d.tab.in) observed.push_back(r.D);
  float single[5], err[5];
  d.fit(single, err);
  ASSERT_EQ(d.map(40), 0);
  EXPECT_EQ(d.result.steps, 40);
  EXPECT_EQ(d.sink.axes.size(), 40u * 9);
  for (int k = 0; k < 5; k++) {
    EXPECT_LE(std::fabs(d.result.dev[k]), 1e-5 * std::fabs(single[k]) + 1e-12) << k;
    EXPECT_NEAR(d.result.mean[k], single[k], 1e-6 * std::fabs(single[k])) << k;
    EXPECT_FLOAT_EQ(d.tensor.saupe[k], single[k]) << k;
  }
  EXPECT_LE(d.result.gMag[1] + d.result.azz[1], 1e-5 * d.result.gMag[0]);
  for (int i = 0; i < d.tab.n; i++) {
    EXPECT_EQ(d.tab.in[i].D, observed[static_cast<size_t>(i)]) << i;
    EXPECT_LE(d.tab.in[i].DD, 1e-4f) << i;
    EXPECT_EQ(d.tab.in[i].W, 40.0f) << i;
  }
}

// The SVD fit weights coupling i by |DI_i|/DD_i, so its covariance (A^T A)^-1 is the covariance
// of the fitted Saupe vector when the noise on D_i has standard deviation DD_i. With DD halved the
// weights change by a common factor only (same estimator) and the reported errors halve, which is
// exactly the spread that noise of 0.5 g DD_i gives. The sample deviation of 1000 Gaussian steps
// has a relative sampling error of 1/sqrt(2 * 1000) = 2.2 %; we allow four of them. The means
// follow the single fit within the same noise.
TEST(MapSimDC, SaupeDeviationsMatchSvdErrorsAtHalfTheErrors) {
  ubiquitin d;
  for (dcRecord& r : d.tab.in) r.DD *= 0.5f;
  float s[5], svdErr[5];
  d.fit(s, svdErr);
  for (dcRecord& r : d.tab.in) r.DD *= 2.0f;
  const int steps = 1000;
  ASSERT_EQ(d.map(steps), 0);
  const double tol = 4.0 / std::sqrt(2.0 * steps);
  for (int k = 0; k < 5; k++) {
    ASSERT_GT(svdErr[k], 0.0f) << k;
    EXPECT_NEAR(d.result.dev[k] / svdErr[k], 1.0, tol) << "element " << k;
    EXPECT_NEAR(d.result.mean[k], s[k], 4.0 * svdErr[k] / std::sqrt(steps)) << k;
  }
  // |Azz| of the fit of the example: the largest eigenvalue magnitude (numpy eigvalsh) of the
  // independent least-squares Saupe vector of the fit tests, 8.672959e-4.
  EXPECT_NEAR(d.result.azz[0], 8.672959e-4, 2e-6);
}

// Fewer than five usable couplings: the SVD refit yields no tensor, so no step counts. The run
// fails and leaves the observed values in place.
TEST(MapSimDC, NoTensorNoSteps) {
  ubiquitin d;
  for (int i = 4; i < d.tab.n; i++) d.tab.work[i].selected = 0;
  std::vector<float> observed;
  for (const dcRecord& r : d.tab.in) observed.push_back(r.D);
  TextLog log;
  EXPECT_EQ(d.map(5, log), 1);
  EXPECT_EQ(log.text(), "KORVA Error: no successful step in error space mapping.\n");
  EXPECT_EQ(d.result.steps, 0);
  EXPECT_TRUE(d.sink.axes.empty());
  for (int i = 0; i < d.tab.n; i++) EXPECT_EQ(d.tab.in[i].D, observed[static_cast<size_t>(i)]);
  // A table without couplings is no success either.
  dTab empty;
  EXPECT_EQ(mapSimDC(&d.pdb, &empty, &d.tensor, 3, 0, d.sink, &d.result, nullLog()), 1);
}

}  // namespace
}  // namespace korva
