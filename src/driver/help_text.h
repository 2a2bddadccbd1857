// The help text of the program.
#pragma once

namespace korva {

// The complete help, from its leading empty line to the last option line.
extern const char* const kHelpText;

}  // namespace korva
