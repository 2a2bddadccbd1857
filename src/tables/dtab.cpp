// Coupling table: reading, mapping onto the structure, selection and the working list.
#include "tables/dtab.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "tables/table.h"

namespace korva {
namespace {

constexpr int kTableNull = 9999;          // null value handed to the table reader
constexpr double kResLimit = 1000000000;  // residue, index and abs values must stay below this
constexpr int kFaultsNamed = 10;          // unusable couplings named one by one; the rest counted

// Column positions of the coupling table; -1 where the column is missing.
struct dcColumns {
  int res[2], resName[2], atomName[2], chain[2], seg[2];
  int index, abs, d, dd, s, w;
};

// Column of stem + suffix ("RESID" "_I"), found without regard to case.
int atomTabLoc(const tvector<tabVar>& vars, int nc, const char* stem, const char* suffix) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%s", stem, suffix);
  return getTabVar(vars, nc, name);
}

void getAtomTabLocs(const tvector<tabVar>& vars, int nc, const char* suffix, int k, dcColumns* c) {
  c->res[k] = atomTabLoc(vars, nc, "RESID", suffix);
  c->resName[k] = atomTabLoc(vars, nc, "RESNAME", suffix);
  c->atomName[k] = atomTabLoc(vars, nc, "ATOMNAME", suffix);
  c->chain[k] = atomTabLoc(vars, nc, "CHAINNAME", suffix);
  c->seg[k] = atomTabLoc(vars, nc, "SEGNAME", suffix);
}

// A text column read as numbers (or a number column read as names) would turn list indices into
// values, so the column types are checked before any row is taken.
int checkColumnType(const tvector<tabVar>& vars, int col, int wantText, const char* fileName,
                    Log& log) {
  if (col < 0) return 0;
  const int isText = vars[col].type == kVarText;
  if (isText == wantText) return 0;
  log.printf("DC Error column %s of %s must hold %s.\n", vars[col].name.c_str(), fileName,
             wantText ? "names" : "numbers");
  return 1;
}

// Integer of a number cell, truncated towards zero. Returns 0, or 1 when it cannot be an integer.
int cellInt(float v, int* out) {
  if (!(std::fabs(static_cast<double>(v)) < kResLimit)) return 1;
  *out = static_cast<int>(v);
  return 0;
}

// Name of a text cell through the bounded copy and the empty-name normalisation.
void cellName(const tvector<tabVar>& vars, int col, float v, char* to, int (*fix)(char*),
              Log& log) {
  to[0] = '\0';
  if (col < 0) return;
  const char* text = getTabText(vars[col], v);
  if (text == nullptr) return;
  if (pdbStrCpy(to, text) != 0) log.printf("PDB Error: string item too long: %s\n", text);
  fix(to);
}

// Chain and segment names used to look up atoms: the structure's defaults while the table has
// none of its own.
const pdbAtom* findCouplingAtom(const pdbInfo* pdb, const dTab* tab, int res, const char* atomName,
                                const char* chain, const char* seg) {
  if (pdb == nullptr || pdb->nAtoms <= 0) return nullptr;
  return findAtom(pdb, res, atomName, tab->ignoreChain ? pdb->defChain : chain,
                  tab->ignoreSeg ? pdb->defSeg : seg);
}

int inRange(int v, int lo, int hi) {
  return v >= lo && v <= hi;
}

int readRow(const tvector<float>& data, const tvector<tabVar>& vars, int nc, int row,
            const dcColumns& c, const char* fileName, dTab* tab, Log& log) {
  dcRecord& rec = tab->in[row];
  const float* cells = data.data() + static_cast<size_t>(row) * nc;
  rec.readFlag = 1;
  rec.selected = 1;
  rec.atomI = rec.atomJ = nullptr;

  int* res[2] = {&rec.resI, &rec.resJ};
  char* resName[2] = {rec.resNameI, rec.resNameJ};
  char* atomName[2] = {rec.atomNameI, rec.atomNameJ};
  char* chain[2] = {rec.chainI, rec.chainJ};
  char* seg[2] = {rec.segI, rec.segJ};
  for (int k = 0; k < 2; ++k) {
    if (c.res[k] >= 0 && cellInt(cells[c.res[k]], res[k]) != 0) {
      log.printf("DC Error bad residue number in %s, row %d.\n", fileName, row + 1);
      return 1;
    }
    cellName(vars, c.resName[k], cells[c.resName[k] < 0 ? 0 : c.resName[k]], resName[k], fixResName,
             log);
    cellName(vars, c.atomName[k], cells[c.atomName[k] < 0 ? 0 : c.atomName[k]], atomName[k],
             fixAtomName, log);
    cellName(vars, c.chain[k], cells[c.chain[k] < 0 ? 0 : c.chain[k]], chain[k], fixChainName, log);
    cellName(vars, c.seg[k], cells[c.seg[k] < 0 ? 0 : c.seg[k]], seg[k], fixSegName, log);
  }
  rec.index = row + 1;
  if ((c.index >= 0 && cellInt(cells[c.index], &rec.index) != 0) ||
      (c.abs >= 0 && cellInt(cells[c.abs], &rec.abs) != 0)) {
    log.printf("DC Error bad INDEX or ABS value in %s, row %d.\n", fileName, row + 1);
    return 1;
  }
  rec.D = c.d >= 0 ? cells[c.d] : 0.0f;
  rec.DD = c.dd >= 0 ? cells[c.dd] : 1.0f;
  rec.S = c.s >= 0 ? cells[c.s] : 1.0f;
  rec.W = c.w >= 0 ? cells[c.w] : 1.0f;
  finishCoupling(tab, &rec, log);
  return 0;
}

// Names a coupling whose values cannot be used (the first few of them) and counts the missing.
void reportUnusable(const dcRecord& rec, int row, const char* fileName, int* faulty, int* missing,
                    Log& log) {
  if (!rec.unusable) return;
  const char* fault = couplingValueFault(rec);
  if (fault == nullptr) {
    ++*missing;
    return;
  }
  if (++*faulty <= kFaultsNamed) {
    log.printf("DC Warning: %s row %d (%d %s - %d %s) left out: %s.\n", fileName, row + 1, rec.resI,
               rec.atomNameI, rec.resJ, rec.atomNameJ, fault);
  }
}

// A table whose columns cannot be told apart, or that holds no observed couplings, is refused.
int checkColumnNames(const tvector<tabVar>& vars, int nc, int dColumn, const char* fileName,
                     Log& log) {
  for (int k = 0; k < nc; ++k) {
    if (getTabVar(vars, nc, vars[k].name.c_str()) != k) {
      log.printf("DC Error: column %s of %s is named twice.\n", vars[k].name.c_str(), fileName);
      return 1;
    }
  }
  if (dColumn < 0) {
    log.printf("DC Error: %s has no column D.\n", fileName);
    return 1;
  }
  return 0;
}

}  // namespace

void dTabNull(dTab* tab) {
  tab->in = tvector<dcRecord>(TrackedAllocator<dcRecord>("DC Values"));
  tab->work = tvector<dcRecord>(TrackedAllocator<dcRecord>("DC Values"));
  tab->n = 0;
  tab->firstRes = kDCFirstResStart;
  tab->lastRes = 0;
  tab->ignoreChain = 1;
  tab->ignoreSeg = 1;
}

void dTabFree(dTab* tab) {
  tvector<dcRecord>().swap(tab->in);
  tvector<dcRecord>().swap(tab->work);
  tab->n = 0;
}

void resetDC(dcRecord* list, int count) {
  for (int i = 0; i < count; ++i) {
    dcRecord& r = list[i];
    std::memset(&r, 0, sizeof r);
    r.resI = r.resJ = kDCResUnset;
    r.D = kDCUnset;
    r.W = 1.0f;
    r.S = 1.0f;
    r.atomI = r.atomJ = nullptr;
  }
}

bool dcMapped(const dcRecord& w) {
  return w.selected != 0 && w.atomI != nullptr && w.atomJ != nullptr;
}

bool dcIsGlycine(const dTab& tab, int i) {
  return tab.in[static_cast<size_t>(i)].glyFlag != 0 ||
         tab.work[static_cast<size_t>(i)].glyFlag != 0;
}

bool dcEntersFit(const dTab& tab, int i) {
  const dcRecord& w = tab.work[static_cast<size_t>(i)];
  return dcMapped(w) && w.W != 0.0f && !dcIsGlycine(tab, i);
}

bool dcListed(const dTab& tab, int i) {
  const dcRecord& in = tab.in[static_cast<size_t>(i)];
  return in.selected != 0 && tab.work[static_cast<size_t>(i)].selected != 0 && !in.badElement &&
         !in.unusable;
}

bool couplingValueMissing(const dcRecord& rec) {
  return rec.D >= kDCLimit || rec.DD == kDCUnset || rec.W == kDCUnset;
}

const char* couplingValueFault(const dcRecord& rec) {
  if (!std::isfinite(rec.D)) return "D is not a number";
  if (!std::isfinite(rec.DD)) return "DD is not a number";
  if (!std::isfinite(rec.W)) return "W is not a number";
  if (rec.DD == 0.0f) return "DD is 0, which would weigh it infinitely";
  return nullptr;
}

void finishCoupling(dTab* tab, dcRecord* rec, Log& log) {
  if (rec->chainI[0] != '\0' || rec->chainJ[0] != '\0') tab->ignoreChain = 0;
  if (rec->segI[0] != '\0' || rec->segJ[0] != '\0') tab->ignoreSeg = 0;
  rec->glyFlag = glyHACATest(rec);
  rec->unusable = couplingValueMissing(*rec) || couplingValueFault(*rec) != nullptr;
  rec->fixedDistance = 0;
  rec->DI = 0.0f;
  // A coupling without atom names cannot reach a structure; only named pairs are judged.
  if (rec->atomNameI[0] != '\0' && rec->atomNameJ[0] != '\0') {
    float di = 0.0f;
    int fixed = 0;
    if (findDI(rec->resI, rec->resNameI, rec->atomNameI, rec->resJ, rec->resNameJ, rec->atomNameJ,
               &di, &fixed, log) != 0) {
      rec->badElement = 1;
    } else if (fixed) {
      rec->fixedDistance = 1;
      rec->DI = di;
    }
  }
  for (int r : {rec->resI, rec->resJ}) {
    tab->firstRes = std::min(tab->firstRes, r);
    tab->lastRes = std::max(tab->lastRes, r);
  }
}

int glyHACATest(const dcRecord* rec) {
  if (rec->resI != rec->resJ) return 0;
  if (strcasecmp(rec->resNameI, "GLY") != 0 || strcasecmp(rec->resNameJ, "GLY") != 0) return 0;
  const int haCa = strcasecmp(rec->atomNameI, "HA") == 0 && strcasecmp(rec->atomNameJ, "CA") == 0;
  const int caHa = strcasecmp(rec->atomNameI, "CA") == 0 && strcasecmp(rec->atomNameJ, "HA") == 0;
  return haCa || caHa;
}

int readDC(const char* fileName, dTab* tab, Log& log) {
  if (fileName == nullptr || fileName[0] == '\0' || strcasecmp(fileName, "None") == 0) {
    dTabFree(tab);
    return 0;
  }
  tvector<float> data(TrackedAllocator<float>("rdTable"));
  tvector<tabVar> vars(TrackedAllocator<tabVar>("rdTable"));
  int nc = 0;
  int nr = 0;
  int status = rdTable(fileName, &data, &nc, &nr, &vars, kTableNull, log);
  if (status != 0) {
    freeTab(&data, &vars, &nc, &nr);
    return status;
  }

  dcColumns c{};
  getAtomTabLocs(vars, nc, "_I", 0, &c);
  getAtomTabLocs(vars, nc, "_J", 1, &c);
  c.index = getTabVar(vars, nc, "INDEX");
  c.abs = getTabVar(vars, nc, "ABS");
  c.d = getTabVar(vars, nc, "D");
  c.dd = getTabVar(vars, nc, "DD");
  c.s = getTabVar(vars, nc, "S");
  c.w = getTabVar(vars, nc, "W");
  for (int k = 0; k < 2; ++k) {
    status |= checkColumnType(vars, c.res[k], 0, fileName, log);
    status |= checkColumnType(vars, c.resName[k], 1, fileName, log);
    status |= checkColumnType(vars, c.atomName[k], 1, fileName, log);
    status |= checkColumnType(vars, c.chain[k], 1, fileName, log);
    status |= checkColumnType(vars, c.seg[k], 1, fileName, log);
  }
  for (int col : {c.index, c.abs, c.d, c.dd, c.s, c.w}) {
    status |= checkColumnType(vars, col, 0, fileName, log);
  }
  if (status == 0) status = checkColumnNames(vars, nc, c.d, fileName, log);
  if (status != 0) {
    dTabFree(tab);
    freeTab(&data, &vars, &nc, &nr);
    return 1;
  }

  dTabFree(tab);
  try {
    tab->in.resize(static_cast<size_t>(nr));
    tab->work.resize(static_cast<size_t>(nr));
  } catch (const std::bad_alloc&) {
    log.printf("DC Error Allocating DC Values.\n");
    dTabFree(tab);
    freeTab(&data, &vars, &nc, &nr);
    return 1;
  }
  tab->n = nr;
  resetDC(tab->in.data(), nr);
  resetDC(tab->work.data(), nr);
  tab->firstRes = kDCFirstResStart;
  tab->lastRes = 0;

  int faulty = 0;
  int missing = 0;
  for (int row = 0; row < nr; ++row) {
    if (readRow(data, vars, nc, row, c, fileName, tab, log) != 0) {
      dTabFree(tab);
      freeTab(&data, &vars, &nc, &nr);
      return 1;
    }
    reportUnusable(tab->in[row], row, fileName, &faulty, &missing, log);
  }
  if (faulty > kFaultsNamed) {
    log.printf("DC Warning: further couplings of %s left out: %d.\n", fileName,
               faulty - kFaultsNamed);
  }
  if (missing > 0) {
    log.printf(
        "DC Warning: couplings of %s not measured (NULLVALUE, or D of %.0f or more), left "
        "out: %d.\n",
        fileName, static_cast<double>(kDCLimit), missing);
  }
  freeTab(&data, &vars, &nc, &nr);
  return 0;
}

int mapDCInfo(const pdbInfo* pdb, dTab* tab) {
  int found = 0;
  for (int i = 0; i < tab->n; ++i) {
    dcRecord& r = tab->in[i];
    r.atomI = findCouplingAtom(pdb, tab, r.resI, r.atomNameI, r.chainI, r.segI);
    r.atomJ = findCouplingAtom(pdb, tab, r.resJ, r.atomNameJ, r.chainJ, r.segJ);
    r.selected = r.atomI != nullptr && r.atomJ != nullptr;
    found += r.selected;
  }
  return found;
}

int selectD(dcRecord* list, int count, int firstRes, int lastRes, int mode) {
  int selected = 0;
  for (int i = 0; i < count; ++i) {
    dcRecord& r = list[i];
    int keep = 1;
    if (mode == 1) {
      keep = inRange(r.resI, firstRes, lastRes) && inRange(r.resJ, firstRes, lastRes);
    } else if (mode == 2) {
      keep = inRange(r.resI, firstRes, lastRes) || inRange(r.resJ, firstRes, lastRes);
    } else {
      keep = inRange(std::max(r.resI, r.resJ), firstRes, lastRes);
    }
    r.selected = keep && !r.badElement && !r.unusable;
    selected += r.selected;
  }
  return selected;
}

int selTypDC(dcRecord* list, int count, const char* typeI, const char* typeJ) {
  const int allI = std::strcmp(typeI, "All") == 0;
  const int allJ = std::strcmp(typeJ, "All") == 0;
  int selected = 0;
  for (int i = 0; i < count; ++i) {
    dcRecord& r = list[i];
    const int fitsI = allI || std::strcmp(r.atomNameI, typeI) == 0;
    const int fitsJ = allJ || std::strcmp(r.atomNameJ, typeJ) == 0;
    if (!(fitsI && fitsJ)) r.selected = 0;
    selected += r.selected != 0;
  }
  return selected;
}

int buildDC(const pdbInfo* pdb, dTab* tab, int residueOffset, int firstRes, const float* scales,
            int scaleCount, Log& log) {
  resetDC(tab->work.data(), tab->n);
  int built = 0;
  for (int i = 0; i < tab->n; ++i) {
    const dcRecord& in = tab->in[i];
    dcRecord& w = tab->work[i];
    if (!in.selected || in.badElement || in.unusable) continue;
    w.index = in.index;
    w.readFlag = in.readFlag;
    w.selected = 1;

    const int resI = in.resI + residueOffset;
    const int resJ = in.resJ + residueOffset;
    const pdbAtom* atomI = findCouplingAtom(pdb, tab, resI, in.atomNameI, in.chainI, in.segI);
    const pdbAtom* atomJ = findCouplingAtom(pdb, tab, resJ, in.atomNameJ, in.chainJ, in.segJ);
    if (atomI == nullptr || atomJ == nullptr) {
      w.selected = 0;
      continue;
    }
    w.atomI = atomI;
    w.atomJ = atomJ;
    w.resI = resI;
    w.resJ = resJ;
    pdbStrCpy(w.atomNameI, in.atomNameI);
    pdbStrCpy(w.atomNameJ, in.atomNameJ);
    const pdbAtom* atoms[2] = {atomI, atomJ};
    char* resName[2] = {w.resNameI, w.resNameJ};
    char* chain[2] = {w.chainI, w.chainJ};
    char* seg[2] = {w.segI, w.segJ};
    for (int k = 0; k < 2; ++k) {
      const pdbAtom* a = atoms[k];
      pdbStrCpy(resName[k], a->res != nullptr ? a->res->resName : a->resName);
      pdbStrCpy(chain[k], a->res != nullptr ? a->res->chainId : a->chainId);
      pdbStrCpy(seg[k], a->res != nullptr ? a->res->segId : a->segId);
    }
    w.glyFlag = glyHACATest(&w);
    w.D = kDCUnset;
    w.DI = in.DI;
    w.DD = in.DD;
    w.W = in.W;

    if (scaleCount > 0 && scales != nullptr) {
      const long long k = static_cast<long long>(std::max(in.resI, in.resJ)) - firstRes;
      if (k >= 0 && k < scaleCount) {
        const float s = scales[k];
        if (s != 0.0f) {
          w.W = static_cast<float>(w.W * std::sqrt(std::fabs(static_cast<double>(s))));
          w.DD = static_cast<float>(w.DD / std::fabs(static_cast<double>(s)));
        } else {
          w.W = 0.0f;
          w.DD = kDCUnset;
          w.selected = 0;
        }
      }
    }
    // The glycine HA-CA coupling stays in whatever weight its residue gets.
    if (w.glyFlag) w.selected = 1;
    if (!w.selected) continue;

    const float xyzI[3] = {atomI->x, atomI->y, atomI->z};
    const float xyzJ[3] = {atomJ->x, atomJ->y, atomJ->z};
    if (findDI2(xyzI, w.resI, w.resNameI, w.atomNameI, xyzJ, w.resJ, w.resNameJ, w.atomNameJ, &w.DI,
                &w.fixedDistance, log) != 0) {
      w.badElement = 1;
      w.selected = 0;
      continue;
    }
    ++built;
  }
  return built;
}

agreementStats getStatDCmod(const dTab& tab) {
  tvector<float> x(static_cast<size_t>(tab.n) + 1, 0.0f, TrackedAllocator<float>("statDC"));
  tvector<float> y(static_cast<size_t>(tab.n) + 1, 0.0f, TrackedAllocator<float>("statDC"));
  tvector<float> dd(static_cast<size_t>(tab.n) + 1, 0.0f, TrackedAllocator<float>("statDC"));
  int count = 0;
  for (int i = 0; i < tab.n; ++i) {
    if (!dcListed(tab, i)) continue;
    const dcRecord& in = tab.in[i];
    const dcRecord& w = tab.work[i];
    if (!(in.D < kDCLimit && w.D < kDCLimit)) continue;
    // The weighted values are single-precision figures; every sum is formed from them as
    // stored, so the regression and the sums see the same numbers.
    const float xf = static_cast<float>(static_cast<double>(w.W) * in.D);
    const float yf = static_cast<float>(static_cast<double>(w.W) * w.D);
    // An infinite value (an overflowing weight or combination) would turn every figure into NaN.
    if (!std::isfinite(xf) || !std::isfinite(yf)) continue;
    ++count;
    x[count] = xf;
    y[count] = yf;
    dd[count] = in.DD;
  }
  return agreement(x.data(), y.data(), dd.data(), count);
}

}  // namespace korva
