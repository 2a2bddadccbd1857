// Correlation and straight-line regression over 1-based single-precision vectors.
#pragma once

namespace korva {

// Pearson correlation of x[1..n] and y[1..n] (1-based; the caller owns both arrays).
// r = sxy / (sqrt(sxx * syy) + 1e-20); prob is the two-sided significance of r (Student t with
// n - 2 degrees of freedom) and z the Fisher z of r.
// What cannot be computed is returned as 0: with n < 2, or when all x or all y are equal, r, prob
// and z are 0; with n = 2 prob is 0. Any of r, prob, z may be nullptr.
void pearsn(const float* x, const float* y, int n, float* r, float* prob, float* z);

// Least-squares line y = a + b x through x[1..n], y[1..n] (1-based; the caller owns the arrays).
// weighted 0 ignores sig; then chi2 is the sum of squared residuals, siga and sigb are scaled by
// the scatter sqrt(chi2 / (n - 2)) and q is 1. weighted 1 uses the errors sig[1..n] (each > 0),
// and q is the goodness-of-fit probability of chi2 with n - 2 degrees of freedom.
// What cannot be computed is returned as 0, never divided by zero: with n < 2, or when all x are
// equal (or a weighted sig is not positive), every output is 0; with n = 2 the line is exact and
// siga, sigb (unweighted) and q (weighted) are 0. Any output pointer may be nullptr.
void fit(const float* x, const float* y, int n, const float* sig, int weighted, float* a, float* b,
         float* siga, float* sigb, float* chi2, float* q);

// Values a correlation or a regression needs before it says anything.
constexpr int kMinRegressionPoints = 3;

// Agreement of predicted with observed values, as the reports print it.
struct agreementStats {
  int n = 0;          // values compared
  float rms = 0.0f;   // root-mean-square difference
  float chi2 = 0.0f;  // sum of squared differences over the errors (not divided by n)
  float q = 0.0f;     // quality factor: rms difference over rms observed value
  float r = 0.0f;     // Pearson correlation
  float offset = 0.0f, offsetErr = 0.0f;  // regression of predicted on observed
  float slope = 0.0f, slopeErr = 0.0f;
  float keb = 0.0f, kebErr = 0.0f;  // mean of the slope and the inverse reverse slope
};

// Statistics of observed x[1..n] against predicted y[1..n] with errors dd[1..n] (1-based, the
// caller's). Sums are formed in double from the single-precision values. What cannot be computed
// is 0: R, the regression and their errors with fewer than three values (and as pearsn and fit
// give them), the KEB slope when the reverse slope is 0 or the result is not finite, Q when every
// observed value is 0.
agreementStats agreement(const float* x, const float* y, const float* dd, int n);

}  // namespace korva
