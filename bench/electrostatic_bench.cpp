// The cost of the electrostatic excess over all orientations of a charge-aware run, beside the
// steric simulation of the same molecule and orientations: ubiquitin's 26 charges and its
// surface atoms, 2000 directions x 18 turns (the run's budget is twice the steric time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "align/charges.h"
#include "align/dots.h"
#include "align/electrostatic.h"
#include "align/steric.h"
#include "align/surface_pdb.h"
#include "structure/transform.h"
#include "tables/run_info.h"

namespace korva {
namespace {

constexpr int kDot = 2000;
constexpr int kPsi = 18;
constexpr double kPi = 3.14159265;

// Ubiquitin's surface heavy atoms (1-based, centred as the simulation centres them), its charges
// in the same frame, and the two projection rows of every orientation.
struct Setup {
  std::vector<double> x, y, z, xyz, q;
  std::vector<double> rows;                     // r1 then r2 per orientation
  std::vector<double> wallContact, rodContact;  // A, per orientation
  int ndots = 0;
  tvector<double> points;
};

const Setup& ubiquitin() {
  static const Setup setup = [] {
    Setup s;
    pdbInfo pdb;
    if (readPDB(KORVA_SOURCE_DIR "/examples/ubiquitin-2mjb.pdb", &pdb, nullptr, nullLog()))
      return s;
    tvector<int> flags(pdb.atoms.size(), 0);
    for (size_t i = 0; i < pdb.atoms.size(); i++) flags[i] = pdb.atoms[i].atomName[0] != 'H';
    if (callNSC(pdb, &flags, nullLog())) return s;
    double centre[3] = {0, 0, 0};
    s.x.push_back(0), s.y.push_back(0), s.z.push_back(0);
    for (size_t i = 0; i < pdb.atoms.size(); i++) {
      const pdbAtom& a = pdb.atoms[i];
      if (!flags[i]) continue;
      s.x.push_back(a.x), s.y.push_back(a.y), s.z.push_back(a.z);
      centre[0] += a.x, centre[1] += a.y, centre[2] += a.z;
    }
    const double n = static_cast<double>(s.x.size() - 1);
    for (double& c : centre) c /= n;
    for (size_t j = 1; j < s.x.size(); ++j) {
      s.x[j] -= centre[0], s.y[j] -= centre[1], s.z[j] -= centre[2];
    }
    const chargeSet set = defaultCharges(pdb);
    tvector<double> xyz;
    chargePositions(pdb, set, centre, &xyz);
    s.xyz.assign(xyz.begin(), xyz.end());
    for (const chargeSite& c : set.sites) s.q.push_back(c.q);
    Outcome<tvector<double>> dots = do_unsp(kDot);
    if (!dots.ok()) return s;
    s.points = std::move(dots.value);
    s.ndots = static_cast<int>(s.points.size() / 3);
    for (int d = 0; d < s.ndots; ++d) {
      const double* p = &s.points[3 * static_cast<size_t>(d)];
      const double phi = std::atan2(p[1], p[0]);
      const double theta = kPi / 2 - std::atan2(p[2], std::hypot(p[0], p[1]));
      for (int k = 0; k < kPsi; ++k) {
        const double psi = k * (360.0 / kPsi) * kPi / 180.0;
        double r1[3], r2[3], r3[3];
        rotate_coorsystem(-theta, -psi, -phi, r1, r2, r3);
        s.rows.insert(s.rows.end(), {r1[0], r1[1], r1[2], r2[0], r2[1], r2[2]});
        // The exact contact of the surface atoms with the wall (rM 20 A) and the rod (33.5 A);
        // the run takes the first free grid position, which it has at no cost.
        double wall = 0.0, rod = 0.0;
        for (size_t j = 1; j < s.x.size(); ++j) {
          const double xp = r1[0] * s.x[j] + r1[1] * s.y[j] + r1[2] * s.z[j];
          const double yp = r2[0] * s.x[j] + r2[1] * s.y[j] + r2[2] * s.z[j];
          wall = std::max(wall, 20.0 - xp);
          if (std::fabs(yp) < 33.5) rod = std::max(rod, std::sqrt(33.5 * 33.5 - yp * yp) - xp);
        }
        s.wallContact.push_back(wall);
        s.rodContact.push_back(rod);
      }
    }
    return s;
  }();
  return setup;
}

void BM_UbiquitinSteric(benchmark::State& state) {
  const Setup& s = ubiquitin();
  korvaInfo info;
  korvaInfoNull(&info);
  info.lcModel = static_cast<int>(state.range(0));
  info.dot = kDot;
  info.digPsi = kPsi;
  if (info.lcModel == kModelRod) info.rM = 33.5f;
  refine_bicelle(&info);
  const int natoms = static_cast<int>(s.x.size()) - 1;
  double S[5];
  for (auto _ : state) {
    std::vector<double> x = s.x, y = s.y, z = s.z;
    if (simulateAlignment(&info, natoms, x.data(), y.data(), z.data(), s.ndots, s.points.data(), S,
                          nullLog())) {
      state.SkipWithError("simulation failed");
      return;
    }
    benchmark::DoNotOptimize(S);
  }
}
BENCHMARK(BM_UbiquitinSteric)->Arg(kModelWall)->Arg(kModelRod)->Unit(benchmark::kMillisecond);

// The same simulation in the charged medium: the rod at y0 = -4.5 (the Pf1 preset), the wall at
// +4.25, L_D = 10 A; beside BM_UbiquitinSteric it gives the cost of a charge-aware run.
void BM_UbiquitinCharged(benchmark::State& state) {
  const Setup& s = ubiquitin();
  korvaInfo info;
  korvaInfoNull(&info);
  info.lcModel = static_cast<int>(state.range(0));
  info.dot = kDot;
  info.digPsi = kPsi;
  if (info.lcModel == kModelRod) info.rM = 33.5f;
  refine_bicelle(&info);
  const double y0 = info.lcModel == kModelRod ? -4.5 : 4.25;
  const chargeInput in{&y0, 1, 10.0, s.xyz.data(), s.q.data(), static_cast<int>(s.q.size())};
  const int natoms = static_cast<int>(s.x.size()) - 1;
  double S[5], fraction = 0.0;
  for (auto _ : state) {
    std::vector<double> x = s.x, y = s.y, z = s.z;
    if (simulateAlignment(&info, natoms, x.data(), y.data(), z.data(), s.ndots, s.points.data(), S,
                          nullLog(), &in, &fraction)) {
      state.SkipWithError("simulation failed");
      return;
    }
    benchmark::DoNotOptimize(S);
  }
  state.counters["fraction"] = fraction;
}
BENCHMARK(BM_UbiquitinCharged)->Arg(kModelWall)->Arg(kModelRod)->Unit(benchmark::kMillisecond);

// What the charges add to a run: their projections and the excess of every orientation, at
// y0 = -4.5 and L_D = 10 A.
void BM_UbiquitinExcess(benchmark::State& state) {
  const Setup& s = ubiquitin();
  const int model = static_cast<int>(state.range(0));
  elecParams params;
  params.model = model;
  params.y0 = -4.5;
  params.rM = model == kModelRod ? 33.5 : 20.0;
  const double pEnd = model == kModelRod ? rodCellWidth(33.5f, 0.05f) : 419.0;
  const std::vector<double>& contact = model == kModelRod ? s.rodContact : s.wallContact;
  electrostaticModel e;
  const int nq = static_cast<int>(s.q.size());
  if (!e.setup(params, s.q.data(), nq, pEnd + 60.0).ok()) {
    state.SkipWithError("setup failed");
    return;
  }
  std::vector<double> n(nq), m(nq);
  for (auto _ : state) {
    excessSums sums;
    const double d[5] = {1, 0, 0, 0, 0};
    for (size_t o = 0; o < contact.size(); ++o) {
      const double* r1 = &s.rows[6 * o];
      projectCharges(s.xyz.data(), nq, r1, r1 + 3, n.data(), m.data());
      sums.add(e.excess(n.data(), m.data(), contact[o], pEnd), d);
    }
    benchmark::DoNotOptimize(sums);
  }
  state.counters["orientations"] = static_cast<double>(contact.size());
}
BENCHMARK(BM_UbiquitinExcess)->Arg(kModelWall)->Arg(kModelRod)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korva
