// Icosahedron-based unit-sphere dot distributions and their cube grouping.
#include "align/dots.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace korva {

namespace {

constexpr double kDegToRad = 0.017453293;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kNeighbourTolerance = 0.001;  // on squared chord lengths
constexpr double kMinAxisLength = 0.001;
constexpr double kMinSqLength = 0.5;
// Largest density accepted: keeps the dot count and its storage within int range.
constexpr int kMaxDensity = 5000000;

const char* baseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// One distribution under construction: room for exactly the dots its formula promises, so that a
// wrong count shows as an error instead of a silent reallocation.
struct DotBuild {
  tvector<double> xus{TrackedAllocator<double>("unsp dots")};
  int capacity = 0;  // dots this build may write
  int written = 0;   // dots written so far

  explicit DotBuild(int n) : capacity(n) { xus.assign(static_cast<size_t>(n) * 3, 0.0); }

  Status add(const double v[3]) {
    if (written >= capacity)
      return nscError("ico_dot: tn exceeds dimension of xus", KORVA_NSC_HERE);
    double* d = &xus[static_cast<size_t>(written) * 3];
    d[0] = v[0];
    d[1] = v[1];
    d[2] = v[2];
    ++written;
    return Status();
  }
};

double sqDist(const double a[3], const double b[3]) {
  const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return dx * dx + dy * dy + dz * dz;
}

void normalise(double v[3]) {
  const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  v[0] /= len;
  v[1] /= len;
  v[2] /= len;
}

// The twelve icosahedron vertices in their fixed order, and the squared edge length.
void icosahedronVertices(double v[12][3], double* edgeSq) {
  const double c72 = std::cos(72.0 * kDegToRad);
  const double rh = std::sqrt(1.0 - 2.0 * c72) / (1.0 - c72);
  const double rg = c72 / (1.0 - c72);
  const double upper[4] = {72.0, 144.0, 216.0, 288.0};
  v[0][0] = 0.0, v[0][1] = 0.0, v[0][2] = 1.0;
  for (int k = 0; k < 4; ++k) {
    v[1 + k][0] = rh * std::cos(upper[k] * kDegToRad);
    v[1 + k][1] = rh * std::sin(upper[k] * kDegToRad);
    v[1 + k][2] = rg;
  }
  v[5][0] = rh, v[5][1] = 0.0, v[5][2] = rg;
  const double lower[5] = {36.0, 108.0, 0.0, 252.0, 324.0};
  for (int k = 0; k < 5; ++k) {
    if (k == 2) {
      v[8][0] = -rh, v[8][1] = 0.0, v[8][2] = -rg;
      continue;
    }
    v[6 + k][0] = rh * std::cos(lower[k] * kDegToRad);
    v[6 + k][1] = rh * std::sin(lower[k] * kDegToRad);
    v[6 + k][2] = -rg;
  }
  v[11][0] = 0.0, v[11][1] = 0.0, v[11][2] = -1.0;
  *edgeSq = 2.0 * rh * rh * (1.0 - c72);
}

bool near(double value, double target) {
  return std::fabs(value - target) <= kNeighbourTolerance;
}

// Adds the (t-1)(t-2)/2 interior points of the spherical triangle (p, q, r) at level t.
Status addFacePoints(const double p[3], const double q[3], const double r[3], int t,
                     DotBuild* build) {
  for (int l1 = 1; l1 <= t - 2; ++l1) {
    double a[3], b[3];
    Status s = divarc(q, p, l1, t, a);
    if (s.ok()) s = divarc(r, p, l1, t, b);
    if (!s.ok()) return s;
    for (int l2 = 1; l2 <= t - l1 - 1; ++l2) {
      const int l3 = t - l1 - l2;
      double c[3], d[3], e[3], f[3], x[3], y[3], z[3];
      // Each arc in turn, stopping at the first that fails.
      const struct {
        const double *from, *to;
        int m, n;
        double* out;
      } arcs[] = {{p, q, l2, t, c},      {r, q, l2, t, d},      {p, r, l3, t, e},
                  {q, r, l3, t, f},      {b, a, l2, t - l1, x}, {d, c, l1, t - l2, y},
                  {f, e, l1, l1 + l2, z}};
      for (const auto& arc : arcs) {
        s = divarc(arc.from, arc.to, arc.m, arc.n, arc.out);
        if (!s.ok()) return s;
      }
      double v[3] = {x[0] + y[0] + z[0], x[1] + y[1] + z[1], x[2] + y[2] + z[2]};
      normalise(v);
      s = build->add(v);
      if (!s.ok()) return s;
    }
  }
  return Status();
}

// Adds the t-1 points that divide the arc from a to b.
Status addArcPoints(const double a[3], const double b[3], int t, DotBuild* build) {
  for (int k = 1; k < t; ++k) {
    double v[3] = {};  // divarc fills it on success, which GCC -O3 cannot tell
    Status s = divarc(a, b, k, t, v);
    if (s.ok()) s = build->add(v);
    if (!s.ok()) return s;
  }
  return Status();
}

Outcome<tvector<double>> finishBuild(const char* who, int density, int level, int nDot,
                                     DotBuild* build) {
  char line[160];
  if (nDot < density) {
    std::snprintf(line, sizeof line, "%s: error in formula for tessalation level (%d->%d, %d)", who,
                  level, nDot, density);
    return {nscError(line, KORVA_NSC_HERE), {}};
  }
  if (build->written != nDot) {
    std::snprintf(line, sizeof line, "ico_dot: n_dot(%d) and tn(%d) differ", nDot, build->written);
    return {nscError(line, KORVA_NSC_HERE), {}};
  }
  return {Status(), std::move(build->xus)};
}

Status checkDensity(int density) {
  if (density >= kUnspMinDensity && density <= kMaxDensity) return Status();
  char line[160];
  std::snprintf(line, sizeof line, "unsp: dot density %d outside %d..%d", density, kUnspMinDensity,
                kMaxDensity);
  return nscError(line, KORVA_NSC_HERE);
}

// Reorders the dots cube by cube: the cubes in order of ix, then iy, then iz; inside a cube the
// dots keep the order in which the scan meets them.
void groupByCubes(int cubus, tvector<double>* dots) {
  const int n = static_cast<int>(dots->size() / 3);
  double* xus = dots->data();
  const double edge = 2.0 / cubus;
  tvector<int> cube(static_cast<size_t>(n), 0, TrackedAllocator<int>("unsp cubes"));
  auto cell = [&](double c) {
    int k = static_cast<int>(std::floor((c + 1.0) / edge));
    return k < 0 ? 0 : (k >= cubus ? cubus - 1 : k);
  };
  for (int i = 0; i < n; ++i) {
    const double* d = &xus[3 * static_cast<size_t>(i)];
    cube[i] = cell(d[0]) + cubus * cell(d[1]) + cubus * cubus * cell(d[2]);
  }
  int grouped = 0;
  for (int ix = 0; ix < cubus; ++ix) {
    for (int iy = 0; iy < cubus; ++iy) {
      for (int iz = 0; iz < cubus; ++iz) {
        const int number = ix + cubus * iy + cubus * cubus * iz;
        for (int i = grouped; i < n; ++i) {
          if (cube[i] != number) continue;
          for (int k = 0; k < 3; ++k) std::swap(xus[3 * i + k], xus[3 * grouped + k]);
          std::swap(cube[i], cube[grouped]);
          ++grouped;
        }
      }
    }
  }
}

}  // namespace

std::string nscWarningText(const char* message, int line, const char* file) {
  return formatText("---> WARNING : line %i in file %s\n%s\n ...!\n", line, baseName(file),
                    message);
}

std::string nscErrorText(const char* message, int line, const char* file) {
  return formatText(
      "---> ERROR when executing line %i in file %s !\n%s\n---> Execution stopped !\n", line,
      baseName(file), message);
}

Status nscWarning(const char* message, int line, const char* file) {
  return Status(1, nscWarningText(message, line, file));
}

Status nscError(const char* message, int line, const char* file) {
  return Status(1, nscErrorText(message, line, file));
}

int unsp_type(int density) {
  int i1 = 1;
  while (10 * i1 * i1 + 2 < density) ++i1;
  int i2 = 1;
  while (30 * i2 * i2 + 2 < density) ++i2;
  return (10 * i1 * i1 - 2 < 30 * i2 * i2 - 2) ? kUnspArc : kUnspDodecahedron;
}

Status divarc(const double a[3], const double b[3], int m, int n, double out[3]) {
  const double d[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                       a[0] * b[1] - a[1] * b[0]};
  const double dd = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  const double aa = a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
  const double bb = b[0] * b[0] + b[1] * b[1] + b[2] * b[2];
  char line[96];
  if (dd < kMinAxisLength) {
    std::snprintf(line, sizeof line, "divarc: rotation axis of length %f", dd);
    return nscError(line, KORVA_NSC_HERE);
  }
  if (aa < kMinSqLength) {
    std::snprintf(line, sizeof line, "divarc: vector 1 of sq.length %f", aa);
    return nscError(line, KORVA_NSC_HERE);
  }
  if (bb < kMinSqLength) {
    std::snprintf(line, sizeof line, "divarc: vector 2 of sq.length %f", bb);
    return nscError(line, KORVA_NSC_HERE);
  }
  const double sine = dd / std::sqrt(aa * bb);
  const double phi = (std::fabs(sine) >= 1.0 ? kHalfPi : std::asin(sine)) * m / n;
  // Rotating a about the unit axis k = d/|d| (perpendicular to a) turns it towards b:
  // a cos(phi) + (k x a) sin(phi).
  const double k[3] = {d[0] / dd, d[1] / dd, d[2] / dd};
  const double ka[3] = {k[1] * a[2] - k[2] * a[1], k[2] * a[0] - k[0] * a[2],
                        k[0] * a[1] - k[1] * a[0]};
  const double c = std::cos(phi), s = std::sin(phi);
  for (int i = 0; i < 3; ++i) out[i] = a[i] * c + ka[i] * s;
  normalise(out);
  return Status();
}

Outcome<tvector<double>> ico_dot_arc(int density) {
  if (Status s = checkDensity(density); !s.ok()) return {std::move(s), {}};
  const int t = static_cast<int>(std::ceil(std::sqrt((density - 2.0) / 10.0)));
  const int nDot = 10 * t * t + 2;
  double v[12][3], edgeSq;
  icosahedronVertices(v, &edgeSq);
  DotBuild build(nDot);
  Status s;
  for (int i = 0; i < 12 && s.ok(); ++i) s = build.add(v[i]);
  if (t > 1) {
    for (int i = 0; i < 12; ++i)
      for (int j = i + 1; j < 12 && s.ok(); ++j)
        if (near(sqDist(v[i], v[j]), edgeSq)) s = addArcPoints(v[i], v[j], t, &build);
    for (int i = 0; i < 12; ++i) {
      for (int j = i + 1; j < 12; ++j) {
        if (!near(sqDist(v[i], v[j]), edgeSq)) continue;
        for (int k = j + 1; k < 12 && s.ok(); ++k) {
          if (!near(sqDist(v[i], v[k]), edgeSq) || !near(sqDist(v[j], v[k]), edgeSq)) continue;
          s = addFacePoints(v[i], v[j], v[k], t, &build);
        }
      }
    }
  }
  if (!s.ok()) return {std::move(s), {}};
  return finishBuild("ico_dot_arc", density, t, nDot, &build);
}

Outcome<tvector<double>> ico_dot_dod(int density) {
  if (Status s = checkDensity(density); !s.ok()) return {std::move(s), {}};
  int t = static_cast<int>(std::ceil(std::sqrt((density - 2.0) / 30.0)));
  if (t < 1) t = 1;
  const int nDot = 30 * t * t + 2;
  double p[32][3], edgeSq;
  icosahedronVertices(p, &edgeSq);
  DotBuild build(nDot);
  Status s;
  for (int i = 0; i < 12 && s.ok(); ++i) s = build.add(p[i]);
  int centres = 12;
  for (int i = 0; i < 12; ++i) {
    for (int j = i + 1; j < 12; ++j) {
      if (!near(sqDist(p[i], p[j]), edgeSq)) continue;
      for (int k = j + 1; k < 12 && s.ok(); ++k) {
        if (!near(sqDist(p[i], p[k]), edgeSq) || !near(sqDist(p[j], p[k]), edgeSq)) continue;
        double* c = p[centres];
        for (int a = 0; a < 3; ++a) c[a] = p[i][a] + p[j][a] + p[k][a];
        normalise(c);
        s = build.add(c);
        ++centres;
      }
    }
  }
  if (t > 1) {
    // Vertex to face centre, and centre to centre across a shared edge (chord lengths squared).
    const double vertexCentreSq = 2.0 * (1.0 - std::sqrt(1.0 - edgeSq / 3.0));
    const double c108 = std::cos(108.0 * kDegToRad), c120 = std::cos(120.0 * kDegToRad);
    const double centreCentreSq = 4.0 * (c108 - c120) / (1.0 - c120);
    auto joined = [&](int i, int j) {
      const double target = (i < 12 || j < 12) ? vertexCentreSq : centreCentreSq;
      return near(sqDist(p[i], p[j]), target);
    };
    for (int i = 0; i < 31; ++i)
      for (int j = (i < 12 ? 12 : i + 1); j < 32 && s.ok(); ++j)
        if (joined(i, j)) s = addArcPoints(p[i], p[j], t, &build);
    for (int i = 0; i < 12; ++i) {
      for (int j = 12; j < 32; ++j) {
        if (!joined(i, j)) continue;
        for (int k = j + 1; k < 32 && s.ok(); ++k) {
          if (!joined(i, k) || !joined(j, k)) continue;
          s = addFacePoints(p[i], p[j], p[k], t, &build);
        }
      }
    }
  }
  if (!s.ok()) return {std::move(s), {}};
  return finishBuild("ico_dot_dod", density, t, nDot, &build);
}

Outcome<tvector<double>> make_unsp(int density, int mode, int cubus) {
  const int type = mode < 0 ? -mode : mode;
  Outcome<tvector<double>> dots;
  if (type == kUnspArc) {
    dots = ico_dot_arc(density);
  } else if (type == kUnspDodecahedron) {
    dots = ico_dot_dod(density);
  } else {
    char line[64];
    std::snprintf(line, sizeof line, "make_unsp: mode %c%d not allowed", mode < 0 ? '-' : '+',
                  type);
    return {nscWarning(line, KORVA_NSC_HERE), {}};
  }
  if (dots.ok() && mode < 0 && cubus > 0) groupByCubes(cubus, &dots.value);
  return dots;
}

Outcome<tvector<double>> do_unsp(int density) {
  // The type formula loops up to the density: refuse what no build accepts before it runs.
  if (Status s = checkDensity(density); !s.ok()) return {std::move(s), {}};
  return make_unsp(density, -unsp_type(density), kUnspCubus);
}

}  // namespace korva
