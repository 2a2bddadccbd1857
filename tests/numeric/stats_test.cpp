// Correlation and straight-line fit against independent computations.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/stats.h"

namespace korva {
namespace {

// 1-based copies of the sample values.
std::vector<float> oneBased(std::vector<float> v) {
  v.insert(v.begin(), 0.0f);
  return v;
}

// Expectations from python3 in double precision on the float-rounded data: r from the deviation
// sums, z = atanh(r), prob from the closed-form Student t tail for 1 or 3 degrees of freedom, a and
// b from the normal equations, siga and sigb from the residual variance s^2 = chi2 / (n - 2):
// sigb^2 = s^2 / Sxx, siga^2 = s^2 sum(x^2) / (n Sxx).
TEST(Stats, UnweightedFitAndCorrelationMatchIndependentValues) {
  const struct {
    std::vector<float> x, y;
    double expected[8];  // r, z, prob, a, b, siga, sigb, chi2
  } samples[] = {
      {{1, 2, 3, 4, 5},
       {2.1f, 3.9f, 6.2f, 7.8f, 10.1f},
       {0.9986517570779578, 3.6507129526372735, 5.9415291381981206e-05, 0.04999976158141983,
        1.990000104904175, 0.19807395959535562, 0.059721545883437296, 0.10699989128122518}},
      {{0.5f, 1.5f, 4.0f},
       {1.0f, -2.0f, 3.5f},
       {0.6546536707079771, 0.7833996184862054, 0.5456289483429899, -1.1666666666666665, 1.0,
        2.8674417556808756, 1.1547005383792515, 8.666666666666666}},
  };
  for (const auto& s : samples) {
    std::vector<float> x = oneBased(s.x), y = oneBased(s.y);
    const int n = static_cast<int>(s.x.size());
    float got[8], q = 0;
    pearsn(x.data(), y.data(), n, &got[0], &got[2], &got[1]);
    fit(x.data(), y.data(), n, nullptr, 0, &got[3], &got[4], &got[5], &got[6], &got[7], &q);
    const double rel[8] = {1e-6, 1e-4, 1e-4, 1e-4, 1e-5, 1e-4, 1e-4, 1e-4};
    for (int k = 0; k < 8; k++) {
      EXPECT_NEAR(got[k], s.expected[k], rel[k] * std::fabs(s.expected[k]) + 1e-9) << n << k;
    }
    EXPECT_EQ(q, 1.0f);
  }
}

// Weighted least squares with every sigma 2 on x 1..4, y 1.5 2.5 2.0 4.5 (python3): the line is
// the unweighted one, a 0.5 and b 0.85; siga^2 = Swxx / D and sigb^2 = Sw / D with D = Sw Swxx -
// Swx^2; chi2 = sum((y - a - b x) / 2)^2 = 0.39375; q for 2 degrees of freedom is exp(-chi2 / 2).
TEST(Stats, WeightedFitMatchesClosedForm) {
  std::vector<float> x = oneBased({1, 2, 3, 4}), y = oneBased({1.5f, 2.5f, 2.0f, 4.5f});
  std::vector<float> sig = oneBased({2, 2, 2, 2});
  float a = 0, b = 0, siga = 0, sigb = 0, chi2 = 0, q = 0;
  fit(x.data(), y.data(), 4, sig.data(), 1, &a, &b, &siga, &sigb, &chi2, &q);
  EXPECT_NEAR(a, 0.5, 1e-6);
  EXPECT_NEAR(b, 0.85, 1e-6);
  EXPECT_NEAR(siga, 2.449489742783178, 1e-6);
  EXPECT_NEAR(sigb, 0.8944271909999159, 1e-6);
  EXPECT_NEAR(chi2, 0.39375, 1e-6);
  EXPECT_NEAR(q, 0.8212932885576412, 1e-6);
}

// What cannot be computed comes back as 0, never as NaN or infinity. The 0.1 case matters: the
// deviations from the computed mean of three equal floats are not exactly zero.
// What cannot be computed comes back as 0, never as NaN or infinity. The 0.1 case matters: the
// deviations from the computed mean of three equal floats are not exactly zero. With all y equal
// there is no correlation but a horizontal line; through two points (1, 3), (2, 5) the line is
// a 1, b 2, with no scatter for the errors.
TEST(Stats, DegenerateInputsGiveZerosNotNaN) {
  const struct {
    std::vector<float> x, y;
    float r, line[6];  // a, b, siga, sigb, chi2, q
  } cases[] = {
      {{}, {}, 0, {0, 0, 0, 0, 0, 0}},
      {{3.0f}, {4.0f}, 0, {0, 0, 0, 0, 0, 0}},
      {{0.1f, 0.1f, 0.1f}, {1.0f, 2.0f, 4.0f}, 0, {0, 0, 0, 0, 0, 0}},
      {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, {0, 0, 0, 0, 0, 0}},
      {{1, 2, 3}, {0.5f, 0.5f, 0.5f}, 0, {0.5f, 0, 0, 0, 0, 1}},
      {{1, 2}, {3, 5}, 1, {1, 2, 0, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    std::vector<float> x = oneBased(c.x), y = oneBased(c.y);
    const int n = static_cast<int>(c.x.size());
    float r = 9, prob = 9, z = 9, out[6] = {9, 9, 9, 9, 9, 9};
    pearsn(x.data(), y.data(), n, &r, &prob, &z);
    EXPECT_NEAR(r, c.r, 1e-6) << n;
    EXPECT_EQ(prob, 0.0f) << n;
    fit(x.data(), y.data(), n, nullptr, 0, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5]);
    for (int k = 0; k < 6; k++) EXPECT_NEAR(out[k], c.line[k], 1e-6) << n << " " << k;
  }
}

// Observed x, predicted y, errors dd; expectations from numpy: rms and Q from the differences,
// chi2 with dd 0 counted as 1, r from corrcoef, both regressions by lstsq with the residual
// variance, and the mean slope 0.5 (b1 + 1/b2) with its error as the report defines it.
TEST(Stats, AgreementOfPredictedWithObserved) {
  std::vector<float> x = oneBased({10, -5, 3, 8, -2}), y = oneBased({9, -4, 4.5f, 7, -1});
  std::vector<float> dd = oneBased({1, 0, 2, 1, 0.5f});
  const agreementStats st = agreement(x.data(), y.data(), dd.data(), 5);
  EXPECT_EQ(st.n, 5);
  const struct {
    float value;
    double expected;
  } cases[] = {{st.rms, 1.118033988749895},     {st.chi2, 7.5625},
               {st.q, 0.17589938618257298},     {st.r, 0.9913530580349167},
               {st.offset, 0.7248157248157264}, {st.offsetErr, 0.41204664977201105},
               {st.slope, 0.8482800982800983},  {st.slopeErr, 0.06482696725036319},
               {st.keb, 0.855711374266769},     {st.kebErr, 0.039570579874085826}};
  for (const auto& c : cases) EXPECT_NEAR(c.value, c.expected, 2e-6 * std::fabs(c.expected));
  // All observed values zero: no Q and no regression, but the differences still count.
  std::vector<float> zero = oneBased({0, 0, 0});
  const agreementStats z = agreement(zero.data(), y.data(), dd.data(), 3);
  EXPECT_EQ(z.q, 0.0f);
  EXPECT_EQ(z.keb, 0.0f);
  EXPECT_NEAR(z.rms, std::sqrt((81 + 16 + 20.25) / 3.0), 1e-5);
  EXPECT_EQ(agreement(x.data(), y.data(), dd.data(), 0).rms, 0.0f);
  // Two couplings: the differences count (rms sqrt((1 + 1) / 2) = 1), but two points always lie
  // on a line, so R and the regression, which would read 1 and an exact slope, are 0.
  const agreementStats two = agreement(x.data(), y.data(), dd.data(), 2);
  EXPECT_NEAR(two.rms, 1.0, 1e-6);
  for (float v : {two.r, two.slope, two.slopeErr, two.offset, two.keb}) EXPECT_EQ(v, 0.0f);
}

}  // namespace
}  // namespace korva
