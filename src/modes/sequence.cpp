// The structure-based run sequence of the steric and best-fit modes.
#include "modes/sequence.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "modes/steric_run.h"
#include "modes/best_fit.h"
#include "fit/map_fit.h"
#include "structure/select.h"

namespace korva {
namespace {

// Completes the coupling segment: unset ends take the table's ends, and a reversed range is
// put in order.
void completeSegment(dcInfo* dc, const dTab* tab) {
  if (dc->s1 < kResUnsetBelow) dc->s1 = tab->firstRes;
  if (dc->sN < kResUnsetBelow) dc->sN = tab->lastRes;
  if (dc->s1 > dc->sN) {
    const int t = dc->s1;
    dc->s1 = dc->sN;
    dc->sN = t;
  }
  if (dc->a1 < kResUnsetBelow) dc->a1 = dc->s1;
}

int allocateBuffers(const pdbInfo* pdb, runBuffers* buf) {
  const size_t coords = static_cast<size_t>(pdb->nAtoms) + kCoordExtra;
  try {
    buf->x.assign(coords, 0.0);
    buf->y.assign(coords, 0.0);
    buf->z.assign(coords, 0.0);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "Error allocating coord buffers.\n");
    return 1;
  }
  return 0;
}

void selectAtoms(pdbInfo* pdb, struct pdbSelect* select, int useH) {
  if (select->firstRes == 0 && select->lastRes == 0) {
    select->firstRes = pdb->firstRes;
    select->lastRes = pdb->lastRes;
  }
  pdbSelect(pdb, select);
  std::fprintf(stderr, "REMARK PDB Selection:");
  if (select->mode == kSelSet) {
    std::fprintf(stderr, " All Atoms.\n");
  } else {
    std::fprintf(stderr, " Residues %d to %d  Residues: %s  Atoms: %s  Chains %s  Segs: %s.\n",
                 select->firstRes, select->lastRes, select->resNames, select->atomNames,
                 select->chainNames, select->segNames);
  }
  if (useH) return;
  // Hydrogens are cleared by a second pass over the same criteria with their name patterns.
  std::snprintf(select->atomNames, sizeof select->atomNames, "%s", "[1-3]H* H*");
  select->atomMode = kMatchGlob;
  select->mode = kSelCriteria;
  select->value = 0;
  pdbSelect(pdb, select);
}

}  // namespace

void runBuffersNull(runBuffers* buf) {
  for (int k = 0; k < 5; k++) buf->saupe[k] = buf->irrSaupe[k] = 0.0;
  for (int i = 0; i < 3; i++) {
    buf->eigVal[i] = 0.0;
    for (int j = 0; j < 3; j++) buf->eigVec[i][j] = 0.0;
  }
  buf->gMag = buf->da = buf->dr = 0.0;
  for (int k = 0; k < kSaupeFrames; k++) {
    buf->alphaList[k] = buf->betaList[k] = buf->gammaList[k] = 0.0;
  }
}

int runStructureSequence(pdbInfo* pdb, dTab* tab, korvaInfo* info, dcInfo* dc,
                         struct pdbSelect* select, runArgs* args, runBuffers* buf) {
  if (args->pdb[0] != '\0') {
    const int status = readPDB(args->pdb, pdb, nullptr);
    if (status != 0) {
      std::fprintf(stderr, "Error reading PDB input %s\n", args->pdb);
      return status;
    }
    std::fprintf(stderr, "%s, %d Atoms, Residues %d to %d.\n", args->pdb, pdb->nAtoms,
                 pdb->firstRes, pdb->lastRes);
  }

  int status = readDC(args->inD, tab);
  if (status != 0) {
    std::fprintf(stderr, "Error reading DC input %s\n", args->inD);
    return status;
  }
  std::fprintf(stderr, "%s, %d Couplings, Residues %d to %d.\n", args->inD, tab->n, tab->firstRes,
               tab->lastRes);

  completeSegment(dc, tab);
  updatePDBAngles(pdb, pdb->firstRes, pdb->lastRes);
  status = allocateBuffers(pdb, buf);
  if (status != 0) return status;

  mapDCInfo(pdb, tab);
  selectD(tab->in.data(), tab->n, dc->s1, dc->sN, dc->rangeMode);
  selTypDC(tab->in.data(), tab->n, args->aD1, args->aD2);
  const int n = buildDC(pdb, tab, dc->a1 - dc->s1, dc->s1, args->weights, args->nWeights);
  std::printf("REMARK %d couplings selected (%s%s).\n", n,
              dc->rangeMode == 1 ? "exclusive" : "inclusive", dc->rangeMode == 3 ? " max" : "");
  std::fflush(stdout);

  selectAtoms(pdb, select, info->useH);

  if (info->mode == kModeBestFit) {
    if (args->mapCount != 0) {
      status = mapSimDC(pdb, tab, info, args->outD, args->pdbRot, info->verbose, args->outMap,
                        args->mapCount, args->remark);
    } else {
      status = simDC(pdb, tab, info, args->remark, args->outD, args->pdbRot, info->verbose);
    }
    if (status != 0) std::fprintf(stderr, "Matrix: error in best-fit of data.\n");
    return status;
  }

  return stericRun(pdb, tab, info, args, n, buf);
}

}  // namespace korva
