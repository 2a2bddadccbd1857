// Reading the models of a structure file one by one, and free-format coordinate files, into the
// values of korva.h.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "korva/korva.h"

namespace korva {

// Every model of a structure file (PDB split at its MODEL records, or mmCIF) in file order, each a
// structure of its own; a file without atoms gives one empty structure. Throws korva::error for a
// file that cannot be read.
std::vector<Structure> readModels(const std::string& path);

// The coordinates (Angstrom) of the ATOM entries of a free-format coordinate file, in file order,
// as predictFree takes them. Throws korva::error with the program's lines for a file that cannot
// be read or holds no atoms.
std::vector<std::array<double, 3>> readFreeCoordinates(const std::string& path);

}  // namespace korva
