// Rigid rotation of a residue range of the structure about the coordinate origin.
#pragma once

#include "structure/pdb.h"

namespace korva {

// Rotates, in place, every atom from the first one numbered firstRes or above up to (not
// including) the first atom numbered above lastRes, about the origin: r' = Rz(-angles[2])
// Ry(-angles[1]) Rz(-angles[0]) r with active rotations, angles in degrees. The negated first
// frame solution (-gamma, -beta, -alpha) of the Saupe analysis brings the structure into that
// tensor's principal frame. The structure stays owned by the caller. Returns 0.
int rotateDomain(const double angles[3], pdbInfo* pdb, int firstRes, int lastRes);

// Writes the whole structure, with the remark text (may be null), rotated into the principal frame
// whose first frame solution of the Saupe analysis is (alpha, beta, gamma) in degrees, then puts
// the coordinates back. Nothing is written when pdbOut is null or empty. Returns the status of
// the writer (0 when nothing is written).
int writeFrameStructure(pdbInfo* pdb, double alpha, double beta, double gamma, const char* pdbOut,
                        const char* remark);

}  // namespace korva
