// Fuzz target: the NEF, NMR-STAR and Xplor coupling readers and the choice of a list.
#include "fuzz_input.h"
#include "tables/coupling_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  auto r = korva::readCouplingFile(path.c_str(), korva::nullLog());
  if (r.ok() && !r.value.lists.empty()) {
    auto first = korva::chooseCouplingList(r.value, path.c_str(), nullptr);
    auto named = korva::chooseCouplingList(r.value, path.c_str(), "900");
    (void)first;
    (void)named;
  }
  return 0;
}
