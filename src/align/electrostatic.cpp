// Electrostatic excess weight of an orientation: the wall in closed form, the rod by quadrature
// over a table of K0 ratios, both carried in log form where exp() would overflow.
#include "align/electrostatic.h"

#include <algorithm>
#include <cmath>

#include "numeric/special.h"

namespace korva {

namespace {

// Below this exponent exp() and sums over many orientations stay far from overflow.
constexpr double kPlainExponent = 500.0;
constexpr double kCancelBelow = 0.5;  // |e| below which exp(e) - 1 loses digits to cancellation
// Energies (kT) up to this are carried in log form; the linearised potential means nothing near
// it, and beyond it the scaled sums could lose their finiteness.
constexpr double kMaxEnergy = 1e6;
// Energy change (kT) across the first rod panel near a strong contact; with 8 nodes per panel
// the rod integral is good to ~2e-5 at any energy and Debye length (1e-4 where the charges'
// potentials nearly cancel at contact and X itself is small; 16 nodes give 1e-6).
constexpr double kPanelEnergy = 8.0;
constexpr int kMaxNodes = 200;
// w = exp(-kappa (p - pc) / kRodPower) maps the decay to [wEnd, 1]; the square root turns the
// logarithm of the rod's weight p/rM into w ln w, which Gauss-Legendre integrates fast (in
// u = w^2 itself the logarithm alone costs 1e-3 at 12 nodes).
constexpr double kRodPower = 2.0;
// The K0 table, in the squared distance from the axis so that no charge needs a square root:
// its steps are 2 rM times a step in the distance of 1/96 of min(L_D, rM/2), the length on which
// the ratio's derivatives (and those of the logarithm of the distance that a long Debye length
// leaves) are of order one, so the cubic Hermite interpolation errs by ~(1/96)^4/384; further out
// a step of the square spans less distance. It ends 60 Debye lengths out, where the ratio is
// below exp(-60).
constexpr double kStepsPerLength = 96.0;
constexpr double kTableDebyeLengths = 60.0;
constexpr double kMaxTableSteps = 1 << 22;
constexpr double kDebyeOneMolar = 3.04;                   // A, 1:1 salt at 1 M, 25 C
constexpr double kWaterPermittivity = 78.5;               // relative, at 25 C
constexpr double kVacuumPermittivity = 8.8541878128e-12;  // F/m
constexpr double kThermalVoltage = 0.025692579121;        // kT/e at 298.15 K, V
constexpr double kElementaryCharge = 1.602176634e-19;     // C
constexpr double kSquareMetresPerSquareNm = 1e-18;
constexpr double kMetresPerAngstrom = 1e-10;
constexpr int kLanes = 4;           // charges per fixed-length block of the rod's energy sum
constexpr int kNodeLanes = 8;       // positions per fixed-length block of the rod's node sums
constexpr double kFarAway = 1e100;  // A: padding charges lie this far from the rod

// A running sum of weight * (exp(e) - 1) terms, kept as sum * exp(scale).
struct runningSum {
  double sum = 0.0;
  double scale = 0.0;

  void addExpm1(double weight, double e) {
    if (scale == 0.0 && e <= kPlainExponent) {
      // expm1 only where exp(e) - 1 would cancel; exp is the cheaper call.
      sum += weight * (std::fabs(e) < kCancelBelow ? std::expm1(e) : std::exp(e) - 1.0);
      return;
    }
    if (e > scale) {
      sum *= std::exp(scale - e);
      scale = e;
    }
    sum += weight * (std::exp(e - scale) - std::exp(-scale));
  }
};

scaledValue addScaled(const scaledValue& a, const scaledValue& b) {
  if (a.logScale >= b.logScale) {
    return {a.value + b.value * std::exp(b.logScale - a.logScale), a.logScale};
  }
  return {b.value + a.value * std::exp(a.logScale - b.logScale), b.logScale};
}

// The rod's K0 table as rodBlock reads it.
struct rodTableView {
  const double* cubic;       // four power coefficients per interval
  double rM2, inverse, top;  // the rod's squared radius, table steps per A^2, last node
};

// sum_l q[l] K0(kappa r_l)/K0(kappa rM) over one block of kLanes charges at position p, and with
// kSlope also sum_l q[l] d(ratio)/dp into *slope. The table positions come first, in a
// fixed-length loop without lookups that compilers vectorise; then each charge's cubic piece.
template <bool kSlope>
double rodBlock(const rodTableView& table, const double* n, const double* m, const double* q,
                double p, double* slope) {
  double t[kLanes], dtdp[kLanes];
  for (int l = 0; l < kLanes; ++l) {
    const double dx = p + n[l];
    t[l] = std::min(std::max((dx * dx + m[l] * m[l] - table.rM2) * table.inverse, 0.0), table.top);
    // A charge on the surface (inside the rod) keeps the surface potential: no slope.
    if (kSlope) dtdp[l] = t[l] > 0.0 ? table.inverse * 2.0 * dx : 0.0;
  }
  double sum = 0.0, dsum = 0.0;
  for (int l = 0; l < kLanes; ++l) {
    const int i = static_cast<int>(t[l]);
    const double f = t[l] - i;
    const double* c = table.cubic + 4 * static_cast<size_t>(i);
    sum += q[l] * (c[0] + f * (c[1] + f * (c[2] + f * c[3])));
    if (kSlope) dsum += q[l] * (c[1] + f * (2.0 * c[2] + 3.0 * f * c[3])) * dtdp[l];
  }
  if (kSlope) *slope += dsum;
  return sum;
}

}  // namespace

Status electrostaticModel::setup(const elecParams& params, const double* q, int ncharges,
                                 double rodReach) {
  const auto bad = [](double v) { return !std::isfinite(v) || v <= 0.0; };
  if (params.model != kModelWall && params.model != kModelRod) {
    return Status::failure("Electrostatics Error: unknown medium model %d.\n", params.model);
  }
  if (bad(params.debye)) {
    return Status::failure("Electrostatics Error: the Debye length must be positive (%g A).\n",
                           params.debye);
  }
  if (bad(params.rM) || bad(params.g) || !std::isfinite(params.y0)) {
    return Status::failure("Electrostatics Error: bad obstacle size, grid step or potential.\n");
  }
  if (params.nodes < 2 || params.nodes > kMaxNodes) {
    return Status::failure("Electrostatics Error: %d quadrature nodes (2 to %d allowed).\n",
                           params.nodes, kMaxNodes);
  }
  if (ncharges < 0 || (ncharges > 0 && q == nullptr)) {
    return Status::failure("Electrostatics Error: no charge values.\n");
  }
  double total = 0.0;
  for (int j = 0; j < ncharges; ++j) {
    if (!std::isfinite(q[j])) return Status::failure("Electrostatics Error: bad charge value.\n");
    total += std::fabs(q[j]);
  }
  if (!(std::fabs(params.y0) * total <= kMaxEnergy)) {
    return Status::failure(
        "Electrostatics Error: a potential of %g kT/e on %g e of charge is beyond the model.\n",
        params.y0, total);
  }
  params_ = params;
  kappa_ = 1.0 / params.debye;
  q_.assign(q, q + ncharges);
  unitNodes_.resize(static_cast<size_t>(params.nodes));
  unitWeights_.resize(static_cast<size_t>(params.nodes));
  Status status = gaussLegendre(params.nodes, 0.0, 1.0, unitNodes_.data(), unitWeights_.data());
  if (!status.ok() || params.model != kModelRod) return status;

  if (!std::isfinite(rodReach)) {
    return Status::failure("Electrostatics Error: bad reach of the rod potential.\n");
  }
  const double stepR = std::min(params.debye, 0.5 * params.rM) / kStepsPerLength;
  const double range =
      std::min(kTableDebyeLengths * params.debye, std::max(rodReach - params.rM, 0.0) + 2 * stepR);
  const double rM2 = params.rM * params.rM;
  const double step = 2.0 * params.rM * stepR;  // A^2
  const double steps = std::ceil(((params.rM + range) * (params.rM + range) - rM2) / step);
  if (!(steps < kMaxTableSteps)) {
    return Status::failure(
        "Electrostatics Error: the rod potential needs too fine a table "
        "(Debye length %g A, reach %g A).\n",
        params.debye, rodReach);
  }
  tableLast_ = static_cast<int>(steps);
  tableInv_ = 1.0 / step;
  // Value and slope (per step) of the ratio at every node, from the scaled functions, which
  // stay finite however far out: K0(x)/K0(x0) = e^(x0-x) K0s(x)/K0s(x0). The last node is set
  // to zero: the ratio is below exp(-60) there, or beyond every distance asked for.
  tvector<double> node(2 * (static_cast<size_t>(tableLast_) + 1), 0.0,
                       TrackedAllocator<double>("electrostatics"));
  const double x0 = kappa_ * params.rM;
  const double k0 = besselK0Scaled(x0);
  for (int i = 0; i < tableLast_; ++i) {
    const double r = std::sqrt(rM2 + i * step);
    const double x = kappa_ * r;
    const double decay = std::exp(x0 - x) / k0;
    node[2 * static_cast<size_t>(i)] = i == 0 ? 1.0 : besselK0Scaled(x) * decay;
    // d/dr K0(kappa r) = -kappa K1(kappa r), and dr/d(r^2) = 1/(2r).
    node[2 * static_cast<size_t>(i) + 1] = -kappa_ * step / (2.0 * r) * besselK1Scaled(x) * decay;
  }
  // The cubic Hermite piece of each interval in power form; one more zero piece lets a lookup
  // at the last node read a whole piece.
  cubic_.assign(4 * (static_cast<size_t>(tableLast_) + 1), 0.0);
  for (size_t i = 0; i < static_cast<size_t>(tableLast_); ++i) {
    const double v0 = node[2 * i], s0 = node[2 * i + 1];
    const double v1 = node[2 * i + 2], s1 = node[2 * i + 3];
    double* c = &cubic_[4 * i];
    c[0] = v0;
    c[1] = s0;
    c[2] = 3.0 * (v1 - v0) - 2.0 * s0 - s1;
    c[3] = 2.0 * (v0 - v1) + s0 + s1;
  }
  return Status::success();
}

double electrostaticModel::rodRatio(double r) const {
  const double t = std::clamp((r * r - params_.rM * params_.rM) * tableInv_, 0.0,
                              static_cast<double>(tableLast_));
  const int i = static_cast<int>(t);
  const double f = t - i;
  const double* c = &cubic_[4 * static_cast<size_t>(i)];
  return c[0] + f * (c[1] + f * (c[2] + f * c[3]));
}

double electrostaticModel::rodSum(const double* n, const double* m, double p, double* slope) const {
  const rodTableView table{cubic_.data(), params_.rM * params_.rM, tableInv_,
                           static_cast<double>(tableLast_)};
  const double* q = q_.data();
  const int count = static_cast<int>(q_.size());
  double sum = 0.0, dsum = 0.0;
  int start = 0;
  for (; start + kLanes <= count; start += kLanes) {
    sum += slope ? rodBlock<true>(table, n + start, m + start, q + start, p, &dsum)
                 : rodBlock<false>(table, n + start, m + start, q + start, p, nullptr);
  }
  if (start < count) {
    // The last, partial block padded with charges of no value far from the rod.
    double nb[kLanes], mb[kLanes], qb[kLanes];
    std::fill_n(nb, kLanes, 0.0);
    std::fill_n(mb, kLanes, kFarAway);
    std::fill_n(qb, kLanes, 0.0);
    std::copy(n + start, n + count, nb);
    std::copy(m + start, m + count, mb);
    std::copy(q + start, q + count, qb);
    sum += slope ? rodBlock<true>(table, nb, mb, qb, p, &dsum)
                 : rodBlock<false>(table, nb, mb, qb, p, nullptr);
  }
  if (slope != nullptr) *slope = dsum;
  return sum;
}

void electrostaticModel::rodNodeSums(const double* n, const double* m, const double* p, int count,
                                     double* out) const {
  // Charges outer, positions inner, in fixed blocks of positions: each position keeps its own
  // sum, so the lookups of one charge are independent of each other, and the distances of a
  // block vectorise. A partial block repeats its last position.
  const double rM2 = params_.rM * params_.rM, inverse = tableInv_;
  const double top = static_cast<double>(tableLast_);
  const double* cubic = cubic_.data();
  for (int k0 = 0; k0 < count; k0 += kNodeLanes) {
    double pk[kNodeLanes], sum[kNodeLanes];
    for (int l = 0; l < kNodeLanes; ++l) {
      pk[l] = p[std::min(k0 + l, count - 1)];
      sum[l] = 0.0;
    }
    for (size_t j = 0; j < q_.size(); ++j) {
      const double nj = n[j], mj2 = m[j] * m[j], qj = q_[j];
      double t[kNodeLanes];
      for (int l = 0; l < kNodeLanes; ++l) {
        const double dx = pk[l] + nj;
        t[l] = std::min(std::max((dx * dx + mj2 - rM2) * inverse, 0.0), top);
      }
      for (int l = 0; l < kNodeLanes; ++l) {
        const int i = static_cast<int>(t[l]);
        const double f = t[l] - i;
        const double* c = cubic + 4 * static_cast<size_t>(i);
        sum[l] += qj * (c[0] + f * (c[1] + f * (c[2] + f * c[3])));
      }
    }
    for (int l = 0; l < kNodeLanes && k0 + l < count; ++l) out[k0 + l] = sum[l];
  }
}

double electrostaticModel::wallSum(const double* n, double p) const {
  double sum = 0.0;
  for (size_t j = 0; j < q_.size(); ++j) {
    const double h = std::max(p + n[j] - params_.rM, 0.0);
    sum += q_[j] * std::exp(-kappa_ * h);
  }
  return sum;
}

double electrostaticModel::energy(const double* n, const double* m, double p) const {
  return params_.y0 * (params_.model == kModelWall ? wallSum(n, p) : rodSum(n, m, p, nullptr));
}

scaledValue electrostaticModel::excess(const double* n, const double* m, double pc,
                                       double pEnd) const {
  if (params_.y0 == 0.0 || q_.empty() || !(pEnd > pc)) return {};
  return params_.model == kModelWall ? wallExcess(n, pc, pEnd) : rodExcess(n, m, pc, pEnd);
}

scaledValue electrostaticModel::wallExcess(const double* n, double pc, double pEnd) const {
  // Beyond pFree every charge is above the wall and beta E = a exp(-kappa (p - pFree)): with
  // s = beta E the integral becomes integral_{a'}^{a} (exp(-s) - 1)/s ds / kappa, a' its value
  // at pEnd. Before pFree (only charges left out of the steric test) Gauss-Legendre in p.
  double pFree = pc;
  for (size_t j = 0; j < q_.size(); ++j) pFree = std::max(pFree, params_.rM - n[j]);
  const double kg = kappa_ * params_.g;
  scaledValue total;
  if (pFree > pc) {
    const double end = std::min(pFree, pEnd), width = end - pc;
    runningSum sum;
    for (size_t k = 0; k < unitNodes_.size(); ++k) {
      const double p = pc + width * unitNodes_[k];
      sum.addExpm1(width * unitWeights_[k] / params_.g, -energy(n, nullptr, p));
    }
    total = {sum.sum, sum.scale};
  }
  if (pFree >= pEnd) return total;
  const double a = params_.y0 * wallSum(n, pFree);
  const double aEnd = a * std::exp(-kappa_ * (pEnd - pFree));
  scaledValue closed;
  if (-a <= kPlainExponent) {
    closed = {(expm1Integral(a) - expm1Integral(aEnd)) / kg, 0.0};
  } else {
    // F(a) = Fs(a) e^-a; F(aEnd) e^a = Fs(aEnd) e^(a - aEnd), both aEnd and a negative.
    closed = {(expm1IntegralScaled(a) - expm1IntegralScaled(aEnd) * std::exp(a - aEnd)) / kg, -a};
  }
  return pFree > pc ? addScaled(total, closed) : closed;
}

scaledValue electrostaticModel::rodExcess(const double* n, const double* m, double pc,
                                          double pEnd) const {
  // X = (2 / (g kappa)) integral_{wEnd}^1 (exp(-beta E) - 1) (p/rM) dw/w, p = pc - 2 ln(w)/kappa.
  // The Boltzmann factor's excess decays like w^2 and the weight's logarithm turns into
  // w ln w, so the integrand is smooth down to w = 0. Near contact the energy changes by about
  // slope dw: panels start there kPanelEnergy wide in energy and double outwards, so a strong
  // attraction is resolved where its weight lies.
  double slope = 0.0;
  const double contact = params_.y0 * rodSum(n, m, pc, &slope);
  slope = std::fabs(params_.y0 * slope) * kRodPower / kappa_;  // |d(beta E)/dw| at w = 1
  const double wEnd = std::exp(-kappa_ * (pEnd - pc) / kRodPower);
  const double factor = kRodPower / (params_.g * kappa_ * params_.rM);
  double width = 1.0;
  if (std::fabs(contact) > kPanelEnergy || slope > kRodPower * kPanelEnergy) {
    width = std::min(1.0, kPanelEnergy / slope);
  }
  runningSum sum;
  const int nodes = static_cast<int>(unitNodes_.size());
  double p[kMaxNodes], weight[kMaxNodes], e[kMaxNodes];
  for (double hi = 1.0; hi > wEnd; width *= 2.0) {
    const double lo = std::max(hi - width, wEnd), span = hi - lo;
    for (int k = 0; k < nodes; ++k) {
      const double w = lo + span * unitNodes_[k];
      p[k] = pc - kRodPower * std::log(w) / kappa_;
      weight[k] = factor * span * unitWeights_[k] * p[k] / w;
    }
    rodNodeSums(n, m, p, nodes, e);
    for (int k = 0; k < nodes; ++k) sum.addExpm1(weight[k], -params_.y0 * e[k]);
    hi = lo;
  }
  return {sum.sum, sum.scale};
}

Status debyeLengthForSalt(double millimolar, double* debye) {
  if (!std::isfinite(millimolar) || millimolar <= 0.0) {
    return Status::failure(
        "Electrostatics Error: the salt concentration must be positive (%g mM).\n", millimolar);
  }
  *debye = kDebyeOneMolar / std::sqrt(millimolar / 1000.0);
  return Status::success();
}

double surfaceChargeDensity(int model, double y0, double debye, double rM) {
  // Gauss's law at the surface of the linearised (Debye-Hueckel) potential: sigma = -eps dpsi/dh.
  const double kappa = 1.0 / (debye * kMetresPerAngstrom);
  double sigma = kWaterPermittivity * kVacuumPermittivity * kappa * kThermalVoltage * y0;  // C/m^2
  if (model == kModelRod) sigma *= besselK1(rM / debye) / besselK0(rM / debye);
  return sigma / kElementaryCharge * kSquareMetresPerSquareNm;
}

void projectCharges(const double* xyz, int ncharges, const double r1[3], const double r2[3],
                    double* n, double* m) {
  for (int j = 0; j < ncharges; ++j) {
    const double* c = xyz + 3 * j;
    n[j] = r1[0] * c[0] + r1[1] * c[1] + r1[2] * c[2];
    if (m != nullptr) m[j] = r2[0] * c[0] + r2[1] * c[1] + r2[2] * c[2];
  }
}

void excessSums::add(const scaledValue& X, const double d[5]) {
  if (X.value == 0.0) return;
  if (X.logScale > scale) {
    const double shrink = std::exp(scale - X.logScale);
    x *= shrink;
    for (double& v : xd) v *= shrink;
    scale = X.logScale;
  }
  const double v = X.logScale == scale ? X.value : X.value * std::exp(X.logScale - scale);
  x += v;
  for (int k = 0; k < 5; ++k) xd[k] += v * d[k];
}

Status combineSaupe(const double stericSum[5], double z0, const excessSums& sums, long long n,
                    double S[5], double* fraction) {
  if (n <= 0) return Status::failure("Electrostatics Error: no orientations.\n");
  const bool none = sums.x == 0.0 && sums.scale == 0.0 &&
                    std::all_of(sums.xd, sums.xd + 5, [](double v) { return v == 0.0; });
  // Nothing added: the steric quotient itself, so that a neutral medium changes no digit.
  const double shrink = none || sums.scale == 0.0 ? 1.0 : std::exp(-sums.scale);
  const double meanX = sums.x / static_cast<double>(n);
  const double total = none ? z0 : z0 * shrink + meanX;
  if (!(total > 0.0) || !std::isfinite(total)) {
    return Status::failure(
        "Electrostatics Error: the orientations have no positive total weight "
        "(%g).\n",
        total);
  }
  for (int k = 0; k < 5; ++k) {
    S[k] = none ? stericSum[k] / z0
                : (stericSum[k] * shrink + sums.xd[k] / static_cast<double>(n)) / total;
  }
  if (fraction != nullptr) *fraction = none ? 0.0 : meanX / total;
  return Status::success();
}

}  // namespace korva
