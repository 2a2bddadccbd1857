// Eigen-analysis of a Saupe matrix in double precision: ordered eigen-system, Da and Dr, the four
// equivalent principal frames as z-y'-z'' Euler angles, and the irreducible representation.
#pragma once

namespace korva {

constexpr int kSaupeFrames = 4;
// |DI| of an amide N-H pair at its tabulated distance; scales the irreducible components to Hz.
constexpr double kIrreducScaleHz = 21523.0;

// Runs the whole analysis of the Saupe vector saupe (Szz, Sxx-Syy, Sxy, Sxz, Syz). eigVal is
// ordered by descending |value| (Azz, Ayy, Axx) with eigVec[i][j] component i of eigenvector j.
// The angle lists (degrees) are filled only when eulerFlag is nonzero, else zeroed. All outputs
// belong to the caller. Returns 0, or 1 when the eigen-solver did not converge (a non-finite
// vector); the outputs then hold the solver's last estimates.
int analyzeSaupe(const double saupe[5], double irrSaupe[5], double* gMag, double eigVec[3][3],
                 double eigVal[3], double* da, double* dr, double alphaList[kSaupeFrames],
                 double betaList[kSaupeFrames], double gammaList[kSaupeFrames], int eulerFlag);

// Matrix, eigen-decomposition, ordering and (with eulerFlag) the frame angles. Returns 0, or 1
// when the eigen-solver did not converge.
int saupe2eulerMz(const double saupe[5], double alphaList[kSaupeFrames],
                  double betaList[kSaupeFrames], double gammaList[kSaupeFrames],
                  double eigVec[3][3], double eigVal[3], int eulerFlag);

// Cyclic Jacobi with threshold on the symmetric matrix a (its upper triangle is destroyed):
// eigenvalues in d, eigenvectors as columns of v, rotations counted. Returns 0, or 1 after
// printing the three-line message when 50 sweeps do not converge (d and v hold the estimates).
int jacobimz(double a[3][3], double d[3], double v[3][3], int* rotations);

// Orders d by descending |value| (equal magnitudes keep their order), columns of v alongside,
// without sign changes. Returns 0.
int sort_eigensystem(double d[3], double v[3][3]);

// The four equivalent frames of the ordered eigenvectors v and their Euler angles. Returns 0.
int eigVec2euler(const double v[3][3], double alphaList[kSaupeFrames],
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
int get_euler(const double a[3][3], double angles[3]);

// Euler angles of the frame matrix b with unit columns: b^T = Rz(alpha) Ry(beta) Rz(gamma), beta in
// [0, 180], alpha and gamma in [0, 360); gamma = 0 when the z axis lies along +-z. Returns 0.
int inv_euler(const double b[3][3], double angles[3]);

// Da and Dr from three eigenvalues in any order. Returns 0.
int pca_tensor(const double eigVal[3], double* da, double* dr);

// Irreducible components (A0, A1R, A1I, A2R, A2I) and general magnitude, in Hz. Returns 0.
int irreducRepres(const double saupe[5], double* gMag, double irrSaupe[5]);

}  // namespace korva
