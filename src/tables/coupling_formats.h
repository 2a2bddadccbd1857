// Couplings from the files users have: NEF, NMR-STAR and Xplor-NIH restraint files, recognised
// by their content and read into plain lists from which the coupling table is built.
#pragma once

#include <cstddef>
#include <string>

#include "core/alloc.h"
#include "core/log.h"
#include "core/status.h"
#include "structure/pdb.h"

namespace korva {

// A text whose buffer is counted like every other block.
using tstring = std::basic_string<char, std::char_traits<char>, TrackedAllocator<char>>;

constexpr float kCouplingErrorUnset = 1.0f;   // DD of a coupling given without error
constexpr float kCouplingWeightUnset = 1.0f;  // W of a coupling given without weight

// One coupling as the file names it. Names are at most 15 characters; an empty chain or
// segment means the file gives none.
struct couplingEntry {
  int resI;  // residue number of atom I
  pdbName resNameI, atomNameI, chainI, segI;
  int resJ;
  pdbName resNameJ, atomNameJ, chainJ, segJ;
  float D;    // coupling, Hz
  float DD;   // its error, Hz (kCouplingErrorUnset when the file gives none)
  float W;    // weight (kCouplingWeightUnset when the file gives none)
  int where;  // file line on which the coupling is written
};

// The couplings of one alignment medium.
struct couplingList {
  tstring name;  // save-frame name (NEF, NMR-STAR) or tensor residue number (Xplor: "600")
  tvector<couplingEntry> entries;
};

enum class couplingFormat {
  table,    // none of the formats below: the program's own coupling table
  nef,      // NEF: _nef_rdc_restraint loops
  nmrStar,  // NMR-STAR 3: _RDC_constraint or _RDC loops
  xplor,    // Xplor-NIH restraints: assign statements of six selections
};

struct couplingFile {
  couplingFormat format = couplingFormat::table;
  tvector<couplingList> lists;  // in file order; empty for a table
};

// Reads the coupling lists of a NEF, NMR-STAR or Xplor-NIH restraint file, telling the format
// from the content. A file in none of these formats comes back as format table, without lists,
// for the table reader. Each coupling that cannot be used (a missing or unreadable value, an
// ambiguous or overlong name) is skipped with one warning in log naming its line; a malformed
// or truncated file, or one in a recognised format without couplings, fails with one line.
Outcome<couplingFile> readCouplingFile(const char* path, Log& log);

// The list to use: the one called name (for a NEF list also the save-frame name without its
// "nef_rdc_restraint_list_" prefix), or the first when name is null or empty. An unknown name
// fails, naming the lists there are.
struct listChoice {
  size_t index;  // into file.lists
  tstring note;  // when the first of several lists was taken: one line naming the others
};
Outcome<listChoice> chooseCouplingList(const couplingFile& file, const char* path,
                                       const char* name);

// "NEF", "NMR-STAR", "Xplor" or "table", for messages.
const char* couplingFormatName(couplingFormat format);

}  // namespace korva
