// Exponential integrals, the Bessel functions K0 and K1 and Gauss-Legendre rules, in double
// precision from their series, continued fractions and integral representations.
#include "numeric/special.h"

#include <array>
#include <cmath>
#include <limits>

namespace korva {

namespace {

constexpr double kEps = 1e-17;           // series and fractions stop below this relative term
constexpr double kTiny = 1e-300;         // keeps the modified Lentz fraction off zero
constexpr double kSeriesEnd = 40.0;      // Ei: power series below, asymptotic series above
constexpr double kE1FractionFrom = 1.0;  // E1: power series up to here, fraction beyond
// F: power series up to here, E1 beyond. Its alternating terms peak near 8^8/(8 8!) = 52 against
// |F(8)| = 2.7, which costs about one digit; the fraction converges slowly for small x.
constexpr double kFSeriesTo = 8.0;
constexpr double kBesselTailExponent = 45;  // exp(-45): where the Bessel integrands end
constexpr int kMaxIterations = 100000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// 1/k for the series, so that their inner loops multiply instead of dividing.
constexpr int kInverses = 256;
constexpr std::array<double, kInverses> kInverse = [] {
  std::array<double, kInverses> a{};
  for (int k = 1; k < kInverses; ++k) a[k] = 1.0 / k;
  return a;
}();

// sum_{k>=1} (-b)^k / (k k!): F(b) itself, which is entire. For b > 0 its terms alternate and
// it is used only up to kFSeriesTo; for b < 0 all terms are positive, so it keeps full precision
// (down to b = -40 within 160 terms).
double powerSeriesF(double b) {
  double term = 1.0, sum = 0.0;
  for (int k = 1; k < kMaxIterations; ++k) {
    const double inverse = k < kInverses ? kInverse[k] : 1.0 / k;
    term *= -b * inverse;
    const double add = term * inverse;
    sum += add;
    if (std::fabs(add) <= kEps * std::fabs(sum)) break;
  }
  return sum;
}

// exp(-x) Ei(x) for x > kSeriesEnd from the asymptotic series (1/x) sum k!/x^k, cut at its
// smallest term (below 1e-16 relative from x = 40 on).
double asymptoticEiScaled(double x) {
  double term = 1.0, sum = 1.0;
  for (int k = 1; k < kMaxIterations; ++k) {
    const double next = term * k / x;
    if (next >= term) break;
    term = next;
    sum += term;
    if (term <= kEps * sum) break;
  }
  return sum / x;
}

// exp(x) E1(x) for x > 1 from the continued fraction 1/(x+1- 1/(x+3- 4/(x+5- ...))), evaluated
// by the modified Lentz method.
double fractionE1Scaled(double x) {
  double b = x + 1.0, c = 1.0 / kTiny, d = 1.0 / b, h = d;
  for (int i = 1; i < kMaxIterations; ++i) {
    const double a = -static_cast<double>(i) * i;
    b += 2.0;
    d = 1.0 / (a * d + b);
    c = b + a / c;
    const double step = c * d;
    h *= step;
    if (std::fabs(step - 1.0) <= kEps) break;
  }
  return h;
}

// exp(x) K0(x) and exp(x) K1(x) from K_nu(x) = integral_0^inf exp(-x cosh t) cosh(nu t) dt by
// the trapezoid rule, which converges geometrically for this analytic, fast-decaying integrand:
// the step 0.2 leaves an error near exp(-pi^2/0.2), and for large x the step shrinks with the
// width 1/sqrt(x) of the peak at t = 0, so that exp(-2 pi^2/(x h^2)) stays below 1e-16.
void besselKScaled(double x, double* k0, double* k1) {
  const double h = std::fmin(0.2, 0.7 / std::sqrt(x));
  double sum0 = 0.5, sum1 = 0.5;
  for (int k = 1; k < kMaxIterations; ++k) {
    const double t = k * h;
    const double half = std::sinh(0.5 * t);
    const double exponent = 2.0 * x * half * half;  // x (cosh t - 1) without cancellation
    const double f = std::exp(-exponent);
    sum0 += f;
    sum1 += f * std::cosh(t);
    if (exponent - t > kBesselTailExponent) break;
  }
  *k0 = h * sum0;
  *k1 = h * sum1;
}

}  // namespace

double expIntE1(double x) {
  if (!(x > 0.0)) return kNaN;
  if (x <= kE1FractionFrom) return -kEulerGamma - std::log(x) - powerSeriesF(x);
  return fractionE1Scaled(x) * std::exp(-x);
}

double expIntEi(double x) {
  if (x < 0.0) return -expIntE1(-x);
  if (!(x > 0.0)) return kNaN;
  if (x <= kSeriesEnd) return kEulerGamma + std::log(x) + powerSeriesF(-x);
  return asymptoticEiScaled(x) * std::exp(x);
}

double expIntEiScaled(double x) {
  if (!(x > 0.0)) return kNaN;
  if (x <= kSeriesEnd) return expIntEi(x) * std::exp(-x);
  return asymptoticEiScaled(x);
}

double expm1Integral(double b) {
  if (b > kFSeriesTo) return -(expIntE1(b) + std::log(b) + kEulerGamma);
  if (b >= -kSeriesEnd) return powerSeriesF(b);
  return expIntEi(-b) - std::log(-b) - kEulerGamma;
}

double expm1IntegralScaled(double b) {
  if (b >= -kSeriesEnd) return expm1Integral(b) * std::exp(std::fmin(b, 0.0));
  // Ei(-b) e^b - (ln(-b) + gamma) e^b, each part finite however large -b is.
  return asymptoticEiScaled(-b) - (std::log(-b) + kEulerGamma) * std::exp(b);
}

double besselK0Scaled(double x) {
  if (!(x > 0.0)) return kNaN;
  double k0, k1;
  besselKScaled(x, &k0, &k1);
  return k0;
}

double besselK1Scaled(double x) {
  if (!(x > 0.0)) return kNaN;
  double k0, k1;
  besselKScaled(x, &k0, &k1);
  return k1;
}

double besselK0(double x) {
  return besselK0Scaled(x) * std::exp(-x);
}

double besselK1(double x) {
  return besselK1Scaled(x) * std::exp(-x);
}

Status gaussLegendre(int n, double a, double b, double* nodes, double* weights) {
  if (n < 1) return Status::failure("gaussLegendre: error - %d nodes requested.\n", n);
  if (!std::isfinite(a) || !std::isfinite(b)) {
    return Status::failure("gaussLegendre: error - the interval must be finite.\n");
  }
  constexpr double kPi = 3.14159265358979323846;
  const double mid = 0.5 * (a + b), half = 0.5 * (b - a);
  // The roots of P_n are symmetric; Newton from the asymptotic guess finds the upper half.
  for (int i = 0; i < (n + 1) / 2; ++i) {
    double z = std::cos(kPi * (i + 0.75) / (n + 0.5));
    double derivative = 1.0;
    for (int iter = 0; iter < 100; ++iter) {
      double p0 = 1.0, p1 = 0.0;
      for (int j = 1; j <= n; ++j) {
        const double p2 = p1;
        p1 = p0;
        p0 = ((2.0 * j - 1.0) * z * p1 - (j - 1.0) * p2) / j;
      }
      derivative = n * (z * p0 - p1) / (z * z - 1.0);
      const double step = p0 / derivative;
      z -= step;
      if (std::fabs(step) <= 1e-16) break;
    }
    const double w = 2.0 * half / ((1.0 - z * z) * derivative * derivative);
    nodes[i] = mid - half * z;
    nodes[n - 1 - i] = mid + half * z;
    weights[i] = weights[n - 1 - i] = w;
  }
  return Status::success();
}

}  // namespace korva
