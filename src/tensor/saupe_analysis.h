// Eigen-analysis of a Saupe matrix in double precision: ordered eigen-system, Da and Dr, the four
// equivalent principal frames as z-y'-z'' Euler angles, and the irreducible representation.
#pragma once

#include "core/status.h"

namespace korva {

constexpr int kSaupeFrames = 4;
// |DI| of an amide N-H pair at its tabulated distance; scales the irreducible components to Hz.
constexpr double kIrreducScaleHz = 21523.0;

// The analysis of one Saupe vector, computed once per result and read by every printer.
struct saupeAnalysis {
  double irr[5] = {};        // irreducible components (A0, A1R, A1I, A2R, A2I), Hz
  double gMag = 0.0;         // general magnitude, Hz
  double eigVec[3][3] = {};  // eigVec[i][j]: component i of the eigenvector of eigVal[j]
  double eigVal[3] = {};     // by descending |value|: Azz, Ayy, Axx
  double da = 0.0, dr = 0.0;
  // The four equivalent principal frames as z-y'-z'' Euler angles, degrees; zero unless asked for.
  double alpha[kSaupeFrames] = {}, beta[kSaupeFrames] = {}, gamma[kSaupeFrames] = {};
};

// Runs the whole analysis of the Saupe vector saupe (Szz, Sxx-Syy, Sxy, Sxz, Syz); the frames only
// when frames is set. Returns success, or a failure with the eigen-solver's message lines when it
// did not converge (a non-finite vector); out then holds the solver's last estimates.
[[nodiscard]] Status analyzeSaupe(const double saupe[5], bool frames, saupeAnalysis* out);

// The symmetric Saupe matrix of s: diagonal (Sxx, Syy, Szz) with Sxx = -(Szz - (Sxx - Syy)) / 2,
// Syy = -(Szz + (Sxx - Syy)) / 2. Every conversion of the program expands the vector through here.
void saupeMatrix(const double s[5], double m[3][3]);
// The five basis values of a bond direction (unit vector cx, cy, cz): a predicted coupling is
// |DI| times their dot product with the Saupe vector.
void saupeBasis(double cx, double cy, double cz, double a[5]);

// Matrix, eigen-decomposition, ordering and (with eulerFlag) the frame angles. Returns 0, or 1
// when the eigen-solver did not converge.
[[nodiscard]] int saupe2eulerMz(const double saupe[5], double alphaList[kSaupeFrames],
                                double betaList[kSaupeFrames], double gammaList[kSaupeFrames],
                                double eigVec[3][3], double eigVal[3], int eulerFlag);

// Orders d by descending |value| (equal magnitudes keep their order), columns of v alongside,
// without sign changes. Returns 0.
void sort_eigensystem(double d[3], double v[3][3]);

// The four equivalent frames of the ordered eigenvectors v and their Euler angles. Returns 0.
void eigVec2euler(const double v[3][3], double alphaList[kSaupeFrames],
                  double betaList[kSaupeFrames], double gammaList[kSaupeFrames]);

// Builds the frames (z, y) = (+-e0, +-e1) in the order ++, +-, -+, --, each with x = y x z, from
// the columns e0, e1 of e. Returns their number, 4.
int make_eigVecList(const double e[3][3], double xList[kSaupeFrames][3],
                    double yList[kSaupeFrames][3], double zList[kSaupeFrames][3]);

// out = column ca x column cb of m.
void cross_productM2(const double m[3][3], int ca, int cb, double out[3]);

// The frame with z = zSign z0 and y = ySign y0, and x = y x z, as columns x, y, z of frame.
void mirror_solutions(const double z0[3], const double y0[3], double zSign, double ySign,
                      double frame[3][3]);

// Stores the axes (columns x, y, z of frame) at position index of the three lists.
void add_eigVec_List(const double frame[3][3], int index, double xList[kSaupeFrames][3],
                     double yList[kSaupeFrames][3], double zList[kSaupeFrames][3]);

// Euler angles (alpha, beta, gamma, degrees) of the frame whose columns are its x, y, z axes,
// after normalising each column. Returns 0.
void get_euler(const double a[3][3], double angles[3]);

// Euler angles of the frame matrix b with unit columns: b^T = Rz(alpha) Ry(beta) Rz(gamma), beta in
// [0, 180], alpha and gamma in [0, 360); gamma = 0 when the z axis lies along +-z. Returns 0.
void inv_euler(const double b[3][3], double angles[3]);

// Da and Dr from three eigenvalues in any order. Returns 0.
void pca_tensor(const double eigVal[3], double* da, double* dr);

// Irreducible components (A0, A1R, A1I, A2R, A2I) and general magnitude, in Hz. Returns 0.
void irreducRepres(const double saupe[5], double* gMag, double irrSaupe[5]);

}  // namespace korva
