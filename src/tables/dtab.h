// The coupling table: the couplings as read (input list) and the same couplings mapped onto the
// structure (working list, receiving predictions), indexed alike.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "numeric/stats.h"
#include "structure/pdb.h"

namespace korva {

constexpr float kDCUnset = 9999.0f;        // D of a working record before prediction
constexpr float kDCLimit = 999.0f;         // values at or above this are placeholders
constexpr int kDCResUnset = -666666;       // residue number of a coupling without that column
constexpr int kDCFirstResStart = 1000000;  // first residue before reading

// One dipolar coupling between atom I and atom J.
struct dcRecord {
  int index;       // value of column INDEX, else the 1-based row number
  int abs;         // value of column ABS; carried unchanged
  int readFlag;    // 1 for every coupling read
  int selected;    // whether the coupling takes part
  int resI, resJ;  // residue numbers
  pdbName resNameI, resNameJ;
  pdbName atomNameI, atomNameJ;
  pdbName chainI, chainJ;
  pdbName segI, segJ;
  float D;               // input: observed coupling, Hz; working: prediction (kDCUnset until then)
  float DI;              // maximal coupling of the atom pair, Hz
  float W;               // weight
  float S;               // value of column S; carried unchanged
  int fixedDistance;     // 1 when DI came from a tabulated bond length
  int glyFlag;           // glycine HA-CA coupling (glyHACATest)
  float DD;              // error of D, Hz (working: uncertainty of the prediction)
  const pdbAtom* atomI;  // the atoms in the structure, or nullptr
  const pdbAtom* atomJ;
  int badElement;  // 1 when an atom's element has no gyromagnetic ratio: DI is meaningless, so
                   // the coupling never takes part in a fit, prediction or statistic
  int unusable;    // 1 when D, DD or W is missing or cannot be used (couplingValueFault): the
                   // coupling takes part in nothing
};

// The coupling table. Its working records point into the structure it was mapped onto, which
// must outlive it.
struct dTab {
  tvector<dcRecord> in{TrackedAllocator<dcRecord>("DC Values")};    // couplings as read
  tvector<dcRecord> work{TrackedAllocator<dcRecord>("DC Values")};  // mapped (same length)
  int n = 0;                                                        // coupling count
  int firstRes = kDCFirstResStart;  // smallest residue number I or J over all couplings
  int lastRes = 0;                  // largest
  int ignoreChain = 1;              // 1 until a coupling with a chain name is read
  int ignoreSeg = 1;                // 1 until a coupling with a segment name is read
};

// Empties the lists; both ignore flags 1.
void dTabNull(dTab* tab);
// Releases both lists.
void dTabFree(dTab* tab);

// Which couplings take part, defined once. A coupling is mapped when its working record is
// selected and both atoms were found in the structure; it enters the fit when it is also weighted
// (W != 0) and is not a glycine HA-CA pair, which is predicted through the residue's two alpha
// protons instead; it is listed in the report when both records are selected and its elements are
// known.
bool dcMapped(const dcRecord& work);
bool dcIsGlycine(const dTab& tab, int i);
bool dcEntersFit(const dTab& tab, int i);
bool dcListed(const dTab& tab, int i);
// Sets count records of a list to the record defaults.
void resetDC(dcRecord* list, int count);

// Completes a coupling of tab whose names and values are set: the glycine flag, the tabulated
// DI, unknown elements (named on log), the unusable flag, and the table's chain and segment flags
// and residue range.
void finishCoupling(dTab* tab, dcRecord* rec, Log& log);

// Whether the observed values of a coupling as read leave it out of everything. Missing: a D of
// kDCLimit or more (the placeholder for a coupling not measured, and what a NULLVALUE cell
// becomes), or a DD or W that is a NULLVALUE cell (kDCUnset). Faulty: a D, DD or W that is not a
// finite number, or a DD of 0, which would give the coupling infinite weight; the fault is
// returned as a phrase ("D is not a number"), nullptr when there is none.
bool couplingValueMissing(const dcRecord& rec);
const char* couplingValueFault(const dcRecord& rec);

// Reads a coupling table file into tab (empty name or "None": no couplings). The table must have
// a D column and no column name twice (without regard to case). Couplings with missing or faulty
// values stay in the table marked unusable: each faulty one is named on log, the missing ones are
// counted. Errors and warnings go to log. Returns 0 or 1.
[[nodiscard]] int readDC(const char* fileName, dTab* tab, Log& log);
// Finds atom I and J of every input coupling in pdb; returns the number with both atoms found.
int mapDCInfo(const pdbInfo* pdb, dTab* tab);
// Agreement statistics of the predicted against the observed couplings that the report lists
// (both values below the placeholder limit), each weighted by its W.
agreementStats getStatDCmod(const dTab& tab);

// Selects couplings of a list by residue range (mode 1 exclusive, 2 inclusive, other: inclusive
// with maximum). Returns the number selected.
int selectD(dcRecord* list, int count, int firstRes, int lastRes, int mode);
// Deselects couplings whose atom names do not fit the two types ("All" fits any). Returns the
// number still selected.
int selTypDC(dcRecord* list, int count, const char* typeI, const char* typeJ);
// Builds the working list from the selected input couplings; unknown elements are named on log.
// Returns the number selected.
int buildDC(const pdbInfo* pdb, dTab* tab, int residueOffset, int firstRes, const float* scales,
            int scaleCount, Log& log);
// 1 for a HA-CA coupling within one glycine.
int glyHACATest(const dcRecord* rec);
// DI of an atom pair from the tabulated bond lengths only (zero coordinates). Returns 0, or 1
// when an element letter is unknown (named on log).
int findDI(int resI, const char* resNameI, const char* atomNameI, int resJ, const char* resNameJ,
           const char* atomNameJ, float* di, int* fixedDistance, Log& log);
// DI of an atom pair from the tabulated bond length or the distance of the two coordinate
// triples. Returns 0, or 1 when an element letter is unknown (named on log).
int findDI2(const float* xyzI, int resI, const char* resNameI, const char* atomNameI,
            const float* xyzJ, int resJ, const char* resNameJ, const char* atomNameJ, float* di,
            int* fixedDistance, Log& log);

}  // namespace korva
