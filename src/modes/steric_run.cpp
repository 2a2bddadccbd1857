// Mode 1 after the structure and couplings are in place: from the selected atoms to the report.
#include "modes/steric_run.h"

#include <cstdio>

#include "align/dots.h"
#include "modes/steric_free.h"
#include "align/steric.h"
#include "tensor/saupe_analysis.h"
#include "cli/config.h"
#include "align/coords.h"
#include "modes/sequence.h"
#include "fit/fit_d.h"
#include "structure/domain.h"
#include "report/report.h"

namespace korva {

int stericRun(pdbInfo* pdb, dTab* tab, korvaInfo* info, const runArgs* args, int nCouplings,
              runBuffers* buf) {
  double* saupe = buf->saupe;
  int status = readConfig(args->inp, info);
  if (status) {
    std::fprintf(stderr, "Error reading configuration file %s\n", args->inp);
    return status;
  }
  if (checkStericOptions(info)) return 1;
  refine_bicelle(info);

  Outcome<tvector<double>> dots = do_unsp(info->dot);
  if (!dots.ok()) {
    std::fputs(dots.status.message().c_str(), stderr);
    std::fprintf(stderr, "Matrix: unsp error occured.\n");
    return 1;
  }
  const tvector<double>& points = dots.value;
  const int ndots = static_cast<int>(points.size() / 3);

  // The run's coordinate buffers hold the atom count + 1 entries that the collection needs.
  const size_t room = pdb->atoms.size() + 1;
  if (buf->x.size() < room) buf->x.resize(room);
  if (buf->y.size() < room) buf->y.resize(room);
  if (buf->z.size() < room) buf->z.resize(room);
  double* x = buf->x.data();
  double* y = buf->y.data();
  double* z = buf->z.data();
  // Without a selected atom the surface step has nothing to work on; say so plainly.
  bool anySelected = false;
  for (const pdbAtom& atom : pdb->atoms) anySelected = anySelected || atom.selected != 0;
  if (!anySelected) {
    std::fprintf(stderr, "KORVA: error - zero atoms selected for simulation!\n");
    return 1;
  }
  int natoms = 0;
  status = chCoorSelect(pdb, info, &natoms, x, y, z, 0, nullptr);
  if (status) {
    std::fprintf(stderr, "korva: error reading selection of atoms.\n");
    return status;
  }
  std::fprintf(stderr, "REMARK %d atoms selected for simulation.\n", natoms);
  if (natoms == 0) {
    std::fprintf(stderr, "KORVA: error - zero atoms selected for simulation!\n");
    return 1;
  }

  double S[5];
  status = simulateAlignment(info, natoms, x, y, z, ndots, points.data(), S);
  if (status) {
    std::fprintf(stderr, "Matrix: Error simulating alignment.\n");
    return status;
  }
  // The simulated sum is the order of the free orientations relative to the isotropic mean; the
  // tensor that the medium imposes, which the report and the analysis take, has the other sign.
  for (int m = 0; m < 5; ++m) saupe[m] = -S[m];

  // The rotated structure needs the frame angles even when the report leaves them out.
  if (analyzeSaupe(saupe, buf->irrSaupe, &buf->gMag, buf->eigVec, buf->eigVal, &buf->da, &buf->dr,
                   buf->alphaList, buf->betaList, buf->gammaList, 1)) {
    std::fprintf(stderr, "Matrix: error in analyzeSaupe.\n");
    return 1;
  }

  tab->tensorMode = kTensorSteric;
  if (nCouplings > 0) {
    for (int m = 0; m < 5; ++m) tab->saupeIn[m] = static_cast<float>(saupe[m]);
    fitD(pdb, tab, info->verbose);
  } else {
    setTensorSaupe(tab, saupe);
  }
  writeDCmod(args->outD, "w", tab, info, "");
  return writeFrameStructure(pdb, buf->alphaList[0], buf->betaList[0], buf->gammaList[0],
                             args->pdbRot, args->remark);
}

}  // namespace korva
