// The format readers behind readCouplingFile and the pieces they share; not for other callers.
#pragma once

#include <string_view>

#include "core/alloc.h"
#include "core/log.h"
#include "core/status.h"
#include "tables/coupling_formats.h"

namespace korva {

// Reads the couplings of NEF or NMR-STAR text into out (format and lists).
Status readStarCouplings(const tvector<char>& text, const char* path, couplingFile* out, Log& log);

// Reads the couplings of Xplor-NIH restraint text into out. Text without any assign statement
// leaves out as a table, without lists.
Status readXplorCouplings(const tvector<char>& text, const char* path, couplingFile* out, Log& log);

// Why a file's atom or residue name cannot name one atom of a structure ("" when it can):
// too long for a name field, or a wildcard standing for several atoms.
const char* nameProblem(std::string_view name);

// The list called name: the last list when it has that name (loops of one save frame go into
// one list), else a new one at the end.
couplingList& listNamed(couplingFile* file, std::string_view name);

}  // namespace korva
