// Fuzz target: a coupling table read into couplings, mapped onto a small structure, selected,
// built into the working list and compared with itself.
#include <cstdio>

#include "fuzz_input.h"
#include "fuzz_structure.h"
#include "tables/dtab.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korva::pdbInfo pdb;
  static const bool built = (korva::fuzz::smallStructure(&pdb), true);
  (void)built;
  std::string path = korva::fuzz::writeInput(data, size);
  korva::dTab tab;
  korva::NullLog log;
  if (korva::readDC(path.c_str(), &tab, log) != 0) return 0;
  korva::mapDCInfo(&pdb, &tab);
  korva::selectD(tab.in.data(), tab.n, -5, 10, 3);
  korva::selTypDC(tab.in.data(), tab.n, "All", "All");
  const float scales[] = {1.0f, 0.0f, 2.0f};
  korva::buildDC(&pdb, &tab, 0, 1, scales, 3, log);
  for (int i = 0; i < tab.n; i++) tab.work[i].D = tab.in[i].D;
  (void)korva::getStatDCmod(tab);
  return 0;
}
