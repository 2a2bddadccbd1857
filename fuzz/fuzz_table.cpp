// Fuzz target: the table reader.
#include <cstdio>

#include "fuzz_input.h"
#include "tables/table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = korva::fuzz::writeInput(data, size);
  korva::tvector<float> values;
  korva::tvector<korva::tabVar> vars;
  int nCol = 0, nRow = 0;
  korva::NullLog log;
  (void)korva::rdTable(path.c_str(), &values, &nCol, &nRow, &vars, 9999, log);
  korva::freeTab(&values, &vars, &nCol, &nRow);
  return 0;
}
