// printf's "%f" without printf: the six-decimal text of a double, for output written by the
// million (the world-map lines of an error-space mapping).
#pragma once

#include <string>

namespace korva {

// Appends v exactly as std::printf("%f", v) writes it: sign (also of -0 and of negatives that
// round to zero), integer digits, point, six decimals, correctly rounded with ties to even.
void appendFixed6(std::string* out, double v);

}  // namespace korva
