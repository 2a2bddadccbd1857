// Couplings from any file a user has: the program's own table, or a NEF, NMR-STAR or Xplor-NIH
// restraint file (told apart by content), turned into the one coupling table the rest uses.
#pragma once

#include "core/log.h"
#include "tables/coupling_formats.h"
#include "tables/dtab.h"

namespace korva {

// Fills tab with the couplings of list in list order (INDEX = 1-based position, S = 1), each
// completed as a table row is. A given error of 0 (or less) means that the file states none
// (restraint files write 0.0 where they have no error): such couplings take the error of a table
// without a DD column, 1.0 Hz, so that every form of the same couplings gives the same fit.
void fillCouplingTable(const couplingList& list, dTab* tab, Log& log);

// Reads the couplings of path into tab: an empty name or "None" means none; a NEF, NMR-STAR or
// Xplor-NIH file gives the list called listName (null or empty: the first, the others named in
// one note line on log); any other file is read as a coupling table. A list name given for a
// coupling table, an unknown list name, and a malformed file fail with one line. Returns 0 or 1.
[[nodiscard]] int readCouplings(const char* path, const char* listName, dTab* tab, Log& log);

}  // namespace korva
