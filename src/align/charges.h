// Point charges of a structure for the charge-aware alignment: the ionised groups at pH ~6.5, or
// the charges of a charge file.
#pragma once

#include "core/alloc.h"
#include "core/status.h"
#include "structure/pdb.h"

namespace korva {

// One charged atom.
struct chargeSite {
  int atom;  // index into pdbInfo::atoms
  float q;   // charge, e
};

// The charges of one structure (one model of an ensemble), in structure order for the default
// set and in file order for a charge file.
struct chargeSet {
  tvector<chargeSite> sites{TrackedAllocator<chargeSite>("charges")};
};

// The ionised groups at pH ~6.5 among all atoms of pdb, whatever their selection: Lys NZ +1,
// Arg CZ +1, Asp CG -1, Glu CD -1, His ND1 and NE2 +0.05 each (residue names LYS, ARG, ASP,
// GLU, HIS), and per chain the N of its lowest-numbered residue +1 and the C of its
// highest-numbered residue -1. Each charge goes to the first atom of that name in its residue
// (alternate locations are not charged twice); absent atoms carry no charge.
chargeSet defaultCharges(const pdbInfo& pdb);

// One charge as a charge table or a caller gives it: the atom by residue number and name, the
// chain and segment names empty for the structure's first ones.
struct chargeRow {
  int resId = 0;
  pdbName atom = "";
  pdbName chain = "";
  pdbName seg = "";
  double q = 0.0;  // e
};

// Replaces *out by the charges of rows[0..count-1] on the atoms of pdb. Every row must name an
// atom of pdb, once, with a finite charge; a failure names source and the row, and leaves *out
// empty.
[[nodiscard]] Status placeCharges(const chargeRow* rows, int count, const pdbInfo* pdb,
                                  const char* source, chargeSet* out);

// Reads a charge table (the program's table format) with the columns RESID, ATOMNAME and
// CHARGE (e) and optionally CHAINNAME and SEGNAME (the structure's first chain and segment where
// a row has none; a name "None" is empty), and replaces *out by its rows. Every row must name an
// atom of pdb, once. Fails with a one-line message naming the file, row and atom; *out is then
// empty.
[[nodiscard]] Status readCharges(const char* fileName, const pdbInfo* pdb, chargeSet* out);

// Sum of the charges, e.
double netCharge(const chargeSet& set);

// Sum of the absolute charges, e: |beta E| never exceeds this times |y0|.
double totalAbsCharge(const chargeSet& set);

// Coordinates of the charged atoms minus origin (A), three doubles per site into xyz.
void chargePositions(const pdbInfo& pdb, const chargeSet& set, const double origin[3],
                     tvector<double>* xyz);

}  // namespace korva
