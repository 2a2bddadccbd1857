// Models of multi-model structure files and coupling lists of restraint files, as library values.
#include "korva/models.h"

#include <strings.h>
#include <cctype>
#include <cstdio>
#include <memory>
#include <utility>

#include "api/structure_data.h"
#include "structure/free_format.h"
#include "structure/mmcif.h"
#include "tables/coupling_formats.h"

namespace korva {
namespace {

bool endsWith(const std::string& s, const char* tail) {
  const std::string t(tail);
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

bool isMmcifName(const std::string& path) {
  for (const char* tail : {".cif", ".mmcif", ".cif.gz", ".mmcif.gz"}) {
    if (endsWith(path, tail)) return true;
  }
  return false;
}

Structure indexed(tvector<pdbAtom> atoms, const std::string& path) {
  auto d = std::make_shared<Structure::data>();
  TextLog log;
  if (buildPDB(&d->pdb, std::move(atoms), log) != 0) {
    throw error(1, log.text() + "PDB Error Indexing PDB File " + path + "\n");
  }
  return Structure(std::move(d));
}

// The number of ATOM records of each model of a PDB file, a model starting at each MODEL record.
// An ATOM record is what the PDB reader takes for one: a line whose first blank-delimited word is
// ATOM in any case; the words are compared the same way here so that the counts match its atoms.
tvector<size_t> atomsPerModel(const std::string& path) {
  FILE* fp = std::fopen(path.c_str(), "r");
  if (fp == nullptr) throw error(1, "PDB Error opening PDB file " + path + "\n");
  tvector<size_t> counts(1, 0);
  char word[8];  // the first characters of the line's first word
  size_t len = 0;
  bool inWord = false, wordDone = false;
  auto endWord = [&] {
    if (!inWord) return;
    inWord = false;
    wordDone = true;
    word[len < sizeof word ? len : sizeof word - 1] = '\0';
    if (len == 5 && strcasecmp(word, "MODEL") == 0) counts.push_back(0);
    if (len == 4 && strcasecmp(word, "ATOM") == 0) counts.back()++;
  };
  int c;
  while ((c = std::getc(fp)) != EOF) {
    if (c == '\n') {
      endWord();
      wordDone = false;
      len = 0;
    } else if (!wordDone && std::isspace(c)) {
      endWord();
    } else if (!wordDone) {
      inWord = true;
      if (len < sizeof word - 1) word[len] = static_cast<char>(c);
      len++;
    }
  }
  endWord();
  std::fclose(fp);
  tvector<size_t> models;
  for (size_t n : counts) {
    if (n > 0) models.push_back(n);
  }
  return models;
}

std::vector<Structure> readPdbModels(const std::string& path) {
  pdbInfo whole;
  TextLog log;
  const int status = readPDB(path.c_str(), &whole, nullptr, log);
  if (status != 0) throw error(status, log.text());
  const tvector<size_t> counts = atomsPerModel(path);
  size_t total = 0;
  for (size_t n : counts) total += n;
  if (total != whole.atoms.size()) {
    throw error(1, "PDB Error: " + path + " changed while its models were read.\n");
  }
  std::vector<Structure> out;
  size_t first = 0;
  for (size_t n : counts) {
    const auto begin = whole.atoms.begin() + static_cast<std::ptrdiff_t>(first);
    tvector<pdbAtom> atoms(begin, begin + static_cast<std::ptrdiff_t>(n));
    out.push_back(indexed(std::move(atoms), path));
    first += n;
  }
  return out;
}

std::vector<Structure> readMmcifModels(const std::string& path) {
  TextLog log;
  Outcome<tvector<atomModel>> models = readMmcif(path.c_str(), nullptr, log);
  if (!models.ok()) throw error(models.status.code(), log.text() + models.status.message());
  std::vector<Structure> out;
  for (atomModel& m : models.value) out.push_back(indexed(std::move(m.atoms), path));
  return out;
}

Coupling toCoupling(const couplingEntry& e, int row) {
  Coupling c;
  c.resI = e.resI;
  c.resNameI = e.resNameI;
  c.atomNameI = e.atomNameI;
  c.chainI = e.chainI;
  c.segI = e.segI;
  c.resJ = e.resJ;
  c.resNameJ = e.resNameJ;
  c.atomNameJ = e.atomNameJ;
  c.chainJ = e.chainJ;
  c.segJ = e.segJ;
  c.D = e.D;
  c.DD = e.DD;
  c.W = e.W;
  c.index = row;
  return c;
}

}  // namespace

std::vector<Structure> readModels(const std::string& path) {
  std::vector<Structure> models = isMmcifName(path) ? readMmcifModels(path) : readPdbModels(path);
  if (models.empty()) models.push_back(makeStructure({}));
  return models;
}

Structure readModel(const std::string& path, int model) {
  if (model == 0 && !isMmcifName(path)) return readStructure(path);
  std::vector<Structure> models = readModels(path);
  if (model == 0 && models.size() == 1) return models.front();
  if (model == 0) {
    throw error(
        1, "KORVA: " + path + " holds " + std::to_string(models.size()) + " models: choose one.\n");
  }
  if (model < 1 || static_cast<size_t>(model) > models.size()) {
    throw error(1, "KORVA: " + path + " has no model " + std::to_string(model) + " (it holds " +
                       std::to_string(models.size()) + ").\n");
  }
  return models[static_cast<size_t>(model - 1)];
}

std::vector<std::array<double, 3>> readFreeCoordinates(const std::string& path) {
  TextLog log;
  int n = 0;
  tvector<double> x, y, z;
  if (readPDBfree(path.c_str(), &n, &x, &y, &z, log) != 0) {
    throw error(1, log.text() + "Matrix: Error reading PDB file in free format.\n");
  }
  if (n == 0) throw error(1, "KORVA: error - no atoms in free-format file " + path + "!\n");
  std::vector<std::array<double, 3>> out;
  out.reserve(static_cast<size_t>(n));
  // The reader leaves index 0 unused.
  for (size_t k = 1; k <= static_cast<size_t>(n); k++) out.push_back({x[k], y[k], z[k]});
  return out;
}

std::vector<Coupling> readCouplingList(const std::string& path, const std::string& list) {
  // A file that cannot be opened is named as the table reader names it.
  if (FILE* fp = std::fopen(path.c_str(), "r")) {
    std::fclose(fp);
  } else {
    return readCouplings(path);
  }
  TextLog log;
  Outcome<couplingFile> file = readCouplingFile(path.c_str(), log);
  if (!file.ok()) throw error(file.status.code(), log.text() + file.status.message());
  if (file.value.format == couplingFormat::table) {
    if (!list.empty()) {
      throw error(1, "KORVA: " + path + " is a coupling table, which has no list " + list + ".\n");
    }
    return readCouplings(path);
  }
  Outcome<listChoice> choice = chooseCouplingList(file.value, path.c_str(), list.c_str());
  if (!choice.ok()) throw error(choice.status.code(), choice.status.message());
  std::vector<Coupling> out;
  int row = 0;
  for (const couplingEntry& e : file.value.lists[choice.value.index].entries) {
    out.push_back(toCoupling(e, ++row));
  }
  return out;
}

}  // namespace korva
