// Deterministic random numbers: the TT800 uniform generator and polar Box-Muller normal deviates.
#pragma once

#include <cstdint>

namespace korva {

// One generator. Every object starts from the same published state, so every run (and every
// mapping, which owns its own) draws the same sequence.
class randomTT800 {
 public:
  randomTT800();
  // Next uniform deviate in [0, 1].
  double genrand();
  // Next standard normal deviate (mean 0, variance 1). Deviates come in pairs: every second call
  // returns the deviate cached by the call before without drawing from genrand.
  double gauss();

 private:
  static constexpr int kWords = 25;  // N: words of state
  uint32_t words_[kWords];
  int position_ = 0;  // next word to temper; kWords means regenerate first
  bool haveCached_ = false;
  double cachedDeviate_ = 0.0;
};

}  // namespace korva
