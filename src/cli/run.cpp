// Run frame: banner, option parsing, dispatch on the mode, and the end of run that prints the
// memory line on every path.
#include "cli/run.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "cli/options.h"
#include "core/alloc.h"
#include "core/args.h"
#include "modes/modes.h"

namespace korva {
namespace {

constexpr int kBannerDashes = 68;
constexpr int kBannerIndent = 15;

void legalNotice() {
  char border[kBannerDashes + 5];
  std::snprintf(border, sizeof(border), " *%s* ", std::string(kBannerDashes, '-').c_str());
  int width = static_cast<int>(std::strlen(border));
  std::fprintf(stderr, "\n\n%s\n", border);
  char title[kBannerDashes + 5];
  std::snprintf(title, sizeof(title), " |%*s%s", kBannerIndent, "", "KORVA");
  std::fprintf(stderr, "%s%*s| \n", title, width - 2 - static_cast<int>(std::strlen(title)), "");
  std::fprintf(stderr, "%s\n\n\n", border);
}

int dispatch(runParams& p, Log& log) {
  switch (p.info.mode) {
    case kModeCompareDC:
      return runCompareDC(p, log);
    case kModeCompareSaupe:
      return runCompareSaupe(p, log);
    case kModeStericFree:
      return runStericFree(p, log);
    case kModeBestFit:
    case kModeSteric:
      return runStructureSequence(p, log);
    default:
      log.printf("KORVA: run mode %d is not available in this build.\n", p.info.mode);
      return 1;
  }
}

int runModes(int argc, char** argv, Log& log) {
  legalNotice();
  runParams p;
  argList args(argc, argv, 4, log);
  if (argc <= 1 || args.flagLoc("-help")) {
    writeHelpText(stderr);
    log.printf("DC Error extracting command-line arguments.\n");
    return 1;
  }
  if (getparams(args, p, log) != 0) {
    log.printf("DC Error extracting command-line arguments.\n");
    return 1;
  }
  args.check();
  if (p.dbgFlag > 1) setAlloc(1);
  return dispatch(p, log);
}

}  // namespace

int runKorva(int argc, char** argv) {
  StreamLog log(stderr);
  int status = 1;
  try {
    status = runModes(argc, argv, log);
  } catch (const std::bad_alloc&) {
    // The tracked allocator has printed its line; the run ends as a failure.
    status = 1;
  }
  // The memory line closes every run, so the releases that follow it are not traced.
  setAlloc(0);
  showAlloc();
  return status;
}

}  // namespace korva
