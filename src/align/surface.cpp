// Double cubic lattice surface computation: spheres binned into a cell list, unit-sphere dots
// placed on each sphere and tested against the sphere's neighbours.
#include "align/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "align/dots.h"

namespace korva {

namespace {

constexpr double kFourPi = 12.566370614359172;
constexpr double kFourPiExposure = 12.5663706;  // the bare-sphere area of the exposure ratio
constexpr float kRadiusCarbon = 1.9f;
constexpr float kRadiusNitrogen = 1.8f;
constexpr float kRadiusOther = 1.4f;
constexpr double kFreeFormatRadius = 3.1;  // 1.7 plus the probe

// Atoms binned into cubes of edge at least twice the largest radius: every pair of overlapping
// spheres then lies in the same or in adjacent cubes.
struct CellList {
  double origin[3] = {0.0, 0.0, 0.0};
  double edge = 1.0;
  int dim[3] = {1, 1, 1};
  tvector<int> start{TrackedAllocator<int>("nsc cells")};  // first entry of each cube in atoms
  tvector<int> atoms{TrackedAllocator<int>("nsc cells")};  // atom indices, cube by cube
};

int cellOf(const CellList& cl, const double* c, int axis) {
  const int k = static_cast<int>((c[axis] - cl.origin[axis]) / cl.edge);
  return std::clamp(k, 0, cl.dim[axis] - 1);
}

void buildCellList(const double* centres, int nat, double maxRadius, CellList* cl) {
  double hi[3];
  for (int a = 0; a < 3; ++a) cl->origin[a] = hi[a] = centres[a];
  for (int i = 1; i < nat; ++i) {
    for (int a = 0; a < 3; ++a) {
      cl->origin[a] = std::min(cl->origin[a], centres[3 * i + a]);
      hi[a] = std::max(hi[a], centres[3 * i + a]);
    }
  }
  // A sparse set (atoms far apart) would need a huge lattice: widen the cubes until the lattice
  // holds a few cubes per atom. Wider cubes still hold every overlapping pair.
  const double maxCells = 8.0 * nat + 512.0;
  cl->edge = std::max(2.0 * maxRadius, 1e-6);
  double d[3];
  for (;;) {
    for (int a = 0; a < 3; ++a) d[a] = std::floor((hi[a] - cl->origin[a]) / cl->edge) + 1.0;
    if (d[0] * d[1] * d[2] <= maxCells) break;
    cl->edge *= 2.0;
  }
  for (int a = 0; a < 3; ++a) cl->dim[a] = static_cast<int>(d[a]);
  const size_t ncell = static_cast<size_t>(cl->dim[0]) * cl->dim[1] * cl->dim[2];
  cl->start.assign(ncell + 1, 0);
  cl->atoms.assign(static_cast<size_t>(nat), 0);
  tvector<int> cellIndex(static_cast<size_t>(nat), 0, TrackedAllocator<int>("nsc cells"));
  for (int i = 0; i < nat; ++i) {
    const double* c = &centres[3 * i];
    cellIndex[i] =
        cellOf(*cl, c, 0) + cl->dim[0] * (cellOf(*cl, c, 1) + cl->dim[1] * cellOf(*cl, c, 2));
    ++cl->start[cellIndex[i] + 1];
  }
  for (size_t k = 0; k < ncell; ++k) cl->start[k + 1] += cl->start[k];
  tvector<int> fill(cl->start.begin(), cl->start.end() - 1, TrackedAllocator<int>("nsc cells"));
  for (int i = 0; i < nat; ++i) cl->atoms[fill[cellIndex[i]]++] = i;
}

bool validInput(const double* centres, const double* radii, int nat) {
  for (int i = 0; i < nat; ++i) {
    const double* c = &centres[3 * i];
    if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2]) ||
        !std::isfinite(radii[i]) || !(radii[i] > 0.0)) {
      char line[96];
      std::snprintf(line, sizeof line, "nsc_dclm: atom %d has no valid centre or radius", i + 1);
      nscError(line);
      return false;
    }
  }
  return true;
}

}  // namespace

float getRadius(const char* atomName) {
  switch (atomName ? atomName[0] : '\0') {
    case 'C':
    case 'F':
      return kRadiusCarbon;
    case 'N':
    case 'P':
    case 'S':
      return kRadiusNitrogen;
    default:
      return kRadiusOther;
  }
}

int nsc_dclm(const double* centres, const double* radii, int nat, int density, int flags,
             double* area, tvector<double>* atomAreas, double* volume, tvector<double>* dots,
             int* ndots) {
  if (nat <= 0) {
    nscWarning("nsc_dclm: no surface atoms selected");
    return 1;
  }
  if (!validInput(centres, radii, nat)) return 1;
  const double* unit = nullptr;
  int nDot = 0;
  if (do_unsp(density, &unit, &nDot)) return 1;

  double maxRadius = 0.0;
  double centroid[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < nat; ++i) {
    maxRadius = std::max(maxRadius, radii[i]);
    for (int a = 0; a < 3; ++a) centroid[a] += centres[3 * i + a] / nat;
  }
  CellList cl;
  buildCellList(centres, nat, maxRadius, &cl);

  if ((flags & kNscFlagAreas) && atomAreas) atomAreas->assign(static_cast<size_t>(nat), 0.0);
  if ((flags & kNscFlagDots) && dots) dots->clear();
  double totalArea = 0.0, totalVolume = 0.0;
  int freeDotsAll = 0;
  // Neighbour j of the current atom: offset d_j = c_j - c_i and the plane a_j beyond which a
  // dot direction u lies inside sphere j (u.d_j > a_j).
  tvector<double> nb(TrackedAllocator<double>("nsc neighbours"));
  for (int i = 0; i < nat; ++i) {
    const double* ci = &centres[3 * i];
    const double ri = radii[i];
    nb.clear();
    const int cx = cellOf(cl, ci, 0), cy = cellOf(cl, ci, 1), cz = cellOf(cl, ci, 2);
    for (int kz = std::max(cz - 1, 0); kz <= std::min(cz + 1, cl.dim[2] - 1); ++kz) {
      for (int ky = std::max(cy - 1, 0); ky <= std::min(cy + 1, cl.dim[1] - 1); ++ky) {
        for (int kx = std::max(cx - 1, 0); kx <= std::min(cx + 1, cl.dim[0] - 1); ++kx) {
          const int cell = kx + cl.dim[0] * (ky + cl.dim[1] * kz);
          for (int s = cl.start[cell]; s < cl.start[cell + 1]; ++s) {
            const int j = cl.atoms[s];
            if (j == i) continue;
            const double dx = centres[3 * j] - ci[0], dy = centres[3 * j + 1] - ci[1],
                         dz = centres[3 * j + 2] - ci[2];
            const double d2 = dx * dx + dy * dy + dz * dz;
            const double reach = ri + radii[j];
            if (d2 > reach * reach) continue;
            nb.insert(nb.end(), {dx, dy, dz, (d2 + ri * ri - radii[j] * radii[j]) / (2.0 * ri)});
          }
        }
      }
    }
    const int nn = static_cast<int>(nb.size() / 4);
    int last = 0;  // the neighbour that buried the previous dot
    int freeDots = 0;
    double volumeSum = 0.0;
    for (int k = 0; k < nDot; ++k) {
      const double* u = &unit[3 * k];
      auto buries = [&](int j) {
        const double* n = &nb[4 * static_cast<size_t>(j)];
        return u[0] * n[0] + u[1] * n[1] + u[2] * n[2] > n[3];
      };
      bool buried = nn > 0 && buries(last);
      for (int j = 0; !buried && j < nn; ++j) {
        if (j != last && buries(j)) {
          buried = true;
          last = j;
        }
      }
      if (buried) continue;
      ++freeDots;
      if (flags & kNscFlagVolume) {
        volumeSum += ri + (ci[0] - centroid[0]) * u[0] + (ci[1] - centroid[1]) * u[1] +
                     (ci[2] - centroid[2]) * u[2];
      }
      if ((flags & kNscFlagDots) && dots) {
        dots->insert(dots->end(), {ci[0] + ri * u[0], ci[1] + ri * u[1], ci[2] + ri * u[2]});
      }
    }
    const double dotArea = ri * ri * (kFourPi / nDot);
    const double atomArea = dotArea * freeDots;
    totalArea += atomArea;
    // Divergence theorem: V = 1/3 of the surface integral of x.n, with x taken from the centroid.
    totalVolume += dotArea * volumeSum / 3.0;
    freeDotsAll += freeDots;
    if ((flags & kNscFlagAreas) && atomAreas) (*atomAreas)[i] = atomArea;
  }
  if (area) *area = totalArea;
  if ((flags & kNscFlagVolume) && volume) *volume = totalVolume;
  if ((flags & kNscFlagDots) && ndots) *ndots = freeDotsAll;
  return 0;
}

int relativeExposure(const double* centres, const double* radii, const double* vdwRadii, int nat,
                     tvector<double>* relative) {
  for (int i = 0; i < nat; ++i) {
    if (!(vdwRadii[i] > 0.0)) {
      char line[96];
      std::snprintf(line, sizeof line, "nsc_dclm: atom %d has no valid van der Waals radius",
                    i + 1);
      nscError(line);
      return 1;
    }
  }
  double total = 0.0;
  if (nsc_dclm(centres, radii, nat, kSurfaceDensity, kNscFlagVolume | kNscFlagAreas, &total,
               relative, nullptr, nullptr, nullptr)) {
    return 1;
  }
  for (int i = 0; i < nat; ++i) (*relative)[i] /= kFourPiExposure * vdwRadii[i] * vdwRadii[i];
  return 0;
}

int surfSel(int n, double* x, double* y, double* z, int* nsel) {
  const size_t count = n > 0 ? static_cast<size_t>(n) : 0;
  tvector<double> centres(3 * count, 0.0, TrackedAllocator<double>("surfSel"));
  tvector<double> radii(count, kFreeFormatRadius, TrackedAllocator<double>("surfSel"));
  tvector<double> vdw(count, kFreeFormatVdw, TrackedAllocator<double>("surfSel"));
  for (size_t i = 0; i < count; ++i) {
    centres[3 * i] = x[i + 1];
    centres[3 * i + 1] = y[i + 1];
    centres[3 * i + 2] = z[i + 1];
  }
  tvector<double> relative(TrackedAllocator<double>("surfSel"));
  if (relativeExposure(centres.data(), radii.data(), vdw.data(), n, &relative)) {
    std::fprintf(stderr, "NSC: error.\n");
    return 1;
  }
  int kept = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!isSurfaceAtom(relative[i])) continue;
    ++kept;
    x[kept] = centres[3 * i];
    y[kept] = centres[3 * i + 1];
    z[kept] = centres[3 * i + 2];
  }
  *nsel = kept;
  return 0;
}

}  // namespace korva
