// Chained hash tables keyed by text.
#include "structure/sym_tab.h"

#include <cstring>

namespace korva {

uint32_t hSymNameLoc(const char* key, uint32_t nBuckets) {
  uint32_t h = 0;
  for (const char* p = key; *p; p++) {
    // Bytes enter as signed chars, so high-bit bytes subtract; unsigned wrap-around keeps that
    // well defined.
    h = (h << 4) + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    uint32_t g = h & 0xF0000000u;
    if (g != 0) h = h ^ (g >> 24) ^ g;
  }
  return nBuckets == 0 ? 0 : h % nBuckets;
}

void hSymTabAlloc(hSymTab* tab, int nBuckets) {
  if (nBuckets <= 0) nBuckets = kSymDefaultBuckets;
  tab->buckets.assign(static_cast<size_t>(nBuckets), -1);
  tab->syms.clear();
  tab->keys.clear();
}

const hSym* hFindSym(const hSymTab* tab, const char* key) {
  if (tab == nullptr || key == nullptr || tab->buckets.empty()) return nullptr;
  uint32_t b = hSymNameLoc(key, static_cast<uint32_t>(tab->buckets.size()));
  for (int i = tab->buckets[b]; i >= 0; i = tab->syms[static_cast<size_t>(i)].next) {
    const hSym& s = tab->syms[static_cast<size_t>(i)];
    if (std::strcmp(&tab->keys[s.keyOffset], key) == 0) return &s;
  }
  return nullptr;
}

hSym* hAddSym(hSymTab* tab, const char* key, int type, int value) {
  if (tab == nullptr || key == nullptr || tab->buckets.empty()) return nullptr;
  size_t len = std::strlen(key);
  size_t offset = tab->keys.size();
  tab->keys.insert(tab->keys.end(), key, key + len + 1);
  tab->syms.push_back(hSym{});
  uint32_t b = hSymNameLoc(key, static_cast<uint32_t>(tab->buckets.size()));
  hSym& s = tab->syms.back();
  s.keyOffset = static_cast<uint32_t>(offset);
  s.type = type;
  s.value = value;
  s.next = tab->buckets[b];
  tab->buckets[b] = static_cast<int>(tab->syms.size() - 1);
  return &s;
}

void hSymTabFree(hSymTab* tab) {
  if (tab == nullptr) return;
  tvector<int>().swap(tab->buckets);
  tvector<hSym>().swap(tab->syms);
  tvector<char>().swap(tab->keys);
}

}  // namespace korva
