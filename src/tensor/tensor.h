// The alignment-tensor record: Da, Dr and rotation angles with their bounds, the equivalent angle
// solutions, and the Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz) with its errors.
#pragma once

#include "core/log.h"

namespace korva {

constexpr int kMaxEuler = 8;

// How the tensor of a run is obtained.
constexpr int kTensorSVD = 1;
constexpr int kTensorSaupe = 2;
constexpr int kTensorNoFixed = 3;
constexpr int kTensorDaDr = 4;
constexpr int kTensorFixed = 5;
constexpr int kTensorSteric = 6;

struct dTensor {
  float da;     // magnitude Da (start value of the nonlinear fits; result)
  float daMin;  // bounds of Da in the nonlinear fits
  float daMax;
  float dr;  // rhombicity Dr (start value; result)
  float drMin;
  float drMax;
  float psiList[kMaxEuler];  // psi of each equivalent angle solution, degrees
  float psi;                 // starting psi (rotation about x), degrees
  float psiMin;
  float psiMax;
  float thetaList[kMaxEuler];  // theta of each solution
  float theta;                 // starting theta (rotation about y)
  float thetaMin;
  float thetaMax;
  float phiList[kMaxEuler];  // phi of each solution
  float phi;                 // starting phi (rotation about z)
  float phiMin;
  float phiMax;
  float saupe[5];     // the tensor's Saupe vector (fitted or given)
  float saupeErr[5];  // standard error of each Saupe element
  float saupeIn[5];   // Saupe vector given on the command line or by the caller
  float eigVal[3];    // eigenvalues in the order the eigen-solver returns them
  int eulerFlag;      // nonzero: derive Da, Dr and angles after SVD or given Saupe
  int nEuler;         // valid entries of the three solution lists (0..8)
  int tensorMode;     // kTensor...
};

// Sets every field to its default. Returns 0.
void dTensorNull(dTensor* t);

// Writes the Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz) of the tensor with magnitude da,
// rhombicity dr and orientation R = Rz(phi) Ry(theta) Rx(psi) (degrees). Returns 0.
void euler2saupe(float s[5], double psi, double theta, double phi, double da, double dr);
// Diagonalises the Saupe matrix of s: eigVal receives the eigenvalues in solver order, da and dr
// the magnitude and rhombicity, the lists the equivalent angle triples (degrees, preferred first).
// Returns the number of triples (0..8); 0 with zeroed lists, da, dr when the solver fails (said
// on log).
int saupe2euler(const float s[5], float psiList[kMaxEuler], float thetaList[kMaxEuler],
                float phiList[kMaxEuler], float eigVal[3], float* da, float* dr, Log& log);
// Angle triples (degrees) with Rz(phi) Ry(theta) Rx(psi) = r, r holding the axes as rows, sorted
// by ascending sum of squared angles. Returns their number (0..8).
int rot2euler(const float r[3][3], float psiList[kMaxEuler], float thetaList[kMaxEuler],
              float phiList[kMaxEuler]);
// 1 when r equals Rz(phi) Ry(theta) Rx(psi) (radians) within 1e-5 on the six tested elements.
int eulerTest(const float r[3][3], double psi, double theta, double phi);
// 1 when a and b differ by more than 1e-5 (difference rounded to float); index names the matrix
// element under test and only documents the call.
int eulerNEQ(int index, double a, double b);
// Jacobi eigen-decomposition of the symmetric matrix m (left unchanged): eigenvalues in eig,
// eigenvectors as the columns of v (det v = +1). Returns 0, or 1 after 50 sweeps without
// convergence.
[[nodiscard]] int diag3By3(const float m[3][3], float eig[3], float v[3][3]);
// Orders eig by ascending absolute value (ties swap), moving the eigenvector columns along with
// the one moved forward negated to keep the handedness, then transposes v so that row k is the
// eigenvector of eig[k]. Returns 0.
void eigsrt3By3NegRevTP(float eig[3], float v[3][3]);
// Predicts n couplings between atoms I (x1,y1,z1) and J (x2,y2,z2) with interaction constants di:
// d = |di| a.s and dErr = |di| sqrt(sum a_k^2 sErr_k^2). Coinciding atoms predict 0. Returns 0.
void findD(const float x1[], const float y1[], const float z1[], const float x2[], const float y2[],
           const float z2[], const float di[], float d[], float dErr[], const float s[5],
           const float sErr[5], int n);
// The prediction row of findD for the pair from (x1, y1, z1) to (x2, y2, z2): the five basis
// elements of its unit vector, rounded to float; all 0 for coinciding atoms.
void predictionRow(float x1, float y1, float z1, float x2, float y2, float z2, float a[5]);
// The coupling of constant di predicted from its row a, as findD predicts it.
void predictFromRow(const float a[5], float di, const float s[5], const float sErr[5], float* d,
                    float* dErr);

// Stores the Saupe vector s in t and derives from it the angle solutions, the eigenvalues, Da and
// Dr, as a fit would, so that a given or simulated tensor is reported with its own values rather
// than the start values. Returns the number of angle solutions.
int setTensorSaupe(dTensor* t, const double s[5], Log& log);

}  // namespace korva
