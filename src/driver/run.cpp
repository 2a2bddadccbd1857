// Run frame (placeholder until the parameters land).
#include "driver/run.h"

#include "driver/alloc.h"

namespace korva {

int runKorva(int, char**) {
  showAlloc();
  return 1;
}

}  // namespace korva
