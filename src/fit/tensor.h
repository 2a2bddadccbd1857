// The alignment-tensor record: Da, Dr and rotation angles with their bounds, the equivalent angle
// solutions, and the Saupe vector (Szz, Sxx-Syy, Sxy, Sxz, Syz) with its errors.
#pragma once

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
int dTensorNull(dTensor* t);
// Fills t from the tensor options of the command line. Returns 0, or 1 after the "-saupe" error.
int getDCTensorParams(int argc, char** argv, dTensor* t);

}  // namespace korva
