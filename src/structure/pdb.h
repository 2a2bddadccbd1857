// The in-memory molecular structure: atoms, residues, chains and segments read from a PDB file,
// indexed by name and number.
#pragma once

#include <cstddef>

#include "core/alloc.h"
#include "core/log.h"
#include "structure/sym_tab.h"

namespace korva {

struct pdbSelect;

constexpr int kNameLen = 16;  // name fields: at most 15 characters and the terminator
using pdbName = char[kNameLen];

constexpr int kAtomBuckets = 4111;  // bucket count of the atom table
constexpr int kResBuckets = 253;    // residues, chains and segments

struct pdbRes;
struct pdbChain;
struct pdbSeg;

// One ATOM record. Coordinates in Angstrom.
struct pdbAtom {
  int atomId;        // serial number, columns 7-11
  pdbName atomName;  // columns 13-16, inner blanks dropped ("C A" -> "CA")
  pdbName locId;     // alternate location, column 17
  pdbName resName;   // columns 18-21 (four columns)
  pdbName chainId;   // column 22
  int resId;         // residue number, columns 23-26
  pdbName iCode;     // insertion code, column 27
  float x, y, z;     // columns 31-38, 39-46, 47-54
  float occupancy;   // columns 55-60
  float tempFactor;  // columns 61-66
  pdbName segId;     // columns 73-76
  pdbName element;   // columns 77-78
  pdbName charge;    // columns 79-80
  pdbRes* res;       // owning residue, chain and segment; set by indexPDB
  pdbChain* chain;
  pdbSeg* seg;
};

// Atoms sharing residue number, chain and segment (insertion codes share one record).
struct pdbRes {
  int resId;        // residue number
  int nAtoms;       // equals atoms.size()
  pdbName resName;  // name of the last atom added
  pdbName chainId;
  pdbName segId;
  pdbChain* chain;
  pdbSeg* seg;
  pdbRes* next;             // residue resId + 1 of the same chain and segment, or nullptr
  pdbRes* prev;             // residue resId - 1, or nullptr
  tvector<pdbAtom*> atoms;  // in file order
};

// Atoms sharing chain name and segment name.
struct pdbChain {
  int nAtoms;             // equals atoms.size()
  int nRes;               // equals residues.size()
  int firstRes, lastRes;  // smallest and largest residue number of its atoms
  pdbName chainId;
  pdbName segId;
  tvector<pdbAtom*> atoms;    // file order
  tvector<pdbRes*> residues;  // residue-array order
  tvector<pdbRes*> resTable;  // resTable[n - firstRes]: residue numbered n, or nullptr
};

// Same identity as a chain (chain name, segment name); kept as its own record for segment-wise
// callers.
struct pdbSeg {
  int nAtoms;
  int nRes;
  int firstRes, lastRes;
  pdbName segId;
  pdbName chainId;
  tvector<pdbAtom*> atoms;
  tvector<pdbRes*> residues;
  tvector<pdbRes*> resTable;
};

// A whole structure. The arrays do not move after indexPDB, so record pointers stay valid until
// pdbFree or the next readPDB. Not copyable: records point into their own arrays. Reading the
// structure is the only change a run makes to it, so any number of computations may read one
// structure at once.
struct pdbInfo {
  tvector<pdbAtom> atoms;
  tvector<pdbRes> residues;
  tvector<pdbChain> chains;
  tvector<pdbSeg> segs;
  hSymTab atomTab;   // atom key (number, name, insertion code, chain, segment) -> index
  hSymTab resTab;    // residue key (number, chain, segment) -> residue index
  hSymTab chainTab;  // (chain, segment) -> chain index
  hSymTab segTab;    // (segment, chain) -> segment index
  int nAtoms;        // equals atoms.size()
  int nRes;          // equals residues.size()
  int nChains;       // equals chains.size()
  int nSegs;         // equals segs.size()
  int firstRes;      // smallest residue number over all atoms (0 without atoms)
  int lastRes;       // largest
  pdbName defChain;  // chain name of the first atom
  pdbName defSeg;    // segment name of the first atom

  pdbInfo() = default;
  pdbInfo(const pdbInfo&) = delete;
  pdbInfo& operator=(const pdbInfo&) = delete;
  // Moving takes the arrays whole, so the records' pointers into them stay valid.
  pdbInfo(pdbInfo&&) noexcept = default;
};

// Empties pdb and releases everything it owns (same as pdbFree).
void pdbNull(pdbInfo* pdb);
// Releases all arrays, lists and tables; leaves an empty structure.
void pdbFree(pdbInfo* pdb);

// Reads the ATOM records of a PDB file (standard input for an empty name) into pdb and indexes
// them. Atoms failing select are not stored; a null select keeps all. An atom whose x, y or z is
// empty, unreadable or not a finite single-precision number, or whose residue number is not a
// whole number, is left out with a warning naming file, line and atom; when more than 1 in 100 of
// the atoms are left out the read fails (and pdb is emptied). A byte-order mark is skipped; a
// file over the input size limit of core/input.h fails, a line over the line limit is read up to
// it. Errors and warnings go to log. Returns 0 or 1.
[[nodiscard]] int readPDB(const char* fileName, pdbInfo* pdb, const struct pdbSelect* select,
                          Log& log);
// A MODEL record of a PDB file: where its atoms start in the atom list and its number (0 when
// the record gives none).
struct pdbModelMark {
  size_t firstAtom;
  int number;
};
// Reads the ATOM records of a PDB file as readPDB does (same messages), without indexing them;
// when marks is given, every MODEL record is noted there. Returns 0 or 1.
[[nodiscard]] int readPDBAtoms(const char* fileName, const struct pdbSelect* select,
                               tvector<pdbAtom>* atoms, tvector<pdbModelMark>* marks, Log& log);
// Builds residues, chains, segments, links and tables; duplicate atoms are named on log.
// Returns 0 or 1.
[[nodiscard]] int indexPDB(pdbInfo* pdb, Log& log);
// Makes pdb the structure of these atoms (in this order, their record pointers ignored): empties
// it, takes the atoms and indexes them. Returns the status of indexPDB.
[[nodiscard]] int buildPDB(pdbInfo* pdb, tvector<pdbAtom> atoms, Log& log);
// Writes the atoms passing select (all for null) to fileName, or standard output for an empty
// name, preceded by "REMARK remark" when remark is given. xyz (may be null) holds coordinates to
// write in place of the atoms' own, three per atom. Returns 0, or 1 after its line on log when
// the file cannot be opened or fully written.
[[nodiscard]] int writePDB(const char* fileName, const pdbInfo* pdb, const struct pdbSelect* select,
                           const char* remark, Log& log, const float* xyz = nullptr);

// The first atom stored under these names, or nullptr. An atom of a residue with an insertion
// code is found through its residue record, which the insertion codes of one number share. The
// atom belongs to pdb.
const pdbAtom* findAtom(const pdbInfo* pdb, int resId, const char* atomName, const char* chainId,
                        const char* segId);
// The residue, or nullptr; constant time. The residue belongs to pdb.
const pdbRes* findRes(const pdbInfo* pdb, int resId, const char* chainId, const char* segId);

// Bounded copy into a name field; longer names are cut to 15 characters. Returns 1 when the
// name was cut.
int pdbStrCpy(char* to, const char* from);
// Turn "{}", "none" or "(Null)" (any case) into the empty name and return 1; else return 0.
int fixAtomName(char* name);
int fixResName(char* name);
int fixChainName(char* name);
int fixSegName(char* name);

}  // namespace korva
