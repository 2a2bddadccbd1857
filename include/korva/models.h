// Reading the models of multi-model structure files, free-format coordinate files and the coupling
// lists of NEF, NMR-STAR and Xplor-NIH restraint files into the values of korva.h.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "korva/korva.h"

namespace korva {

// Every model of a structure file in file order: a PDB file split at its MODEL records, or the
// models of an mmCIF file (name ending in .cif or .mmcif, optionally .gz). A file without models
// gives one. Throws korva::error for a file that cannot be read.
std::vector<Structure> readModels(const std::string& path);

// Model number `model` (1-based, counted in file order) of a structure file; 0 reads the file as
// the command line does. Throws korva::error naming the file when the model does not exist.
Structure readModel(const std::string& path, int model);

// The coordinates (Angstrom) of the ATOM entries of a free-format coordinate file, in file order,
// as predictFree takes them. Throws korva::error with the program's lines for a file that cannot
// be read or holds no atoms.
std::vector<std::array<double, 3>> readFreeCoordinates(const std::string& path);

// The couplings of a coupling table, or of one list of a NEF, NMR-STAR or Xplor-NIH file (told
// apart by content): the list called `list`, or the first when `list` is empty. Throws
// korva::error naming the file for an unknown list or a list name given for a plain table.
std::vector<Coupling> readCouplingList(const std::string& path, const std::string& list);

}  // namespace korva
