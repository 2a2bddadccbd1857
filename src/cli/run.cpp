// Run frame: banner, option parsing, dispatch on the mode, and the end of run that prints the
// memory line on every path.
#include "cli/run.h"

#include <sys/stat.h>
#include <unistd.h>

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

// The files a run reads and writes, named by their options.
struct namedFile {
  const char* option;
  const char* name;
};

// Refuses what the modes could only fail on later or, worse, act on: a missing structure or
// coordinate file, a directory given as a file, and an output that would overwrite an input.
int checkFiles(const runParams& p, Log& log) {
  const int mode = p.info.mode;
  if ((mode == kModeBestFit || mode == kModeSteric) && p.pdb[0] == '\0') {
    log.printf("KORVA: error - %s needs a structure file (-pdb).\n",
               mode == kModeBestFit ? "-bestFit" : "-stKorva");
    return 1;
  }
  if (mode == kModeStericFree && p.pdbF[0] == '\0') {
    log.printf("KORVA: error - -stKorvaFree needs a coordinate file (-pdbF).\n");
    return 1;
  }
  const namedFile inputs[] = {{"-pdb", p.pdb},   {"-inD", p.inD},   {"-inD1", p.inD1},
                              {"-inD2", p.inD2}, {"-pdbF", p.pdbF}, {"-inp", p.inp}};
  const namedFile outputs[] = {
      {"-outD", p.outD}, {"-outA", p.outA}, {"-outMap", p.outMap}, {"-pdbRot", p.pdbRot}};
  struct stat in[6];
  bool have[6] = {};
  for (int k = 0; k < 6; k++) {
    const char* name = inputs[k].name;
    if (name[0] == '\0' || std::strcmp(name, "None") == 0) continue;
    have[k] = ::stat(name, &in[k]) == 0;
    if (have[k] && S_ISDIR(in[k].st_mode)) {
      log.printf("KORVA: error - %s %s is a directory, not a file.\n", inputs[k].option, name);
      return 1;
    }
  }
  for (const namedFile& out : outputs) {
    struct stat st;
    if (out.name[0] == '\0' || ::stat(out.name, &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      log.printf("KORVA: error - %s %s is a directory, not a file.\n", out.option, out.name);
      return 1;
    }
    for (int k = 0; k < 6; k++) {
      if (have[k] && in[k].st_dev == st.st_dev && in[k].st_ino == st.st_ino) {
        log.printf("KORVA: error - %s %s is also the input of %s.\n", out.option, out.name,
                   inputs[k].option);
        return 1;
      }
    }
  }
  return 0;
}

bool hasWord(int argc, char** argv, const char* a, const char* b) {
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], a) == 0 || std::strcmp(argv[i], b) == 0) return true;
  }
  return false;
}

int runModes(int argc, char** argv, Log& log) {
  legalNotice();
  runParams p;
  argList args(argc, argv, 4, log);
  // The usual spellings of help and version answer on standard output and succeed.
  if (hasWord(argc, argv, "--help", "-h")) {
    writeHelpText(stdout);
    return 0;
  }
  if (hasWord(argc, argv, "--version", "-version")) {
    std::printf("korva %s\n", KORVA_VERSION);
    return 0;
  }
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
  suggestOptions(args, log);
  if (checkFiles(p, log) != 0) return 1;
  if (p.dbgFlag > 1) setAlloc(1);
  return dispatch(p, log);
}

}  // namespace

int runKorva(int argc, char** argv) {
  // Long runs show how far they are on a terminal; redirected, standard error gets lines only.
  StreamLog log(stderr, ::isatty(::fileno(stderr)) != 0);
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
