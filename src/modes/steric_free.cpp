// Free-format steric prediction: bare coordinates in, the predicted Saupe matrix out.
#include "modes/steric_free.h"

#include <cmath>
#include <cstdio>

#include "align/dots.h"
#include "align/steric.h"
#include "align/surface.h"
#include "tensor/tensor.h"
#include "structure/free_format.h"
#include "report/report.h"

namespace korva {

int checkStericOptions(const korvaInfo* info) {
  const char* why = nullptr;
  if (info->dot < kUnspMinDensity) {
    why = "-dot must be at least 3";
  } else if (info->digPsi < 1) {
    why = "-digPsi must be at least 1";
  } else if (!std::isfinite(info->dGrid) || info->dGrid <= 0.0f) {
    why = "-dGrid must be greater than 0";
  }
  if (why == nullptr) return 0;
  std::fprintf(stderr, "KORVA: error - %s.\n", why);
  return 1;
}

int ssiaFree(korvaInfo* info, const char* freeName, const char* outName, dTab* table) {
  if (checkStericOptions(info)) return 1;
  // Index 0 is unused: the reader and the simulation count atoms from 1.
  const size_t room = static_cast<size_t>(kFreeArrayLen) + 1;
  tvector<double> x(room, 0.0, TrackedAllocator<double>("ssiaFree"));
  tvector<double> y(room, 0.0, TrackedAllocator<double>("ssiaFree"));
  tvector<double> z(room, 0.0, TrackedAllocator<double>("ssiaFree"));

  refine_bicelle(info);
  int n = 0;
  int status = readPDBfree(freeName, &n, x.data(), y.data(), z.data());
  if (status) {
    std::fprintf(stderr, "Matrix: Error reading PDB file in free format.\n");
    return status;
  }
  std::fprintf(stderr, "%s, %d Atoms, Free format.\n", freeName, n);
  if (n == 0) {
    std::fprintf(stderr, "KORVA: error - no atoms in free-format file %s!\n", freeName);
    return 1;
  }

  Outcome<tvector<double>> dots = do_unsp(info->dot);
  if (!dots.ok()) {
    std::fputs(dots.status.message().c_str(), stderr);
    std::fprintf(stderr, "Matrix: unsp error occured.\n");
    return 1;
  }
  const tvector<double>& points = dots.value;
  const int ndots = static_cast<int>(points.size() / 3);
  // Free-format atoms carry no element, so the surface step always runs, whatever -surf says.
  int nsel = 0;
  if (Status s = surfSel(n, x.data(), y.data(), z.data(), &nsel); !s.ok()) {
    std::fputs(s.message().c_str(), stderr);
    std::fprintf(stderr, "Matrix: Error reading PDB file in free format.\n");
    return 1;
  }
  if (nsel == 0) {
    std::fprintf(stderr, "KORVA: error - zero atoms remain after surface selection!\n");
    return 1;
  }
  std::fprintf(stderr, "REMARK %d atoms selected for simulation.\n", nsel);

  double S[5];
  status = simulateAlignment(info, nsel, x.data(), y.data(), z.data(), ndots, points.data(), S);
  if (status) return status;
  // The simulated sum is the order of the free orientations relative to the isotropic mean; the
  // tensor that the medium imposes, which the report and the analysis take, has the other sign.
  double saupe[5];
  for (int m = 0; m < 5; ++m) saupe[m] = -S[m];
  setTensorSaupe(table, saupe);
  writeDCmod(outName, "w", table, info, "");
  return 0;
}

}  // namespace korva
