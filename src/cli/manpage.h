// The manual page of the program, written from the option table and the help.
#pragma once

#include <cstdio>

namespace korva {

// Writes korva(1) in roff: the run modes with an example each, then every option of the table
// with the help line that describes it and the modes that read it.
void writeManPage(FILE* stream);

}  // namespace korva
