// Deterministic random numbers: the TT800 uniform generator and polar Box-Muller normal deviates.
#pragma once

namespace korva {

// Next uniform deviate in [0, 1] from the TT800 generator. Every process starts from the same
// fixed state, so every run draws the same sequence.
double genrand();

// Next standard normal deviate (mean 0, variance 1). Deviates come in pairs: every second call
// returns the deviate cached by the call before without drawing from genrand.
double gauss();

// Restores the fixed initial generator state and clears the cached normal deviate, so that a
// repeated run (or a test) draws the sequence from its start.
void resetRandom();

}  // namespace korva
