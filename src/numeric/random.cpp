// TT800 twisted GFSR generator (Matsumoto and Kurita, 1994) and polar Box-Muller deviates.
#include "numeric/random.h"

#include <cmath>
#include <cstdint>

namespace korva {
namespace {

constexpr int kTTWords = 25;  // N: words of state
constexpr int kTTShift = 7;   // M: offset of the feedback word
constexpr uint32_t kTTMatrix = 0x8ebfd028u;
constexpr uint32_t kTemperB = 0x2b5b2500u;
constexpr uint32_t kTemperC = 0xdb8b0000u;
constexpr double kTTScale = 4294967295.0;

// The default state published with the generator.
constexpr uint32_t kTTInitial[kTTWords] = {
    0x95f24dabu, 0x0b685215u, 0xe76ccae7u, 0xaf3ec239u, 0x715fad23u, 0x24a590adu, 0x69e4b5efu,
    0xbf456141u, 0x96bc1b7bu, 0xa7bdf825u, 0xc1de75b7u, 0x8858a9c9u, 0x2da87693u, 0xb657f9ddu,
    0xffdc8a9fu, 0x8121da71u, 0x8b823ecbu, 0x885d05f5u, 0x4e20cd47u, 0x5a9ad5d9u, 0x512c0c03u,
    0xea857ccdu, 0x4cc1d30fu, 0x8891a8a1u, 0xa6b7aadbu};

uint32_t twist(uint32_t feedback, uint32_t word) {
  return feedback ^ (word >> 1) ^ ((word & 1u) ? kTTMatrix : 0u);
}

}  // namespace

randomTT800::randomTT800() {
  for (int k = 0; k < kWords; ++k) words_[k] = kTTInitial[k];
}

double randomTT800::genrand() {
  if (position_ >= kWords) {
    int k = 0;
    for (; k < kWords - kTTShift; ++k) words_[k] = twist(words_[k + kTTShift], words_[k]);
    for (; k < kWords; ++k) words_[k] = twist(words_[k + kTTShift - kWords], words_[k]);
    position_ = 0;
  }
  uint32_t y = words_[position_];
  y ^= (y << 7) & kTemperB;
  y ^= (y << 15) & kTemperC;
  y ^= y >> 16;
  ++position_;
  return static_cast<double>(y) / kTTScale;
}

double randomTT800::gauss() {
  if (haveCached_) {
    haveCached_ = false;
    return cachedDeviate_;
  }
  double v1 = 0.0, v2 = 0.0, r = 0.0;
  do {
    v1 = 2.0 * genrand() - 1.0;
    v2 = 2.0 * genrand() - 1.0;
    r = v1 * v1 + v2 * v2;
  } while (r >= 1.0 || r == 0.0);
  double f = std::sqrt(-2.0 * std::log(r) / r);
  cachedDeviate_ = v1 * f;
  haveCached_ = true;
  return v2 * f;
}

}  // namespace korva
