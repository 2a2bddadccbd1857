// The structure-based run sequence of the steric and best-fit modes.
#include <cstdio>
#include <utility>

#include "api/pipeline.h"
#include "modes/modes.h"
#include "modes/structure_run.h"
#include "structure/amide_h.h"
#include "structure/models.h"
#include "tables/coupling_input.h"
#include "tables/coupling_match.h"

namespace korva {
namespace {

// Reads the structure's models (all, or the one -model names) into set; without -pdb the set is
// one empty structure. Returns 0, or 1 after the error lines.
int readModels(const runParams& p, modelSet* set, Log& log) {
  set->numbers.push_back(1);
  set->models.emplace_back();
  pdbNull(&set->models.back());
  if (p.pdb[0] == '\0') return 0;
  set->numbers.clear();
  set->models.clear();
  Outcome<tvector<atomModel>> atoms = readModelAtoms(p.pdb, nullptr, log);
  Status status = atoms.status;
  if (status.ok()) status = buildModelSet(std::move(atoms.value), p.model, p.pdb, set, log);
  if (!status.ok()) {
    log.write(status.message().c_str());
    log.printf("Error reading PDB input %s\n", p.pdb);
    return 1;
  }
  const pdbInfo& pdb = set->models.front();
  log.printf("%s, %d Atoms, Residues %d to %d.\n", p.pdb, pdb.nAtoms, pdb.firstRes, pdb.lastRes);
  if (p.model > 0) {
    log.printf("REMARK Model %d of %s (model number %d).\n", p.model, p.pdb, set->numbers[0]);
  }
  return 0;
}

// Adds the amide protons that the N-H couplings need and the structure lacks (crystal
// structures), in every model alike. Returns 0, or 1 after its line when the models would come
// out with different atoms (the protons are placed only where the backbone is bonded).
int buildMissingProtons(const runParams& p, const dTab& tab, modelSet* set, Log& log) {
  if (p.noBuildH || set->models.front().nAtoms == 0) return 0;
  const char* name = missingAmideProtonName(set->models.front(), tab, 0);
  if (name == nullptr) return 0;
  tvector<pdbAtom> first;
  for (pdbInfo& model : set->models) {
    tvector<pdbAtom> added = buildAmideProtons(model, name);
    if (&model == &set->models.front()) {
      first = added;
    } else {
      bool same = added.size() == first.size();
      for (size_t k = 0; same && k < added.size(); k++) same = added[k].resId == first[k].resId;
      if (!same) {
        log.printf(
            "KORVA: error - amide protons cannot be built alike in every model of %s; "
            "choose one with -model N or build none with -noBuildH.\n",
            p.pdb);
        return 1;
      }
    }
    if (added.empty()) continue;
    tvector<pdbAtom> atoms = model.atoms;
    atoms.insert(atoms.end(), added.begin(), added.end());
    // The atoms were indexed once already; any duplicate among them has been named then.
    (void)buildPDB(&model, std::move(atoms), nullLog());
  }
  log.printf("Note: built %zu amide protons %s missing from %s (-noBuildH: build none).\n",
             first.size(), name, p.pdb);
  return 0;
}

}  // namespace

int runStructureSequence(runParams& p, Log& log) {
  modelSet set;
  if (readModels(p, &set, log) != 0) return 1;

  dTab tab;
  int status = readCouplings(p.inD, p.list, &tab, log);
  if (status != 0) {
    log.printf("Error reading DC input %s\n", p.inD);
    return status;
  }
  log.printf("%s, %d Couplings, Residues %d to %d.\n", p.inD, tab.n, tab.firstRes, tab.lastRes);

  if (buildMissingProtons(p, tab, &set, log) != 0) return 1;
  const pdbInfo& pdb = set.models.front();
  dcInfo* dc = &p.dc;
  const float* weights = p.weights.data();
  const int weightCount = static_cast<int>(p.weights.size());
  int n = prepareCouplings(pdb, &tab, dc, p.aD1, p.aD2, weights, weightCount, log);
  const int offset = dc->a1 - dc->s1;
  if (matchCouplingNames(pdb, &tab, offset, log) > 0) {
    n = prepareCouplings(pdb, &tab, dc, p.aD1, p.aD2, weights, weightCount, nullLog());
  }
  const bool fitting = p.info.mode == kModeBestFit;
  if (fitting) {
    // A placeholder observation carries no information for a fit.
    for (int i = 0; i < tab.n; i++) {
      dcRecord& w = tab.work[static_cast<size_t>(i)];
      if (w.selected && tab.in[static_cast<size_t>(i)].D >= kDCLimit) {
        w.selected = 0;
        n--;
      }
    }
  }
  std::printf("REMARK %d couplings selected (%s%s).\n", n,
              dc->rangeMode == 1 ? "exclusive" : "inclusive", dc->rangeMode == 3 ? " max" : "");
  std::fflush(stdout);
  if (p.pdb[0] != '\0' && tab.n > 0) (void)reportDroppedCouplings(pdb, tab, offset, fitting, log);

  const struct pdbSelect selection = p.select;
  tvector<int> flags(TrackedAllocator<int>("selection"));
  if (selectAtoms(pdb, &p.select, p.info.useH, &flags, log) != 0) return 1;

  if (set.count() > 1) {
    if (!fitting && (p.charge.surfPot != 0.0f || p.charge.fitPot || p.charge.charges[0] != '\0')) {
      log.write(kEnsembleChargeError);
      return 1;
    }
    return fitting ? ensembleFitRun(set, &tab, p, log)
                   : ensembleStericRun(set, &tab, selection, p, n, log);
  }
  if (fitting) {
    status = bestFitRun(pdb, &tab, p, log);
    if (status != 0) log.printf("Matrix: error in best-fit of data.\n");
    return status;
  }
  return stericRun(pdb, &tab, flags, p, n, log);
}

}  // namespace korva
