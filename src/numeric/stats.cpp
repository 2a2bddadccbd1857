// Correlation and straight-line fit with the probability functions their significances need.
#include "numeric/stats.h"

#include <math.h>

#include <cmath>

namespace korva {
namespace {

constexpr double kTiny = 1.0e-20;    // keeps r = +-1 and zero variances finite
constexpr double kFpMin = 1.0e-300;  // floor of the continued-fraction denominators
constexpr double kEps = 3.0e-16;     // relative accuracy of the series and fractions
constexpr int kMaxIterations = 300;

void put(float* out, double value) {
  if (out != nullptr) *out = static_cast<float>(value);
}

// 1 when all of v[1..n] hold the same value. Tested directly on the values, because the
// deviations from a computed mean are not exactly zero then.
int allEqual(const float* v, int n) {
  for (int i = 2; i <= n; ++i) {
    if (v[i] != v[1]) return 0;
  }
  return 1;
}

// Continued fraction of the incomplete beta function (modified Lentz method).
double betaFraction(double a, double b, double x) {
  double qab = a + b, qap = a + 1.0, qam = a - 1.0;
  double c = 1.0, d = 1.0 - qab * x / qap;
  if (std::fabs(d) < kFpMin) d = kFpMin;
  d = 1.0 / d;
  double h = d;
  for (int m = 1; m <= kMaxIterations; ++m) {
    int m2 = 2 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < kFpMin) d = kFpMin;
    c = 1.0 + aa / c;
    if (std::fabs(c) < kFpMin) c = kFpMin;
    d = 1.0 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1.0 + aa * d;
    if (std::fabs(d) < kFpMin) d = kFpMin;
    c = 1.0 + aa / c;
    if (std::fabs(c) < kFpMin) c = kFpMin;
    d = 1.0 / d;
    double del = d * c;
    h *= del;
    if (std::fabs(del - 1.0) < kEps) break;
  }
  return h;
}

// log(Gamma(x)) without std::lgamma, which writes the sign into a process-wide variable and so
// cannot run in two threads at once.
double logGamma(double x) {
  int sign = 0;
  return ::lgamma_r(x, &sign);
}

// Regularised incomplete beta function I_x(a, b) for x in [0, 1].
double incompleteBeta(double a, double b, double x) {
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  double front = std::exp(logGamma(a + b) - logGamma(a) - logGamma(b) + a * std::log(x) +
                          b * std::log(1.0 - x));
  if (x < (a + 1.0) / (a + b + 2.0)) return front * betaFraction(a, b, x) / a;
  return 1.0 - front * betaFraction(b, a, 1.0 - x) / b;
}

// Upper regularised incomplete gamma function Q(a, x), a > 0, x >= 0.
double incompleteGammaQ(double a, double x) {
  if (x <= 0.0) return 1.0;
  double lnFront = -x + a * std::log(x) - logGamma(a);
  if (x < a + 1.0) {
    double ap = a, del = 1.0 / a, sum = del;
    for (int n = 0; n < kMaxIterations; ++n) {
      ap += 1.0;
      del *= x / ap;
      sum += del;
      if (std::fabs(del) < std::fabs(sum) * kEps) break;
    }
    return 1.0 - sum * std::exp(lnFront);
  }
  double b = x + 1.0 - a, c = 1.0 / kFpMin, d = 1.0 / b, h = d;
  for (int i = 1; i <= kMaxIterations; ++i) {
    double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < kFpMin) d = kFpMin;
    c = b + an / c;
    if (std::fabs(c) < kFpMin) c = kFpMin;
    d = 1.0 / d;
    double del = d * c;
    h *= del;
    if (std::fabs(del - 1.0) < kEps) break;
  }
  return std::exp(lnFront) * h;
}

}  // namespace

void pearsn(const float* x, const float* y, int n, float* r, float* prob, float* z) {
  put(r, 0.0);
  put(prob, 0.0);
  put(z, 0.0);
  if (n < 2 || allEqual(x, n) || allEqual(y, n)) return;

  double ax = 0.0, ay = 0.0;
  for (int j = 1; j <= n; ++j) {
    ax += x[j];
    ay += y[j];
  }
  ax /= n;
  ay /= n;
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  for (int j = 1; j <= n; ++j) {
    double xt = x[j] - ax, yt = y[j] - ay;
    sxx += xt * xt;
    syy += yt * yt;
    sxy += xt * yt;
  }
  double rr = sxy / (std::sqrt(sxx * syy) + kTiny);
  put(r, rr);
  put(z, 0.5 * std::log((1.0 + rr + kTiny) / (1.0 - rr + kTiny)));
  if (n > 2) {
    double df = n - 2;
    double t = rr * std::sqrt(df / ((1.0 - rr + kTiny) * (1.0 + rr + kTiny)));
    put(prob, incompleteBeta(0.5 * df, 0.5, df / (df + t * t)));
  }
}

void fit(const float* x, const float* y, int n, const float* sig, int weighted, float* a, float* b,
         float* siga, float* sigb, float* chi2, float* q) {
  put(a, 0.0);
  put(b, 0.0);
  put(siga, 0.0);
  put(sigb, 0.0);
  put(chi2, 0.0);
  put(q, 0.0);
  if (n < 2 || allEqual(x, n)) return;
  if (weighted) {
    if (sig == nullptr) return;
    for (int i = 1; i <= n; ++i) {
      if (!(sig[i] > 0.0f)) return;
    }
  }

  double ss = 0.0, sx = 0.0, sy = 0.0;
  for (int i = 1; i <= n; ++i) {
    double wt = weighted ? 1.0 / (static_cast<double>(sig[i]) * sig[i]) : 1.0;
    ss += wt;
    sx += x[i] * wt;
    sy += y[i] * wt;
  }
  double sxoss = sx / ss;
  double st2 = 0.0, bb = 0.0;
  for (int i = 1; i <= n; ++i) {
    double s = weighted ? static_cast<double>(sig[i]) : 1.0;
    double t = (x[i] - sxoss) / s;
    st2 += t * t;
    bb += t * y[i] / s;
  }
  bb /= st2;
  double aa = (sy - sx * bb) / ss;
  double sa = std::sqrt((1.0 + sx * sx / (ss * st2)) / ss);
  double sb = std::sqrt(1.0 / st2);
  double c2 = 0.0;
  for (int i = 1; i <= n; ++i) {
    double s = weighted ? static_cast<double>(sig[i]) : 1.0;
    double res = (y[i] - aa - bb * x[i]) / s;
    c2 += res * res;
  }
  put(a, aa);
  put(b, bb);
  put(chi2, c2);
  if (weighted) {
    put(siga, sa);
    put(sigb, sb);
    if (n > 2) put(q, incompleteGammaQ(0.5 * (n - 2), 0.5 * c2));
    return;
  }
  put(q, 1.0);
  if (n > 2) {
    double sigdat = std::sqrt(c2 / (n - 2));
    put(siga, sa * sigdat);
    put(sigb, sb * sigdat);
  }
}

agreementStats agreement(const float* x, const float* y, const float* dd, int n) {
  agreementStats st;
  st.n = n;
  if (n <= 0) return st;
  double sumX2 = 0.0;
  double sumD2 = 0.0;
  double sumChi = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double xi = x[i];
    const double diff = xi - static_cast<double>(y[i]);
    sumX2 += xi * xi;
    sumD2 += diff * diff;
    sumChi += dd[i] != 0.0f ? (diff / dd[i]) * (diff / dd[i]) : diff * diff;
  }
  st.q = sumX2 > 0.0 ? static_cast<float>(std::sqrt(sumD2 / sumX2)) : 0.0f;
  st.rms = static_cast<float>(std::sqrt(sumD2 / n));
  st.chi2 = static_cast<float>(sumChi);

  // Two points always lie on a line: their R is +-1 and the line's errors are undefined, so a
  // correlation and a regression mean something from three points on; below that they are 0.
  if (n < kMinRegressionPoints) return st;
  pearsn(x, y, n, &st.r, nullptr, nullptr);
  float b1 = 0, sb1 = 0, a2 = 0, b2 = 0, sa2 = 0, sb2 = 0;
  fit(x, y, n, nullptr, 0, &st.offset, &b1, &st.offsetErr, &sb1, nullptr, nullptr);
  fit(y, x, n, nullptr, 0, &a2, &b2, &sa2, &sb2, nullptr, nullptr);
  st.slope = b1;
  st.slopeErr = sb1;
  if (b2 != 0.0f) {
    const double keb = 0.5 * (b1 + 1.0 / b2);
    const double b2sq = static_cast<double>(b2) * b2;
    const double err =
        0.5 * keb * std::sqrt(static_cast<double>(sb1) * sb1 + (sb2 / b2sq) * (sb2 / b2sq));
    // A vanishing reverse slope gives no usable mean slope.
    if (std::isfinite(static_cast<float>(keb)) && std::isfinite(static_cast<float>(err))) {
      st.keb = static_cast<float>(keb);
      st.kebErr = static_cast<float>(err);
    }
  }
  return st;
}

}  // namespace korva
