// Run frame: banner, records, option parsing, dispatch on the mode, and the end of run that
// releases everything and prints the memory line on every path.
#include "driver/run.h"

#include <cstdio>
#include <new>

#include "analysis/compare_dc.h"
#include "driver/alloc.h"
#include "driver/args.h"
#include "driver/params.h"

namespace korva {
namespace {

// The top-level records of one run, each obtained from the tracked routines ("matrix").
struct runRecords {
  tvector<dTensor> tensor{TrackedAllocator<dTensor>("matrix")};
  tvector<korvaInfo> info{TrackedAllocator<korvaInfo>("matrix")};
  tvector<dcInfo> dc{TrackedAllocator<dcInfo>("matrix")};
  tvector<struct pdbSelect> select{TrackedAllocator<struct pdbSelect>("matrix")};
  runArgs args;
};

int dispatch(runRecords& r) {
  const int mode = r.info[0].mode;
  if (mode == kModeCompareDC) {
    const int status = analyzeDC(r.args.inD1, r.args.inD2, r.info.data(), r.dc.data(), r.args.aD1,
                                 r.args.aD2, r.args.outD);
    if (status != 0) std::fprintf(stderr, "Matrix: error in comparison of order matrices.\n");
    return status;
  }
  std::fprintf(stderr, "KORVA: run mode %d is not available in this build.\n", mode);
  return 1;
}

int runModes(int argc, char** argv, runRecords& r) {
  runArgsNull(&r.args);
  r.select.resize(1);
  pdbSelectNull(r.select.data());
  legalNotice();

  r.tensor.resize(1);
  r.info.resize(1);
  r.dc.resize(1);
  dTensorNull(r.tensor.data());
  korvaInfoNull(r.info.data());
  dcInfoNull(r.dc.data());

  initArgs(argc, argv, 4);
  int status =
      getparams(argc, argv, r.info.data(), r.dc.data(), r.tensor.data(), r.select.data(), &r.args);
  if (status != 0) {
    std::fprintf(stderr, "DC Error extracting command-line arguments.\n");
    return status;
  }
  checkArgs(argc, argv);
  if (r.args.dbgFlag > 1) setAlloc(1);
  return dispatch(r);
}

}  // namespace

int runKorva(int argc, char** argv) {
  int status = 1;
  runRecords records;
  try {
    status = runModes(argc, argv, records);
  } catch (const std::bad_alloc&) {
    // The tracked allocator has printed its line; the run ends as a failure.
    status = 1;
  }
  runArgsFree(&records.args);
  // The memory line closes every run, so the releases that follow it are not traced.
  setAlloc(0);
  showAlloc();
  return status;
}

}  // namespace korva
