// Special functions of the screened-electrostatics model: exponential integrals, modified Bessel
// functions of the second kind and Gauss-Legendre quadrature rules.
#pragma once

#include "core/status.h"

namespace korva {

constexpr double kEulerGamma = 0.57721566490153286;  // Euler-Mascheroni constant

// E1(x) = integral_x^inf exp(-t)/t dt for x > 0 (relative error ~1e-15; underflows to 0 beyond
// x ~ 740). Returns NaN for x <= 0.
double expIntE1(double x);

// Ei(x) = -(principal value) integral_{-x}^inf exp(-t)/t dt for x != 0; Ei(x) = -E1(-x) for
// x < 0. Relative error ~1e-15 except near the zero of Ei at x ~ 0.3725, where the error is
// absolute (~1e-16). Overflows to inf beyond x ~ 716; expIntEiScaled holds the whole range.
double expIntEi(double x);
// exp(-x) Ei(x) for x > 0.
double expIntEiScaled(double x);

// F(b) = integral_0^b (exp(-s) - 1)/s ds for any finite b: -(E1(b) + ln b + gamma) for b > 0,
// Ei(-b) - ln(-b) - gamma for b < 0, about -b for small |b|. Relative error ~1e-14 over the
// whole line; F grows like exp(-b)/(-b) for b -> -inf and overflows to inf below b ~ -716.
double expm1Integral(double b);
// F(b) exp(min(b, 0)): finite for every finite b, for callers that carry the scale in log form.
double expm1IntegralScaled(double b);

// Modified Bessel functions of the second kind for x > 0 (relative error ~1e-15), and their
// scaled forms exp(x) K(x), which do not underflow. Return NaN for x <= 0.
double besselK0(double x);
double besselK1(double x);
double besselK0Scaled(double x);
double besselK1Scaled(double x);

// The n-point Gauss-Legendre rule on [a, b]: nodes ascending into nodes[0..n-1], weights into
// weights[0..n-1] (both owned by the caller). Exact for polynomials of degree 2n - 1. Fails for
// n < 1 or a non-finite interval.
Status gaussLegendre(int n, double a, double b, double* nodes, double* weights);

}  // namespace korva
