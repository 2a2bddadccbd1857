// Electrostatic weight of one orientation in a charged medium: the Boltzmann factor of the
// molecule's charges in the screened (linearised Debye-Hueckel) potential of the wall or rod,
// integrated over the free positions, as an excess over the steric weight.
#pragma once

#include "core/alloc.h"
#include "core/status.h"
#include "tables/run_info.h"

namespace korva {

constexpr int kDefaultRodNodes = 8;  // Gauss-Legendre nodes per panel of the rod integral

// Constants of one charge-aware simulation.
struct elecParams {
  int model = kModelWall;        // kModelWall or kModelRod
  double y0 = 0.0;               // surface potential of the obstacle, kT/e
  double debye = 10.0;           // Debye length L_D = 1/kappa, A
  double rM = 20.0;              // wall half-thickness or rod radius, A
  double g = 0.2;                // step of the position grid, A
  int nodes = kDefaultRodNodes;  // rod: Gauss-Legendre nodes per panel
};

// A value too large for a double kept as value * exp(logScale); logScale is 0 whenever the value
// itself fits, which is every case with |y0| times the total absolute charge below ~500.
struct scaledValue {
  double value = 0.0;
  double logScale = 0.0;
};

// The excess X(o) = (1/g) integral_{pc}^{pEnd} (exp(-beta E(p)) - 1) mu(p) dp of one orientation,
// in grid steps like the steric weight: mu = 1 for the wall, p/rM for the rod (the shell's
// circumference). The energy of a state is beta E = y0 sum_j q_j y_j(p) with the screened
// potential of the wall, exp(-kappa h), h = p + n_j - rM the charge's height above the wall, or
// of the rod, K0(kappa r)/K0(kappa rM), r = sqrt((p + n_j)^2 + m_j^2) its distance from the axis.
// n_j and m_j are the projections of charge j (relative to the frame origin of the simulation)
// on the orientation's normal (the first row of its rotation) and third axis (the second row).
// A charge inside the obstacle, which only an atom left out of the steric test can be, is taken
// on its surface, so |beta E| never exceeds |y0| times the total absolute charge.
//
// setup allocates everything once; excess then neither allocates nor fails, so the simulation
// loop may call it for every orientation; it changes nothing, so threads may share the object.
class electrostaticModel {
 public:
  // q: the charges (e), copied. rodReach: the largest distance from the rod axis that excess
  // will meet (A; at least pEnd plus the largest distance of a charge from the frame origin),
  // which bounds the K0 table; ignored for the wall. Fails on a non-positive Debye length,
  // obstacle size or grid step, fewer than 2 nodes, a non-finite value, or |y0| times the total
  // absolute charge beyond 1e6 kT; the object is then not to be used.
  Status setup(const elecParams& params, const double* q, int ncharges, double rodReach);

  // X(o) for projections n[0..ncharges-1] (and m for the rod; may be nullptr for the wall), the
  // contact position pc and the cell edge pEnd (A, distances of the molecule's centre from the
  // wall's mid-plane or the rod's axis; pc is best the orientation's first free grid position,
  // so that X and the steric weight cover the same positions). 0 when pEnd <= pc or y0 is 0. The
  // wall has a closed form in F(b) = integral_0^b (exp(-s) - 1)/s ds; the rod integral is taken by
  // Gauss-Legendre in w = exp(-kappa (p - pc)/2), in panels that narrow towards contact when its
  // energy is large.
  scaledValue excess(const double* n, const double* m, double pc, double pEnd) const;

  // beta E at position p, for tests and reports (kT).
  double energy(const double* n, const double* m, double p) const;

  // K0(kappa r)/K0(kappa rM) for r >= rM from the table (1 for r <= rM; 0 beyond 60 Debye
  // lengths); absolute error below 1e-9.
  double rodRatio(double r) const;

  const elecParams& params() const { return params_; }
  int charges() const { return static_cast<int>(q_.size()); }

 private:
  scaledValue wallExcess(const double* n, double pc, double pEnd) const;
  scaledValue rodExcess(const double* n, const double* m, double pc, double pEnd) const;
  double wallSum(const double* n, double p) const;
  // sum_j q_j K0(kappa r_j)/K0(kappa rM) at p, and d/dp of it into *slope unless nullptr.
  double rodSum(const double* n, const double* m, double p, double* slope) const;
  // The same sums without slope at count positions p into out, all at once.
  void rodNodeSums(const double* n, const double* m, const double* p, int count, double* out) const;

  elecParams params_;
  double kappa_ = 0.1;
  tvector<double> q_{TrackedAllocator<double>("electrostatics")};
  tvector<double> unitNodes_{TrackedAllocator<double>("electrostatics")};    // on [0, 1]
  tvector<double> unitWeights_{TrackedAllocator<double>("electrostatics")};  // sum to 1
  // K0 ratio table: the cubic Hermite piece of each interval as four power coefficients; the
  // last node in use is zero and one more zero piece follows.
  tvector<double> cubic_{TrackedAllocator<double>("electrostatics")};
  double tableInv_ = 0.0;  // table steps per A^2 of the squared distance from the axis
  int tableLast_ = 0;      // last node in use
};

// Debye length (A) of a 1:1 salt of millimolar concentration in water at 25 C:
// L_D = 3.04 A / sqrt(C / 1000). Fails for a concentration that is not positive and finite.
Status debyeLengthForSalt(double millimolar, double* debye);

// Surface charge density (e/nm^2) whose linearised potential at the obstacle's surface is y0
// (kT/e), in water (relative permittivity 78.5) at 298.15 K: eps eps0 kappa (kT/e) y0 for the
// wall, times K1(kappa rM)/K0(kappa rM) for the rod of radius rM (A); debye in A.
double surfaceChargeDensity(int model, double y0, double debye, double rM);

// The charge projections of one orientation: n[j] = r1 . c_j and m[j] = r2 . c_j for the
// positions xyz (three doubles per charge); m may be nullptr.
void projectCharges(const double* xyz, int ncharges, const double r1[3], const double r2[3],
                    double* n, double* m);

// Sums over orientations of X(o) and X(o) d(o), d the orientation's five Saupe elements minus
// the isotropic reference, with one common scale: the true sums are the fields times exp(scale).
struct excessSums {
  double x = 0.0;
  double xd[5] = {0.0, 0.0, 0.0, 0.0, 0.0};
  double scale = 0.0;

  void add(const scaledValue& X, const double d[5]);
};

// The charge-aware Saupe vector from the steric one: S = (stericSum + sums.xd / n) /
// (z0 + sums.x / n), with stericSum = sum over positions of (count/N) (mean - reference) (times
// pos/rM for the rod) and z0 the steric normaliser, for n orientations. fraction receives the
// electrostatic fraction mean(X) / (z0 + mean(X)) (may be nullptr). With every X zero the
// result is stericSum / z0 to the last bit. Fails when the total weight is not positive.
Status combineSaupe(const double stericSum[5], double z0, const excessSums& sums, long long n,
                    double S[5], double* fraction);

}  // namespace korva
