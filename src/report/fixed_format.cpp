// Six-decimal fixed-point text, rounded exactly from the binary value.
#include "report/fixed_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace korva {
namespace {

constexpr int kMantissaBits = 52;
constexpr int kExponentBias = 1075;      // stored exponent of 2^0 times the mantissa's 2^52
constexpr double kDirectLimit = 0x1p40;  // beyond this printf's own conversion is used
constexpr uint64_t kMicro = 1000000;     // 10^6: the six decimals
constexpr int kLongestShift = 100;       // shifts beyond this leave nothing of 2^73

}  // namespace

void appendFixed6(std::string* out, double v) {
  if (!(std::fabs(v) < kDirectLimit)) {
    // Infinite, NaN or huge: rare enough for the general conversion.
    char text[400];
    const int n = std::snprintf(text, sizeof text, "%f", v);
    if (n > 0) out->append(text, static_cast<size_t>(n) < sizeof text ? n : sizeof text - 1);
    return;
  }
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int stored = static_cast<int>((bits >> kMantissaBits) & 0x7ff);
  uint64_t mantissa = bits & ((uint64_t{1} << kMantissaBits) - 1);
  // |v| = mantissa * 2^exponent exactly, subnormals included.
  int exponent = 1 - kExponentBias;
  if (stored != 0) {
    mantissa |= uint64_t{1} << kMantissaBits;
    exponent = stored - kExponentBias;
  }
  // |v| * 10^6 as an exact 128-bit product, then rounded to an integer, ties to even: the
  // rounding printf applies to the exact decimal expansion of the binary value.
  using wide = unsigned __int128;
  const wide scaled = static_cast<wide>(mantissa) * kMicro;
  wide micros = 0;
  if (exponent >= 0) {
    micros = scaled << exponent;
  } else if (-exponent <= kLongestShift) {
    const int shift = -exponent;
    micros = scaled >> shift;
    const wide rest = scaled & ((static_cast<wide>(1) << shift) - 1);
    const wide half = static_cast<wide>(1) << (shift - 1);
    if (rest > half || (rest == half && (micros & 1) != 0)) micros++;
  }
  const uint64_t whole = static_cast<uint64_t>(micros / kMicro);
  uint64_t fraction = static_cast<uint64_t>(micros % kMicro);

  char text[32];
  char* end = text + sizeof text;
  char* p = end;
  for (int k = 0; k < 6; k++) {
    *--p = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  *--p = '.';
  uint64_t w = whole;
  do {
    *--p = static_cast<char>('0' + w % 10);
    w /= 10;
  } while (w != 0);
  if (negative) *--p = '-';
  out->append(p, static_cast<size_t>(end - p));
}

}  // namespace korva
