// Charge-aware steric prediction and the search of the medium's surface potential.
#include "api/charged.h"

#include <algorithm>
#include <cmath>

#include "align/electrostatic.h"
#include "align/steric.h"
#include "fit/fit_d.h"
#include "tensor/tensor.h"

namespace korva {
namespace {

// Couplings that the search needs before R says anything.
constexpr int kMinFitPotCouplings = 5;
// Norm of a Saupe vector predicted for its direction alone: its couplings stay far below the
// table's placeholder value 999 Hz, so that none drops out of the statistics.
constexpr double kDirectionNorm = 1e-3;

// The charges as the simulation takes them: positions in the structure's frame and values.
struct chargeArrays {
  tvector<double> xyz{TrackedAllocator<double>("charge positions")};
  tvector<double> q{TrackedAllocator<double>("charges")};
};

// Simulates the potentials y0[0..count-1] on a copy of the atoms: five values per potential into
// S, the fractions into fraction.
int simulatePotentials(const korvaInfo& info, const simAtoms& atoms, int ndots,
                       const double* points, const chargeArrays& charges, double debye,
                       const double* y0, int count, double* S, double* fraction, Log& log) {
  tvector<double> x(atoms.x), y(atoms.y), z(atoms.z);
  chargeInput in;
  in.y0 = y0;
  in.count = count;
  in.debye = debye;
  in.xyz = charges.xyz.data();
  in.q = charges.q.data();
  in.ncharges = static_cast<int>(charges.q.size());
  return simulateAlignment(&info, atoms.n, x.data(), y.data(), z.data(), ndots, points, S, log, &in,
                           fraction);
}

// Predicts the couplings of tab from the Saupe vector s times scale, leaving any tensor alone.
void predictScaled(const pdbInfo& pdb, dTab* tab, const double s[5], double scale) {
  dTensor t;
  dTensorNull(&t);
  t.tensorMode = kTensorSteric;
  t.eulerFlag = 0;
  for (int k = 0; k < 5; ++k) t.saupeIn[k] = static_cast<float>(scale * s[k]);
  fitWorkspace ws;
  (void)fitDSVD(&pdb, tab, &t, &ws, nullLog());
}

// The factor that brings s to the norm at which only its direction counts, 0 for a zero vector.
double directionScale(const double s[5]) {
  double norm = 0.0;
  for (int k = 0; k < 5; ++k) norm += s[k] * s[k];
  norm = std::sqrt(norm);
  return norm > 0.0 ? kDirectionNorm / norm : 0.0;
}

// R of the couplings of tab predicted from the simulated vector s (the medium's tensor is its
// negative, as the steric pipeline stores it), whatever its magnitude.
double agreementOf(const pdbInfo& pdb, const dTab& tab, const double s[5]) {
  dTab work = tab;
  double tensor[5];
  for (int k = 0; k < 5; ++k) tensor[k] = -s[k];
  predictScaled(pdb, &work, tensor, directionScale(tensor));
  return getStatDCmod(work).r;
}

// The index of the largest R among count vectors of S; the first of equal ones.
int bestOf(const pdbInfo& pdb, const dTab& tab, const double* S, int count, double* r) {
  int best = 0;
  for (int k = 0; k < count; ++k) {
    r[k] = agreementOf(pdb, tab, S + 5 * k);
    if (r[k] > r[best]) best = k;
  }
  return best;
}

// Potentials from lo to hi in steps of step (both ends included, to rounding).
void potentialGrid(double lo, double hi, double step, tvector<double>* y0) {
  const int count = static_cast<int>(std::floor((hi - lo) / step + 1e-9)) + 1;
  y0->resize(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) (*y0)[static_cast<size_t>(k)] = lo + step * k;
}

// The search: a coarse scan of the whole range, whose rows are the report's curve, then a fine
// one within a coarse step of its best. R is smooth in y0 and its peaks are a few kT/e wide.
int fitPotential(const pdbInfo& pdb, const dTab& tab, const korvaInfo& info, const simAtoms& atoms,
                 int ndots, const double* points, const chargeArrays& charges, double debye,
                 double S[5], chargeSummary* summary, Log& log) {
  if (checkChargeOptions({0.0, debye, true, nullptr}, tab, log) != 0) return 1;
  tvector<double> y0(TrackedAllocator<double>("potential search"));
  tvector<double> sv(TrackedAllocator<double>("potential search"));
  tvector<double> fraction(TrackedAllocator<double>("potential search"));
  tvector<double> r(TrackedAllocator<double>("potential search"));
  const auto scan = [&](double lo, double hi, double step, Log& scanLog) {
    potentialGrid(lo, hi, step, &y0);
    const int count = static_cast<int>(y0.size());
    sv.resize(5 * y0.size());
    fraction.resize(y0.size());
    r.resize(y0.size());
    if (simulatePotentials(info, atoms, ndots, points, charges, debye, y0.data(), count, sv.data(),
                           fraction.data(), scanLog) != 0) {
      return -1;
    }
    return bestOf(pdb, tab, sv.data(), count, r.data());
  };
  int best = scan(kFitPotMin, kFitPotMax, kFitPotCoarseStep, log);
  if (best < 0) return 1;
  summary->curve.clear();
  for (size_t k = 0; k < y0.size(); ++k) summary->curve.push_back({y0[k], r[k], fraction[k]});
  // The fine scan repeats the coarse one's warnings; they are shown only if it fails.
  TextLog fineLog;
  const double centre = y0[static_cast<size_t>(best)];
  best = scan(std::max(kFitPotMin, centre - kFitPotCoarseStep),
              std::min(kFitPotMax, centre + kFitPotCoarseStep), kFitPotFineStep, fineLog);
  if (best < 0) {
    log.write(fineLog.text().c_str());
    return 1;
  }
  const size_t b = static_cast<size_t>(best);
  std::copy(sv.begin() + 5 * static_cast<std::ptrdiff_t>(b),
            sv.begin() + 5 * static_cast<std::ptrdiff_t>(b) + 5, S);
  summary->y0 = y0[b];
  summary->fraction = fraction[b];
  summary->r = r[b];
  summary->fitted = true;
  return 0;
}

}  // namespace

int checkChargeOptions(const chargeOptions& options, const dTab& tab, Log& log) {
  if (!options.fitPotential) return 0;
  const int usable = countFitDC(&tab);
  if (usable >= kMinFitPotCouplings) return 0;
  log.printf("KORVA: error - -fitPot needs at least %d usable couplings (-inD), found %d.\n",
             kMinFitPotCouplings, usable);
  return 1;
}

double scalePredictions(const pdbInfo& pdb, dTab* tab, const dTensor& tensor) {
  double s[5];
  for (int k = 0; k < 5; ++k) s[k] = tensor.saupe[k];
  const double unit = directionScale(s);
  if (unit == 0.0) return 0.0;
  dTab work = *tab;
  predictScaled(pdb, &work, s, unit);
  // Least squares on the weighted values that the statistics compare.
  double xy = 0.0, yy = 0.0;
  for (int i = 0; i < work.n; ++i) {
    if (!dcListed(work, i)) continue;
    const dcRecord& in = work.in[static_cast<size_t>(i)];
    const dcRecord& w = work.work[static_cast<size_t>(i)];
    if (!(in.D < kDCLimit && w.D < kDCLimit)) continue;
    const double wsq = static_cast<double>(w.W) * w.W;
    xy += wsq * static_cast<double>(in.D) * w.D;
    yy += wsq * static_cast<double>(w.D) * w.D;
  }
  if (!(yy > 0.0) || !(xy > 0.0)) return 0.0;
  const double scale = unit * xy / yy;
  predictScaled(pdb, tab, s, scale);
  return scale;
}

int simulateCharged(const pdbInfo& pdb, const dTab& tab, const korvaInfo& info,
                    const simAtoms& atoms, int ndots, const double* points,
                    const chargeOptions& options, double S[5], chargeSummary* summary, Log& log) {
  const chargeSet defaults = options.charges == nullptr ? defaultCharges(pdb) : chargeSet();
  const chargeSet& set = options.charges != nullptr ? *options.charges : defaults;
  chargeArrays charges;
  const double origin[3] = {0.0, 0.0, 0.0};
  chargePositions(pdb, set, origin, &charges.xyz);
  for (const chargeSite& c : set.sites) charges.q.push_back(c.q);

  chargeSummary out;
  out.active = true;
  out.model = info.lcModel;
  out.debye = options.debye;
  out.sites = static_cast<int>(set.sites.size());
  out.net = netCharge(set);
  if (options.fitPotential) {
    if (fitPotential(pdb, tab, info, atoms, ndots, points, charges, options.debye, S, &out, log) !=
        0) {
      return 1;
    }
  } else {
    out.y0 = options.y0;
    if (simulatePotentials(info, atoms, ndots, points, charges, options.debye, &out.y0, 1, S,
                           &out.fraction, log) != 0) {
      return 1;
    }
  }
  out.sigma = surfaceChargeDensity(info.lcModel, out.y0, options.debye, info.rM);
  if (summary != nullptr) *summary = std::move(out);
  return 0;
}

}  // namespace korva
