// Defaults of the run parameters.
#include "modes/modes.h"

namespace korva {

runParams::runParams() {
  korvaInfoNull(&info);
  dcInfoNull(&dc);
  dTensorNull(&tensor);
  pdbSelectNull(&select);
}

}  // namespace korva
