// Comparison of two Saupe matrices: element-wise arithmetic, the angles between their principal
// axes and their collinearity in the five-dimensional space of order matrices.
#pragma once

#include "tables/dtab.h"
#include "tables/run_info.h"

namespace korva {

// Combines saupe1 and saupe2 by info's action and scales, analyses all three tensors, and writes
// the combined tensor with the comparison to outName (standard output when empty) as the report
// of tab, whose Saupe vector receives the result. remark (-rem) is accepted and not used.
// Returns 0, or 1 after an error line.
int compareSaupe(const korvaInfo* info, const double saupe1[5], const double saupe2[5],
                 const char* outName, dTab* tab, const char* remark);
// out[i] = s1[i] (action) s2[i] with the scales c1, c2; action 5 takes the whole scaled vector of
// larger general magnitude (ties: s1); other actions give zeros. Returns 0.
int addSaupe(int action, double c1, double c2, const double s1[5], const double s2[5],
             double out[5]);
// Angles (radians) between the matching principal axes of two eigenvector matrices (eigenvectors
// as columns, as analyzeSaupe returns them): angles[0] for the third columns, angles[1] the
// second, angles[2] the first. Returns 0.
int calcDcos(const double eigVec1[3][3], const double eigVec2[3][3], float angles[3]);
// Cosine coll between the two tensors as five-dimensional vectors, and the angle (degrees): 0 when
// coll is not strictly inside (-1, 1), so opposite tensors also give 0. Returns 0.
int irrCollinarity(const double s1[5], const double s2[5], float* coll, float* angle);

}  // namespace korva
