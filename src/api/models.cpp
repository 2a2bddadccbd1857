// Models of structure files one by one, and free-format coordinate files, as library values.
#include "korva/models.h"

#include <memory>
#include <utility>

#include "api/structure_data.h"
#include "structure/free_format.h"

namespace korva {

std::vector<Structure> readModels(const std::string& path) {
  TextLog log;
  Outcome<tvector<atomModel>> atoms = readModelAtoms(path.c_str(), nullptr, log);
  if (!atoms.ok()) throw error(atoms.status.code(), log.text() + atoms.status.message());
  std::vector<Structure> out;
  for (atomModel& m : atoms.value) {
    tvector<atomModel> one;
    one.push_back(std::move(m));
    auto d = std::make_shared<Structure::data>();
    d->set.numbers.clear();
    d->set.models.clear();
    const Status st = buildModelSet(std::move(one), 0, path.c_str(), &d->set, log);
    if (!st.ok()) throw error(st.code(), log.text() + st.message());
    out.push_back(Structure(std::move(d)));
  }
  if (out.empty()) out.emplace_back();
  return out;
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

}  // namespace korva
