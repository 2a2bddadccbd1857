// Rigid rotation of a residue range of a structure about the coordinate origin, and the writing
// of a structure in a tensor's principal frame.
#pragma once

#include "core/alloc.h"
#include "core/log.h"
#include "structure/pdb.h"

namespace korva {

// The coordinates of every atom (x, y, z per atom, in structure order) after rotating the atoms
// from the first one numbered firstRes or above up to (not including) the first atom numbered
// above lastRes about the origin: r' = Rz(-angles[2]) Ry(-angles[1]) Rz(-angles[0]) r with active
// rotations, angles in degrees; the other atoms keep their coordinates. The negated first frame
// solution (-gamma, -beta, -alpha) of the Saupe analysis brings the structure into that tensor's
// principal frame. The structure is not changed.
tvector<float> rotateDomain(const double angles[3], const pdbInfo& pdb, int firstRes, int lastRes);

// True for an output name that ends in .cif or .mmcif (any case): the structure is then written
// as mmCIF.
bool isMmcifOutputName(const char* name);

// Writes the whole structure, with the remark text (may be null), rotated into the principal frame
// whose first frame solution of the Saupe analysis is (alpha, beta, gamma) in degrees: as mmCIF
// for an mmCIF name, else as PDB. Nothing is written when pdbOut is null or empty. Returns the
// status of the writer (0 when nothing is written).
[[nodiscard]] int writeFrameStructure(const pdbInfo& pdb, double alpha, double beta, double gamma,
                                      const char* pdbOut, const char* remark, Log& log);

}  // namespace korva
