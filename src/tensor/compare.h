// Comparison of two Saupe matrices: element-wise arithmetic, the angles between their principal
// axes and their collinearity in the five-dimensional space of order matrices.
#pragma once

#include "core/status.h"
#include "tables/run_info.h"

namespace korva {

// What a comparison of two tensors found.
struct saupeComparison {
  double result[5] = {};  // the combined Saupe vector
  float axes[3] = {};     // angles (radians) between the x, y and z principal axes of the inputs
  float coll = 0.0f;      // cosine between the two as five-dimensional vectors
  float angle = 0.0f;     // its angle, degrees
};

// Combines saupe1 and saupe2 by the action (kAction...) and scales, analyses all three tensors and
// compares the inputs. Returns success, or a failure with its message lines (a division by a zero
// element of the second tensor, an analysis that did not converge).
[[nodiscard]] Status compareSaupe(int action, double c1, double c2, const double saupe1[5],
                                  const double saupe2[5], saupeComparison* out);
// out[i] = s1[i] (action) s2[i] with the scales c1, c2; action 5 takes the whole scaled vector of
// larger general magnitude (ties: s1); other actions give zeros. Returns 0.
void addSaupe(int action, double c1, double c2, const double s1[5], const double s2[5],
              double out[5]);
// Angles (radians) between the matching principal axes of two eigenvector matrices (eigenvectors
// as columns, as the analysis gives them): angles[0] for the third columns, angles[1] the second,
// angles[2] the first. Returns 0.
void calcDcos(const double eigVec1[3][3], const double eigVec2[3][3], float angles[3]);
// Cosine coll between the two tensors as five-dimensional vectors, and the angle (degrees): 0 when
// coll is not strictly inside (-1, 1), so opposite tensors also give 0. Returns 0.
void irrCollinarity(const double s1[5], const double s2[5], float* coll, float* angle);

}  // namespace korva
