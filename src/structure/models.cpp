// Structure files read model by model, and the check that the models of an ensemble agree.
#include "structure/models.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <utility>

namespace korva {
namespace {

bool endsNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); i++) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != suffix[i]) return false;
  }
  return true;
}

// Two atoms are the same atom of different models when every name and number agrees.
bool sameAtom(const pdbAtom& a, const pdbAtom& b) {
  return a.resId == b.resId && std::strcmp(a.atomName, b.atomName) == 0 &&
         std::strcmp(a.resName, b.resName) == 0 && std::strcmp(a.chainId, b.chainId) == 0 &&
         std::strcmp(a.segId, b.segId) == 0 && std::strcmp(a.iCode, b.iCode) == 0 &&
         std::strcmp(a.locId, b.locId) == 0;
}

Outcome<tvector<atomModel>> readPDBModels(const char* path, const struct pdbSelect* select,
                                          Log& log) {
  Outcome<tvector<atomModel>> out;
  tvector<pdbAtom> atoms(TrackedAllocator<pdbAtom>("Atoms"));
  tvector<pdbModelMark> marks(TrackedAllocator<pdbModelMark>("models"));
  if (readPDBAtoms(path, select, &atoms, &marks, log) != 0) {
    out.status = Status(1, "");
    return out;
  }
  // Atoms before the first MODEL record (or in a file without one) form a model of their own.
  if (marks.empty() || marks.front().firstAtom > 0) marks.insert(marks.begin(), {0, 0});
  for (size_t m = 0; m < marks.size(); m++) {
    const size_t first = marks[m].firstAtom;
    const size_t last = m + 1 < marks.size() ? marks[m + 1].firstAtom : atoms.size();
    if (last <= first && !(atoms.empty() && m == 0)) continue;
    atomModel model;
    model.number = marks[m].number != 0 ? marks[m].number : static_cast<int>(out.value.size()) + 1;
    if (first == 0 && last == atoms.size()) {
      // The whole file is one model: its atoms are taken as read, not copied into fresh pages.
      model.atoms = std::move(atoms);
    } else {
      model.atoms.assign(atoms.begin() + static_cast<std::ptrdiff_t>(first),
                         atoms.begin() + static_cast<std::ptrdiff_t>(last));
    }
    out.value.push_back(std::move(model));
  }
  return out;
}

}  // namespace

bool isMmcifName(const char* path) {
  std::string_view name = path == nullptr ? "" : path;
  if (endsNoCase(name, ".gz")) name.remove_suffix(3);
  return endsNoCase(name, ".cif") || endsNoCase(name, ".mmcif");
}

Outcome<tvector<atomModel>> readModelAtoms(const char* path, const struct pdbSelect* select,
                                           Log& log) {
  if (!isMmcifName(path)) return readPDBModels(path, select, log);
  Outcome<tvector<atomModel>> out = readMmcif(path, select, log);
  if (out.ok()) {
    tvector<atomModel> kept;
    for (atomModel& m : out.value) {
      if (!m.atoms.empty()) kept.push_back(std::move(m));
    }
    out.value.swap(kept);
  }
  return out;
}

Status buildModelSet(tvector<atomModel> atoms, int model, const char* path, modelSet* set,
                     Log& log) {
  const int available = static_cast<int>(atoms.size());
  if (model < 0 || model > available || (model > 0 && available == 0)) {
    return Status::failure("KORVA: error - model %d not in %s (%d model%s).\n", model, path,
                           available, available == 1 ? "" : "s");
  }
  if (model > 0) {
    atomModel chosen = std::move(atoms[static_cast<size_t>(model - 1)]);
    atoms.clear();
    atoms.push_back(std::move(chosen));
  }
  const tvector<pdbAtom>* reference = atoms.empty() ? nullptr : &atoms.front().atoms;
  for (size_t m = 1; m < atoms.size(); m++) {
    const tvector<pdbAtom>& these = atoms[m].atoms;
    if (these.size() != reference->size()) {
      return Status::failure(
          "KORVA: error - the models of %s differ in their atoms: model %d has %zu, model %d "
          "has %zu.\n",
          path, atoms.front().number, reference->size(), atoms[m].number, these.size());
    }
    for (size_t k = 0; k < these.size(); k++) {
      const pdbAtom& a = (*reference)[k];
      const pdbAtom& b = these[k];
      if (sameAtom(a, b)) continue;
      return Status::failure(
          "KORVA: error - the models of %s differ in their atoms: atom %zu is %s %d %s in model "
          "%d but %s %d %s in model %d.\n",
          path, k + 1, a.resName, a.resId, a.atomName, atoms.front().number, b.resName, b.resId,
          b.atomName, atoms[m].number);
    }
  }
  set->numbers.clear();
  set->models.clear();
  set->models.reserve(atoms.size());
  for (atomModel& m : atoms) {
    set->numbers.push_back(m.number);
    set->models.emplace_back();
    if (buildPDB(&set->models.back(), std::move(m.atoms), log) != 0) {
      return Status::failure("PDB Error Indexing PDB File %s\n", path);
    }
  }
  if (set->models.empty()) {
    // A file without atoms is an empty structure, as it has always been.
    set->numbers.push_back(1);
    set->models.emplace_back();
    if (buildPDB(&set->models.back(), tvector<pdbAtom>(), log) != 0) {
      return Status::failure("PDB Error Indexing PDB File %s\n", path);
    }
  }
  return Status();
}

}  // namespace korva
