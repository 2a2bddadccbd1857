// Combination of two coupling tables: identical couplings paired and their values combined.
#include "tables/combine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korva {
namespace {

// Order of coupling identities: residue numbers, then every name of atom I and atom J, compared
// exactly, so equal keys are exactly the identical couplings.
int compareCouplings(const dcRecord& a, const dcRecord& b) {
  if (a.resI != b.resI) return a.resI < b.resI ? -1 : 1;
  if (a.resJ != b.resJ) return a.resJ < b.resJ ? -1 : 1;
  const char* const namesA[] = {a.resNameI, a.atomNameI, a.chainI, a.segI,
                                a.resNameJ, a.atomNameJ, a.chainJ, a.segJ};
  const char* const namesB[] = {b.resNameI, b.atomNameI, b.chainI, b.segI,
                                b.resNameJ, b.atomNameJ, b.chainJ, b.segJ};
  for (int k = 0; k < 8; ++k) {
    const int c = std::strcmp(namesA[k], namesB[k]);
    if (c != 0) return c;
  }
  return 0;
}

}  // namespace

float addDC(int action, float c1, float c2, float d1, float d2) {
  const double a = static_cast<double>(c1) * d1;
  const double b = static_cast<double>(c2) * d2;
  switch (action) {
    case kActionAdd:
      return static_cast<float>(a + b);
    case kActionSub:
      return static_cast<float>(a - b);
    case kActionMul:
      return static_cast<float>(a * b);
    case kActionDiv:
      return static_cast<float>(a / b);
    case kActionMax:
      return static_cast<float>(d2 > d1 ? b : a);
    default:
      return 0.0f;
  }
}

int adjustDC(int action, float c1, float c2, dTab* table1, const dTab* table2, Log& log) {
  if (table1 == nullptr || table2 == nullptr || table1->n <= 0 || table2->n <= 0) return 0;

  // Table 2 indexed by identity; a stable sort keeps file order among identical couplings, so
  // the last of an equal run is the one a scan in file order would find last.
  tvector<int> order(TrackedAllocator<int>("adjustDC"));
  order.resize(static_cast<size_t>(table2->n));
  for (int j = 0; j < table2->n; ++j) order[j] = j;
  const dcRecord* list2 = table2->in.data();
  std::stable_sort(order.begin(), order.end(),
                   [list2](int a, int b) { return compareCouplings(list2[a], list2[b]) < 0; });

  int combined = 0;
  for (int i = 0; i < table1->n; ++i) {
    dcRecord& in = table1->in[i];
    dcRecord& w = table1->work[i];
    if (in.D >= kDCLimit || in.unusable) continue;
    auto upper = std::upper_bound(order.begin(), order.end(), i,
                                  [&](int, int j) { return compareCouplings(in, list2[j]) < 0; });
    // A partner without a usable value leaves nothing to combine with.
    const bool found = upper != order.begin() && compareCouplings(in, list2[*(upper - 1)]) == 0 &&
                       !list2[*(upper - 1)].unusable;
    float value = 0.0f;
    if (found) value = addDC(action, c1, c2, in.D, list2[*(upper - 1)].D);
    if (found && !std::isfinite(value)) {
      // A division by zero would otherwise print inf or nan as a coupling.
      log.printf("DC Warning: combined value of coupling %d is not finite; left out.\n", in.index);
    }
    if (!found || !std::isfinite(value)) {
      in.selected = 0;
      w.selected = 0;
      continue;
    }
    w.D = value;
    w.selected = 1;
    if (in.selected) ++combined;
  }
  return combined;
}

}  // namespace korva
