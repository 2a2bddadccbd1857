// The steric simulation: geometry, the wall and rod decisions against a scan of every position
// (at contact too), the whole chain against an independent computation, and the failure paths.
#include "align/steric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "align/charges.h"
#include "align/dots.h"
#include "align/surface_pdb.h"

namespace korva {
namespace {

// The first grid position where the rod model's decision differs from the plain distance test
// of every atom, npos + 1 when only the first free or last blocked position it returns does, or
// -1.
int firstRodMismatch(const std::vector<float>& xp, const std::vector<float>& yp,
                     const tvector<float>& pos, int npos, double contact, tvector<int>* scratch) {
  const int natoms = static_cast<int>(xp.size());
  std::vector<int> blocked(npos + 1);
  const rodDecision d =
      rodBlocked(xp.data(), yp.data(), natoms, pos.data(), npos, contact, scratch, blocked.data());
  int firstFree = npos + 1, lastBlocked = -1;
  for (int i = 0; i <= npos; ++i) {
    bool hit = false;
    for (int j = 0; j < natoms; ++j) hit = hit || rodTouches(pos[i], xp[j], yp[j], contact);
    if (blocked[i] != (hit ? 1 : 0)) return i;
    if (!hit && firstFree > npos) firstFree = i;
    if (hit) lastBlocked = i;
  }
  return d.firstFree == firstFree && d.lastBlocked == lastBlocked ? -1 : npos + 1;
}

// Decisions alone, on projections drawn at random and placed exactly on thresholds and at contact.
TEST(StericOracle, BlockedPositionsMatchScanIncludingContact) {
  std::mt19937 rng(99);
  tvector<float> pos;
  const int npos = buildPositionGrid(31.0, 6.0, 20.0f, 0.2f, &pos, nullLog());
  std::vector<float> t(npos + 1);
  for (int i = 0; i <= npos; ++i)
    t[i] = static_cast<float>(0.0 - (static_cast<double>(pos[i]) - 20.0f));
  const double contact = 20.0;
  tvector<int> diff;
  for (int trial = 0; trial < 500; ++trial) {
    const int natoms = 1 + static_cast<int>(rng() % 30);
    std::vector<float> xp(natoms), yp(natoms);
    std::uniform_real_distribution<float> u(-60.0f, 60.0f);
    for (int j = 0; j < natoms; ++j) {
      xp[j] = u(rng), yp[j] = u(rng) / 2;
      const int i = static_cast<int>(rng() % (npos + 1));
      if (j % 3 == 0) xp[j] = t[i];  // exactly on a wall threshold
      if (j % 3 == 1) {              // exactly on the rod distance test's boundary
        const float dy = yp[j];
        const double dx = std::sqrt(contact * contact - static_cast<double>(dy) * dy);
        if (std::isfinite(dx)) xp[j] = static_cast<float>(-pos[i] + (rng() % 2 ? dx : -dx));
      }
    }
    int lastBlocked = -1;  // the blocked positions must form a prefix
    for (int i = 0; i <= npos; ++i) {
      for (float v : xp) lastBlocked = v <= t[i] ? i : lastBlocked;
    }
    EXPECT_EQ(wallFirstFree(xp.data(), natoms, t.data(), npos), lastBlocked + 1);
    ASSERT_EQ(firstRodMismatch(xp, yp, pos, npos, contact, &diff), -1) << "trial " << trial;
  }
}

// Decisions alone on an exact grid (6 + 0.25 i) against a rod of contact 5: every atom sits at
// distance exactly 5 from the axis at some grid position (3-4-5 triangles, the grazing 0-5 and the
// head-on 5-0), or one float step nearer or farther, so the ends of the runs fall on grid points
// or within rounding of them. Positions include both ends of the grid; runs start before the grid
// and inside it, and the molecules span several chunks of atoms with a partial last one.
TEST(StericOracle, RodTiesAtContactMatchScan) {
  std::mt19937 rng(4242);
  tvector<float> pos;
  const int npos = buildPositionGrid(41.0, 1.0, 5.0f, 0.25f, &pos, nullLog());
  ASSERT_EQ(npos, 160);
  const double contact = 5.0;
  const float legs[][2] = {{3, 4}, {4, 3}, {0, 5}, {5, 0}};
  tvector<int> scratch;
  int ties = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    // Mostly a few atoms, whose runs (at most 41 positions) leave gaps where a tie decides alone.
    const int natoms = 1 + static_cast<int>(rng() % (trial % 8 == 0 ? 40 : 5));
    std::vector<float> xp(natoms), yp(natoms);
    for (int j = 0; j < natoms; ++j) {
      // Where the atom touches: either grid end, or any position, or beyond the grid's end so
      // that its run begins inside the grid.
      const int pick = static_cast<int>(rng() % 8);
      const int i = pick == 0 ? 0 : pick == 1 ? npos : static_cast<int>(rng() % (npos + 1));
      const float* leg = legs[rng() % 4];
      const float dx = rng() % 2 ? leg[0] : -leg[0], dy = rng() % 2 ? leg[1] : -leg[1];
      xp[j] = dx - pos[i];
      yp[j] = dy;
      const int nudge = static_cast<int>(rng() % 6);  // 0..3 exact; 4, 5 one step off
      float& v = rng() % 2 ? xp[j] : yp[j];
      if (nudge == 4) v = std::nextafter(v, 100.0f);
      if (nudge == 5) v = std::nextafter(v, -100.0f);
      if (nudge < 4) ++ties;
    }
    ASSERT_EQ(firstRodMismatch(xp, yp, pos, npos, contact, &scratch), -1) << "trial " << trial;
  }
  EXPECT_GT(ties, 3000);
}

// Values worked out with python from the bicelle formulas: D = 1000c/(677.94q + 453.51),
// q_eff = qD/(D - 0.005), h = rM/(c - 453.51*5e-6) = 419.00216 A at the defaults; below c = 0.01
// no free lipid is subtracted and h = rM/c.
TEST(StericGeometry, BicelleAndRodCellFigures) {
  korvaInfo info;
  korvaInfoNull(&info);
  refine_bicelle(&info);
  EXPECT_NEAR(info.wallHalfSpacing, 419.00216, 1e-3);
  EXPECT_NEAR(info.pRatio, 3.9932540, 1e-5);
  EXPECT_NEAR(info.lM, 263.04811, 1e-3);
  EXPECT_NEAR(info.rimDisc, 0.23845785, 1e-6);
  korvaInfoNull(&info);
  info.wv = 0.005f;
  refine_bicelle(&info);
  EXPECT_NEAR(info.wallHalfSpacing, 20.0 / 0.005f, 1e-3);
  // Rod: L = 33.5/sqrt(0.05/1.46) - 33.5 = 147.52403 A; the table grows to the first position
  // beyond it.
  const double L = rodCellWidth(33.5f, 0.05f);
  EXPECT_NEAR(L, 147.52403, 1e-4);
  tvector<float> pos;
  const int npos = buildPositionGrid(20.0, 5.0, 33.5f, 0.2f, &pos, nullLog());
  EXPECT_EQ(npos, 74);  // 15 / 0.2f: the single-precision step is 0.20000000298, so 74.99999 steps
  const int ntot = extendRodGrid(npos, L, 0.2f, &pos, nullLog());
  EXPECT_GT(pos[ntot], L);
  EXPECT_LE(pos[ntot - 1], L);
}

// The count of steps is truncated before it is compared with the table: with the exact step 0.25,
// 4999.5 steps are 4999 positions and fit, 5000 steps do not and are cut with the warning.
TEST(StericGeometry, LongMoleculeFillsTheTableWithWarning) {
  const struct {
    double extent;
    const char* warning;
  } cases[] = {
      {1249.875, ""},
      {1250.0, "WARNING: concentration too low - magnitude of alignment tensor incorrect\n"},
  };
  for (const auto& c : cases) {
    tvector<float> pos;
    TextLog log;
    EXPECT_EQ(buildPositionGrid(c.extent, 0.0, 20.0f, 0.25f, &pos, log), 4999) << c.extent;
    EXPECT_EQ(log.text(), c.warning);
    EXPECT_EQ(pos.size(), 5000u);
  }
}

// The whole chain (refine_bicelle, centring, extent, grid, scan, normaliser, lcS) for five atoms
// on the 12 icosahedron vertices (-dot 12) and 18 psi steps, against an independent python3
// computation written from the model description (float32 rounding by struct.pack at every
// single-precision store, lcS taken as the float 0.8f; per-position scan; wall and rod). Only the
// order of the sums differs.
TEST(StericSimulation, FiveAtomsMatchIndependentComputation) {
  const struct {
    int model;
    float size[2];  // rM, rA
    double S[5];
  } cases[] = {
      {kModelWall,
       {20.0f, 0.0f},
       {-3.5969204676049798e-05, 0.00016028064319543851, -3.4804473471983477e-05,
        -0.00012847391928503377, 0.00013969863305060107}},
      {kModelWall,
       {20.0f, 1.5f},
       {-3.6097014032766733e-05, 0.00016085016832354413, -3.4928144189904227e-05,
        -0.0001289304255972141, 0.00014019502413250672}},
      {kModelRod,
       {33.5f, 0.0f},
       {-2.8717268323441092e-05, 0.00014892570675521775, -3.1750358437155132e-05,
        -0.00011338506587962708, 0.00011285786307537138}},
      {kModelRod,
       {33.5f, 1.5f},
       {-2.8456611866355969e-05, 0.00015721424243166592, -3.3783168886004972e-05,
        -0.00011692753826275308, 0.00012075327062265829}},
  };
  const tvector<double> pts = do_unsp(12).value;
  const int n = static_cast<int>(pts.size() / 3);
  ASSERT_EQ(n, 12);
  for (const auto& c : cases) {
    korvaInfo info;
    korvaInfoNull(&info);
    info.lcModel = c.model;
    info.rM = c.size[0];
    info.rA = c.size[1];
    refine_bicelle(&info);
    double x[6] = {0, 1.3, 4.1, -2.7, 0.4, -3.9}, y[6] = {0, -2.2, 0.6, 3.3, -0.8, -1.2},
           z[6] = {0, 0.7, -1.9, 2.2, -4.6, 1.1}, S[5];
    ASSERT_EQ(simulateAlignment(&info, 5, x, y, z, n, pts.data(), S, nullLog()), 0);
    for (int m = 0; m < 5; ++m)
      EXPECT_NEAR(S[m], c.S[m], 1e-10 * std::fabs(c.S[m]))
          << c.model << " " << c.size[1] << " " << m;
  }
}

// Ubiquitin's 104 surface atoms and 26 charges at L_D 10 A in the charged rod (y0 -4.5) and wall
// (+4.25), 200 Fibonacci directors x 18 turns, against bench/charges_check.py --korva build/korva
// --dirs 200 --spec-frames (numpy: its own steric grid, scipy's K0, Simpson over the position; the
// medium's tensor is -S). A zero potential simulated beside it gives the steric vector to the bit.
TEST(StericSimulation, ChargedUbiquitinMatchesIndependentComputation) {
  const struct {
    int model;
    double y0, tensor[5], fraction;
  } cases[] = {
      {kModelRod,
       -4.5,
       {6.034525e-02, 2.361586e-02, -2.288911e-02, -2.271770e-02, 5.477098e-02},
       0.41401},
      {kModelWall,
       4.25,
       {1.051698e-01, 1.169018e-01, -1.853482e-02, -1.443594e-01, 3.703780e-02},
       0.64073},
  };
  pdbInfo pdb;
  ASSERT_EQ(readPDB(KORVA_SOURCE_DIR "/tests/data/2mjb-model1.pdb", &pdb, nullptr, nullLog()), 0);
  tvector<int> flags(pdb.atoms.size(), 0);
  for (size_t i = 0; i < flags.size(); ++i) flags[i] = pdb.atoms[i].atomName[0] != 'H';
  ASSERT_EQ(callNSC(pdb, &flags, nullLog()), 0);
  std::vector<double> atoms[3] = {{0.0}, {0.0}, {0.0}};
  for (size_t i = 0; i < flags.size(); ++i) {
    if (!flags[i]) continue;
    atoms[0].push_back(pdb.atoms[i].x), atoms[1].push_back(pdb.atoms[i].y);
    atoms[2].push_back(pdb.atoms[i].z);
  }
  const int natoms = static_cast<int>(atoms[0].size()) - 1;
  ASSERT_EQ(natoms, 104);
  const chargeSet set = defaultCharges(pdb);
  const double origin[3] = {0, 0, 0};
  tvector<double> xyz;
  chargePositions(pdb, set, origin, &xyz);
  std::vector<double> q;
  for (const chargeSite& site : set.sites) q.push_back(site.q);
  std::vector<double> points;  // the Fibonacci sphere of the script
  for (int k = 0; k < 200; ++k) {
    const double z = 1.0 - 2.0 * (k + 0.5) / 200, phi = (k + 0.5) * M_PI * (3.0 - std::sqrt(5.0));
    points.insert(points.end(),
                  {std::sqrt(1 - z * z) * std::cos(phi), std::sqrt(1 - z * z) * std::sin(phi), z});
  }
  for (const auto& c : cases) {
    korvaInfo info;
    korvaInfoNull(&info);
    info.lcModel = c.model;
    info.rM = c.model == kModelRod ? 33.5f : 20.0f;
    refine_bicelle(&info);
    const double y0[2] = {0.0, c.y0};
    chargeInput in{y0, 2, 10.0, xyz.data(), q.data(), static_cast<int>(q.size())};
    double steric[5], S[10], fraction[2];
    std::vector<double> a[3] = {atoms[0], atoms[1], atoms[2]},
                        b[3] = {atoms[0], atoms[1], atoms[2]};
    ASSERT_EQ(simulateAlignment(&info, natoms, a[0].data(), a[1].data(), a[2].data(), 200,
                                points.data(), steric, nullLog()),
              0);
    ASSERT_EQ(simulateAlignment(&info, natoms, b[0].data(), b[1].data(), b[2].data(), 200,
                                points.data(), S, nullLog(), &in, fraction),
              0);
    EXPECT_EQ(fraction[0], 0.0);
    EXPECT_NEAR(fraction[1], c.fraction, 2e-5) << c.model;
    for (int m = 0; m < 5; ++m) {
      EXPECT_EQ(S[m], steric[m]);
      EXPECT_NEAR(-S[5 + m], c.tensor[m], 2e-5 * std::fabs(c.tensor[0])) << c.model << " " << m;
    }
  }
}

// Bad parameters end with one line and leave S and the coordinates alone. A wall half-spacing
// inside the molecule's reach leaves no room: an error, not NaN or nonsense.
TEST(StericSimulation, BadParametersEndWithOneLine) {
  const struct {
    int dot, digPsi, natoms;
    float dGrid, wallHalfSpacing;
    const char* line;
  } cases[] = {
      {2, 18, 2, 0.2f, 419.0f, "simulateAlignment: error - -dot must be at least 3.\n"},
      {100, 0, 2, 0.2f, 419.0f, "simulateAlignment: error - -digPsi must be at least 1.\n"},
      {100, 18, 2, 0.0f, 419.0f, "simulateAlignment: error - -dGrid must be greater than 0.\n"},
      {100, 18, 2, -0.2f, 419.0f, "simulateAlignment: error - -dGrid must be greater than 0.\n"},
      {100, 18, 0, 0.2f, 419.0f, "simulateAlignment: error - no atom to simulate.\n"},
      // h inside the table: nfree = trunc((25 - 30)/0.2) = -25 outweighs the free positions.
      {100, 18, 2, 0.2f, 25.0f, "stericAlignment: error - no accessible volume"},
  };
  const tvector<double> pts = do_unsp(12).value;
  const int n = static_cast<int>(pts.size() / 3);
  for (const auto& c : cases) {
    korvaInfo info;
    korvaInfoNull(&info);
    info.dot = c.dot, info.digPsi = c.digPsi, info.dGrid = c.dGrid;
    info.wallHalfSpacing = c.wallHalfSpacing;
    double x[3] = {0, 10, -10}, y[3] = {0, 0, 0}, z[3] = {0, 0, 0}, S[5] = {7, 7, 7, 7, 7};
    TextLog log;
    EXPECT_EQ(simulateAlignment(&info, c.natoms, x, y, z, n, pts.data(), S, log), 1);
    EXPECT_EQ(log.text().rfind(c.line, 0), 0u) << log.text();
    EXPECT_EQ(S[0], 7.0);
    EXPECT_EQ(x[1], 10.0);
  }
}

}  // namespace
}  // namespace korva
