// The command-line vocabulary: every option in its lookup order, the banner and the help.
#include "cli/params.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/alloc.h"
#include "cli/help_text.h"

namespace korva {
namespace {

constexpr int kBannerDashes = 68;
constexpr int kBannerIndent = 15;

// Reads an option that takes exactly five numbers; 0 when absent or read, 1 after an error line.
int readFiveValues(int argc, char** argv, const char* name, double out[5]) {
  int pos = flagLoc(argc, argv, name);
  if (pos == 0) return 0;
  int status = fixedListArg(argc, argv, pos, 5, out);
  if (status == 1) std::fprintf(stderr, "VANTRO Error: %s option requires 5 values.\n", name);
  return status != 0;
}

// An option with an optional integer: the number when one follows, else the given default.
void readOptionalInt(int argc, char** argv, const char* name, int whenBare, int* target) {
  int pos = flagLoc(argc, argv, name);
  if (pos == 0) return;
  if (pos + 1 < argc && !isFlag(argv[pos + 1])) {
    intArgD(argc, argv, name, target);
  } else {
    *target = whenBare;
  }
}

}  // namespace

void runArgsNull(runArgs* a) {
  std::memset(a, 0, sizeof(*a));
  std::strcpy(a->aD1, "All");
  std::strcpy(a->aD2, "All");
}

void runArgsFree(runArgs* a) {
  if (a->weights != nullptr) unAlloc("listArg", a->weights, sizeof(float) * a->nWeights);
  a->weights = nullptr;
  a->nWeights = 0;
}

int getparams(int argc, char** argv, korvaInfo* info, dcInfo* dc, dTensor* tensor,
              struct pdbSelect* select, runArgs* a) {
  a->mapCount = 0;
  if (argc <= 1 || flagLoc(argc, argv, "-help")) {
    printInfo();
    return 1;
  }

  info->mode = kModeSteric;
  if (flagLoc(argc, argv, "-stKorva")) info->mode = kModeSteric;
  if (flagLoc(argc, argv, "-stKorvaFree")) info->mode = kModeStericFree;
  if (flagLoc(argc, argv, "-bestFit")) info->mode = kModeBestFit;
  if (flagLoc(argc, argv, "-anA")) {
    info->mode = kModeCompareSaupe;
    info->action = kActionSub;
    info->c1 = 1.0f;
  }
  if (flagLoc(argc, argv, "-anDC")) {
    info->mode = kModeCompareDC;
    info->action = kActionAdd;
    info->c1 = 0.0f;
    info->c2 = 1.0f;
  }

  intArgD(argc, argv, "-map", &a->mapCount);
  if (a->mapCount < 0) {
    std::fprintf(stderr, "VANTRO Error: -map needs a step count of 0 or more.\n");
    return 1;
  }
  getPDBSelectArgs(argc, argv, select);
  if (getDCTensorParams(argc, argv, tensor) != 0) return 1;
  info->euler = tensor->eulerFlag;

  readOptionalInt(argc, argv, "-dbg", 1, &a->dbgFlag);
  readOptionalInt(argc, argv, "-noverb", 0, &info->verbose);

  int n = 0;
  float* w = rListArg(argc, argv, "-w", &n);
  if (n < 0) return 1;
  a->weights = w;
  a->nWeights = n;

  strArgD(argc, argv, "-in", a->inD);
  strArgD(argc, argv, "-inD", a->inD);
  strArgD(argc, argv, "-out", a->outD);
  strArgD(argc, argv, "-outD", a->outD);
  strArgD(argc, argv, "-pdb", a->pdb);

  intArgD(argc, argv, "-d1", &dc->s1);
  intArgD(argc, argv, "-dN", &dc->sN);
  intArgD(argc, argv, "-s1", &dc->s1);
  intArgD(argc, argv, "-sN", &dc->sN);
  intArgD(argc, argv, "-a1", &dc->a1);
  if (flagLoc(argc, argv, "-excl")) dc->rangeMode = 1;
  if (flagLoc(argc, argv, "-inc")) dc->rangeMode = 2;

  ptrArgD(argc, argv, "-rem", &a->remark);
  strArgD(argc, argv, "-inp", a->inp);
  strArgD(argc, argv, "-outMap", a->outMap);
  strArgD(argc, argv, "-pdbF", a->pdbF);
  strArgD(argc, argv, "-pdbRot", a->pdbRot);
  strArgD(argc, argv, "-aD1", a->aD1);
  strArgD(argc, argv, "-aD2", a->aD2);
  strArgD(argc, argv, "-inD1", a->inD1);
  strArgD(argc, argv, "-inD2", a->inD2);

  if (flagLoc(argc, argv, "-bic")) {
    info->lcModel = kModelWall;
    info->rM = 20.0f;
  }
  if (flagLoc(argc, argv, "-pf1")) {
    info->lcModel = kModelRod;
    info->rM = 33.5f;
  }
  fltArgD(argc, argv, "-wv", &info->wv);
  intArgD(argc, argv, "-dot", &info->dot);
  intArgD(argc, argv, "-digPsi", &info->digPsi);
  fltArgD(argc, argv, "-dGrid", &info->dGrid);
  fltArgD(argc, argv, "-rM", &info->rM);
  fltArgD(argc, argv, "-lcS", &info->lcS);
  if (flagLoc(argc, argv, "-H")) info->useH = 1;
  if (flagLoc(argc, argv, "-noH")) info->useH = 0;
  if (flagLoc(argc, argv, "-surf")) info->surf = 1;
  if (flagLoc(argc, argv, "-nosurf")) info->surf = 0;
  fltArgD(argc, argv, "-rA", &info->rA);
  fltArgD(argc, argv, "-rim", &info->rim);
  fltArgD(argc, argv, "-pRatio", &info->pRatio);
  fltArgD(argc, argv, "-lM", &info->lM);
  fltArgD(argc, argv, "-rimDisc", &info->rimDisc);

  if (readFiveValues(argc, argv, "-inS1", a->saupeCp1) != 0) return 1;
  if (readFiveValues(argc, argv, "-inS2", a->saupeCp2) != 0) return 1;
  strArgD(argc, argv, "-outA", a->outA);

  const struct {
    const char* name;
    int action;
  } actions[] = {{"-add", kActionAdd},
                 {"-sub", kActionSub},
                 {"-mul", kActionMul},
                 {"-div", kActionDiv},
                 {"-max", kActionMax}};
  for (const auto& act : actions) {
    if (flagLoc(argc, argv, act.name)) info->action = act.action;
  }
  fltArgD(argc, argv, "-c1", &info->c1);
  fltArgD(argc, argv, "-c2", &info->c2);

  // Accepted for compatibility of command lines; no mode reads them.
  const char* const ignoredWithValue[] = {"-inCS",  "-outCS",    "-outS",    "-ref",
                                          "-path",  "-list",     "-sPath",   "-sList",
                                          "-rList", "-csThresh", "-vcThresh"};
  for (const char* name : ignoredWithValue) ptrArg(argc, argv, name);
  flagLoc(argc, argv, "-fit");
  flagLoc(argc, argv, "-nofit");
  intArgD(argc, argv, "-sID", &dc->sID);
  intArgD(argc, argv, "-dStep", &dc->dStep);
  intArgD(argc, argv, "-sStep", &dc->dStep);

  if (argsOverflowed()) return 1;
  return 0;
}

void printInfo() {
  writeHelpText(stderr);
}

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

}  // namespace korva
