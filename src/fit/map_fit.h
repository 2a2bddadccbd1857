// Error-space mapping of a best fit: repeated refits to couplings perturbed by their errors.
#pragma once

#include <cstdio>

#include "structure/pdb.h"
#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Latitude of the world map is pi/2 - acos(a_z); both constants carry the program's digits.
constexpr double kMapPi = 3.14159265;
constexpr double kMapHalfPi = 1.570796325;
// Scale of the sum of squared Saupe elements to the squared general magnitude, Hz^2.
constexpr double kGMagScale = 776165279.7311264;

// World-map points of the unit axis a (x, y, z): point = (lambda cos(phi), phi) with latitude
// phi = pi/2 - acos(a_z) and longitude lambda = atan2(a_y, a_x), radians; opposite = the point of
// -a, (lambda' cos(phi), -phi) with lambda' = lambda -+ pi (pi for lambda 0; 0 at a pole).
void mapAxisPoints(const double a[3], double point[2], double opposite[2]);

// Writes the two world-map lines of one step for the principal axes z, y and x (columns 0, 1, 2
// of eigVec, component i of axis j in eigVec[i][j]): the three points, then their opposites.
void writeMapLines(FILE* stream, const double eigVec[3][3]);

// Maps the error space of the fit of tab to pdb: mapCount refits (fitD, in the table's tensor
// mode) to the observed couplings perturbed by 0.5 g DD, g standard normal. A step counts when
// its refit produced a tensor: it predicted couplings and gave a finite, non-zero Saupe vector
// whose analysis converged. Each counted step writes its world-map lines to mapFile (standard
// output when empty) and adds to the statistics. Afterwards the input records hold their
// observed values again with the deviation of the predictions in DD and the number of counted
// steps whose prediction missed the observed value by its error or more in W; the working
// records hold the mean predictions and the tensor the mean Saupe vector. The report then goes
// to outFile (the mapping statistics as its remark) and the structure, rotated into the principal
// frame of the last counted step, to pdbOut (when named) with remark. The table and structure
// stay owned by the caller. Returns 0 (also for an absent table), or 1 when the buffers or the
// map file cannot be had, when no step counts, or when the report or the structure fails.
int mapSimDC(pdbInfo* pdb, dTab* tab, const korvaInfo* runInfo, const char* outFile,
             const char* pdbOut, int verbosity, const char* mapFile, int mapCount,
             const char* remark);

}  // namespace korva
