// Fuzz target: a charge table read onto a small structure, then summed.
#include "align/charges.h"
#include "fuzz_input.h"
#include "fuzz_structure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static korva::pdbInfo pdb;
  static const bool built = (korva::fuzz::smallStructure(&pdb), true);
  (void)built;
  std::string path = korva::fuzz::writeInput(data, size);
  korva::chargeSet set;
  if (korva::readCharges(path.c_str(), &pdb, &set).ok()) {
    (void)korva::netCharge(set);
    (void)korva::totalAbsCharge(set);
  }
  return 0;
}
