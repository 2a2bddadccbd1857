// The program's one value of pi and the angle conversions built on it. The program has always
// worked with pi to eight decimals; every printed angle and map point depends on these digits.
#pragma once

namespace korva {

constexpr double kPi = 3.14159265;
constexpr double kHalfPi = kPi / 2.0;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;

}  // namespace korva
