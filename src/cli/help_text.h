// The help text of the program.
#pragma once

#include <cstdio>

namespace korva {

// Writes the complete help, from its leading empty line to the last option line.
void writeHelpText(FILE* stream);

}  // namespace korva
