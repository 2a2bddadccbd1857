// Run frame: banner, records, option parsing, dispatch on the mode, and the end of run that
// releases everything and prints the memory line on every path.
#include "cli/run.h"

#include <cstdio>
#include <new>

#include "modes/steric_free.h"
#include "modes/compare_dc.h"
#include "modes/compare_saupe.h"
#include "core/alloc.h"
#include "core/args.h"
#include "cli/params.h"
#include "modes/sequence.h"
#include "fit/nonlinear.h"
#include "fit/svd_fit.h"
#include "structure/transform.h"

namespace korva {
namespace {

// The top-level records of one run, each obtained from the tracked routines ("matrix").
struct runRecords {
  tvector<dTab> tab{TrackedAllocator<dTab>("matrix")};
  // The structure cannot be copied or moved, so it is created in place at its final size.
  tvector<pdbInfo> pdb = tvector<pdbInfo>(1, TrackedAllocator<pdbInfo>("matrix"));
  tvector<korvaInfo> info{TrackedAllocator<korvaInfo>("matrix")};
  tvector<dcInfo> dc{TrackedAllocator<dcInfo>("matrix")};
  tvector<struct pdbSelect> select{TrackedAllocator<struct pdbSelect>("matrix")};
  runArgs args;
  runBuffers buffers;
};

int dispatch(runRecords& r) {
  const int mode = r.info[0].mode;
  if (mode == kModeCompareDC) {
    const int status = analyzeDC(r.args.inD1, r.args.inD2, r.info.data(), r.dc.data(), r.args.aD1,
                                 r.args.aD2, r.args.outD);
    if (status != 0) std::fprintf(stderr, "Matrix: error in comparison of order matrices.\n");
    return status;
  }
  if (mode == kModeCompareSaupe) {
    const int status = compareSaupe(r.info.data(), r.args.saupeCp1, r.args.saupeCp2, r.args.outA,
                                    r.tab.data(), r.args.remark);
    if (status != 0) std::fprintf(stderr, "Matrix: error in comparison of order matrices.\n");
    return status;
  }
  if (mode == kModeStericFree) {
    const int status = ssiaFree(r.info.data(), r.args.pdbF, r.args.outA, r.tab.data());
    if (status != 0) std::fprintf(stderr, "matrix: error in ssiaFree.\n");
    return status;
  }
  if (mode == kModeBestFit || mode == kModeSteric) {
    return runStructureSequence(r.pdb.data(), r.tab.data(), r.info.data(), r.dc.data(),
                                r.select.data(), &r.args, &r.buffers);
  }
  std::fprintf(stderr, "KORVA: run mode %d is not available in this build.\n", mode);
  return 1;
}

int runModes(int argc, char** argv, runRecords& r) {
  runArgsNull(&r.args);
  r.select.resize(1);
  pdbSelectNull(r.select.data());
  dipolarNull();
  pdb3dReset();
  runBuffersNull(&r.buffers);
  legalNotice();

  r.tab.resize(1);
  r.info.resize(1);
  r.dc.resize(1);
  dTabNull(r.tab.data());
  pdbNull(r.pdb.data());
  korvaInfoNull(r.info.data());
  dcInfoNull(r.dc.data());

  initArgs(argc, argv, 4);
  int status =
      getparams(argc, argv, r.info.data(), r.dc.data(), r.tab.data(), r.select.data(), &r.args);
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
  pdbFree(records.pdb.data());
  if (!records.tab.empty()) dTabFree(records.tab.data());
  dipolarFree();
  fitDCFree();
  runArgsFree(&records.args);
  // The memory line closes every run, so the releases that follow it are not traced.
  setAlloc(0);
  showAlloc();
  return status;
}

}  // namespace korva
