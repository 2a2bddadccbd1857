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

struct Sample {
  std::vector<float> x, y;
  // Expectations from python3 in double precision on the float-rounded data: r from the
  // deviation sums, z = atanh(r), prob from the closed-form Student t tail for 1 or 3 degrees of
  // freedom, a and b from the normal equations, siga and sigb from the residual variance s^2 =
  // chi2 / (n - 2): sigb^2 = s^2 / Sxx, siga^2 = s^2 sum(x^2) / (n Sxx).
  double r, z, prob, a, b, siga, sigb, chi2;
};

TEST(Stats, UnweightedFitAndCorrelationMatchIndependentValues) {
  const Sample samples[] = {
      {{1, 2, 3, 4, 5},
       {2.1f, 3.9f, 6.2f, 7.8f, 10.1f},
       0.9986517570779578,
       3.6507129526372735,
       5.9415291381981206e-05,
       0.04999976158141983,
       1.990000104904175,
       0.19807395959535562,
       0.059721545883437296,
       0.10699989128122518},
      {{0.5f, 1.5f, 4.0f},
       {1.0f, -2.0f, 3.5f},
       0.6546536707079771,
       0.7833996184862054,
       0.5456289483429899,
       -1.1666666666666665,
       1.0,
       2.8674417556808756,
       1.1547005383792515,
       8.666666666666666},
  };
  for (const Sample& s : samples) {
    std::vector<float> x = oneBased(s.x), y = oneBased(s.y);
    int n = static_cast<int>(s.x.size());
    float r = 0, prob = 0, z = 0;
    pearsn(x.data(), y.data(), n, &r, &prob, &z);
    EXPECT_NEAR(r, s.r, 1e-6) << "n " << n;
    EXPECT_NEAR(z, s.z, 1e-4 * s.z) << "n " << n;
    EXPECT_NEAR(prob, s.prob, 1e-4 * s.prob) << "n " << n;
    float a = 0, b = 0, siga = 0, sigb = 0, chi2 = 0, q = 0;
    fit(x.data(), y.data(), n, nullptr, 0, &a, &b, &siga, &sigb, &chi2, &q);
    EXPECT_NEAR(a, s.a, 1e-5) << "n " << n;
    EXPECT_NEAR(b, s.b, 1e-5) << "n " << n;
    EXPECT_NEAR(siga, s.siga, 1e-5) << "n " << n;
    EXPECT_NEAR(sigb, s.sigb, 1e-5) << "n " << n;
    EXPECT_NEAR(chi2, s.chi2, 1e-5) << "n " << n;
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
TEST(Stats, DegenerateInputsGiveZerosNotNaN) {
  struct Case {
    const char* what;
    std::vector<float> x, y;
  };
  const Case cases[] = {
      {"no point", {}, {}},
      {"one point", {3.0f}, {4.0f}},
      {"all x equal", {0.1f, 0.1f, 0.1f}, {1.0f, 2.0f, 4.0f}},
      {"all x zero", {0, 0, 0, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<float> x = oneBased(c.x), y = oneBased(c.y);
    int n = static_cast<int>(c.x.size());
    float r = 9, prob = 9, z = 9;
    pearsn(x.data(), y.data(), n, &r, &prob, &z);
    EXPECT_EQ(r, 0.0f) << c.what;
    EXPECT_EQ(prob, 0.0f) << c.what;
    EXPECT_EQ(z, 0.0f) << c.what;
    float out[6] = {9, 9, 9, 9, 9, 9};
    fit(x.data(), y.data(), n, nullptr, 0, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5]);
    for (float v : out) EXPECT_EQ(v, 0.0f) << c.what;
  }

  // All y equal: no correlation can be computed, but the line is the horizontal one.
  std::vector<float> x = oneBased({1.0f, 2.0f, 3.0f}), y = oneBased({0.3f, 0.3f, 0.3f});
  float r = 9;
  pearsn(x.data(), y.data(), 3, &r, nullptr, nullptr);
  EXPECT_EQ(r, 0.0f);

  // Two points: the line through them (a 1, b 2), but no scatter for the errors.
  std::vector<float> x2 = oneBased({1.0f, 2.0f}), y2 = oneBased({3.0f, 5.0f});
  float a = 0, b = 0, siga = 9, sigb = 9, chi2 = 9, q = 0;
  fit(x2.data(), y2.data(), 2, nullptr, 0, &a, &b, &siga, &sigb, &chi2, &q);
  EXPECT_NEAR(a, 1.0f, 1e-6);
  EXPECT_NEAR(b, 2.0f, 1e-6);
  EXPECT_EQ(siga, 0.0f);
  EXPECT_EQ(sigb, 0.0f);
  EXPECT_NEAR(chi2, 0.0f, 1e-10);
  for (float v : {a, b, siga, sigb, chi2, q}) EXPECT_TRUE(std::isfinite(v));
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
}

}  // namespace
}  // namespace korva
