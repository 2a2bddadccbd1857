// One entry point for coupling input, whatever the file's format.
#include "tables/coupling_input.h"

#include <strings.h>

#include <cstdio>

#include "structure/pdb.h"

namespace korva {

void fillCouplingTable(const couplingList& list, dTab* tab, Log& log) {
  dTabFree(tab);
  const int n = static_cast<int>(list.entries.size());
  tab->in.resize(list.entries.size());
  tab->work.resize(list.entries.size());
  tab->n = n;
  resetDC(tab->in.data(), n);
  resetDC(tab->work.data(), n);
  tab->firstRes = kDCFirstResStart;
  tab->lastRes = 0;
  for (int i = 0; i < n; i++) {
    const couplingEntry& e = list.entries[static_cast<size_t>(i)];
    dcRecord& rec = tab->in[static_cast<size_t>(i)];
    rec.readFlag = 1;
    rec.selected = 1;
    rec.index = i + 1;
    rec.resI = e.resI;
    rec.resJ = e.resJ;
    pdbStrCpy(rec.resNameI, e.resNameI);
    pdbStrCpy(rec.resNameJ, e.resNameJ);
    pdbStrCpy(rec.atomNameI, e.atomNameI);
    pdbStrCpy(rec.atomNameJ, e.atomNameJ);
    pdbStrCpy(rec.chainI, e.chainI);
    pdbStrCpy(rec.chainJ, e.chainJ);
    pdbStrCpy(rec.segI, e.segI);
    pdbStrCpy(rec.segJ, e.segJ);
    rec.D = e.D;
    rec.DD = e.DD > 0.0f ? e.DD : kCouplingErrorUnset;  // 0 (or less): none given
    rec.W = e.W;
    rec.S = 1.0f;
    finishCoupling(tab, &rec, log);
  }
}

int readCouplings(const char* path, const char* listName, dTab* tab, Log& log) {
  const bool named = listName != nullptr && listName[0] != '\0';
  if (path == nullptr || path[0] == '\0' || strcasecmp(path, "None") == 0) {
    if (named) {
      log.printf("KORVA: error - -list %s needs a coupling file (-inD).\n", listName);
      return 1;
    }
    return readDC(path, tab, log);
  }
  // A file that cannot be opened is reported by the table reader, in its own words.
  if (FILE* fp = std::fopen(path, "rb"); fp == nullptr) {
    return readDC(path, tab, log);
  } else {
    std::fclose(fp);
  }
  Outcome<couplingFile> file = readCouplingFile(path, log);
  if (!file.ok()) {
    log.write(file.status.message().c_str());
    return 1;
  }
  if (file.value.format == couplingFormat::table) {
    if (named) {
      log.printf("KORVA: error - -list %s: %s is a coupling table, which holds one list.\n",
                 listName, path);
      return 1;
    }
    return readDC(path, tab, log);
  }
  Outcome<listChoice> choice = chooseCouplingList(file.value, path, listName);
  if (!choice.ok()) {
    log.write(choice.status.message().c_str());
    return 1;
  }
  if (!choice.value.note.empty()) log.write(choice.value.note.c_str());
  const couplingList& list = file.value.lists[choice.value.index];
  log.printf("REMARK %s list %s of %s: %zu couplings.\n", couplingFormatName(file.value.format),
             list.name.c_str(), path, list.entries.size());
  fillCouplingTable(list, tab, log);
  return 0;
}

}  // namespace korva
