// The coupling and tensor report of every mode, and the agreement statistics it prints.
#pragma once

#include <cstdio>
#include <string>

#include "api/charged.h"
#include "core/log.h"
#include "core/status.h"
#include "tables/dtab.h"
#include "tables/run_info.h"
#include "tensor/compare.h"
#include "tensor/saupe_analysis.h"
#include "tensor/tensor.h"

namespace korva {

// Everything one report shows; all of it belongs to the caller.
struct reportInput {
  const korvaInfo* info = nullptr;          // mode and parameters (euler, verbose)
  const dTensor* tensor = nullptr;          // the tensor as stored: Saupe vector, solutions, mode
  const saupeAnalysis* analysis = nullptr;  // of tensor->saupe, computed with its frames
  Status analysisStatus;                    // whether that analysis converged
  const dTab* couplings = nullptr;          // observed and predicted couplings (may be empty)
  const char* remark = "";                  // text written after the heading, complete lines
  const chargeSummary* charges = nullptr;   // the charged medium, when a potential was simulated
  double condition = 0.0;  // condition number of the fit (fitCondition); 0 without a fit
};

// The analysis a report prints for a stored tensor: of its single-precision Saupe vector,
// widened, with the frames.
void analyzeForReport(const dTensor& tensor, saupeAnalysis* analysis, Status* status);

// Writes the report to stream. Returns 0, or 1 when the tensor analysis that the report prints
// failed (its lines then go to log).
[[nodiscard]] int writeReport(FILE* stream, const reportInput& in, Log& log);

// Writes the report to the file name, or to standard output when the name is empty. A file that
// cannot be opened or fully written is named on log ("DC Error opening output file %s" or "DC
// Error writing output file %s") and the report goes to standard output instead, so that nothing
// is lost. Returns 0, or 1 after either failure.
[[nodiscard]] int writeDCmod(const char* name, const reportInput& in, Log& log);

// The block of x-y-z angle solutions with Da and Dr.
void reportEuler(FILE* stream, const dTensor& t);

// World-map points of the unit axis a (x, y, z): point = (lambda cos(phi), phi) with latitude
// phi = pi/2 - acos(a_z) and longitude lambda = atan2(a_y, a_x), radians; opposite = the point of
// -a, (lambda' cos(phi), -phi) with lambda' = lambda -+ pi (pi for lambda 0; 0 at a pole).
void mapAxisPoints(const double a[3], double point[2], double opposite[2]);

// Appends the two world-map lines of one step for the principal axes z, y and x (columns 0, 1, 2
// of eigVec, component i of axis j in eigVec[i][j]): the three points, then their opposites.
void appendMapLines(std::string* out, const double eigVec[3][3]);

// The remark block of a mapping's report.
std::string mapStatisticsRemark(int steps, const double gMag[2], const double azz[2],
                                const double mean[5], const double dev[5]);

// The remark block of a comparison of two Saupe matrices (inputs, result, relative orientation).
std::string compareSaupeRemark(const double saupe1[5], const double saupe2[5],
                               const saupeComparison& cmp);

// Writes text to the file name (standard output when empty); a file that cannot be opened or
// fully written is named on log with the given wording ("%s" receives the name). Returns 0 or 1.
[[nodiscard]] int writeTextFile(const char* name, const std::string& text, const char* openError,
                                const char* writeError, Log& log);

}  // namespace korva
