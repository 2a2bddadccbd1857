// Chained hash tables from a text key to an integer value, used to index atoms, residues, chains
// and segments by name.
#pragma once

#include <cstdint>

#include "core/alloc.h"

namespace korva {

constexpr int kSymDefaultBuckets = 253;

// One entry: the key lives in the table's key store at keyOffset.
struct hSym {
  uint32_t keyOffset;  // offset of the zero-terminated key in hSymTab::keys
  int type;            // caller's type code
  int value;           // caller's value (here: index of a record in its array)
  int next;            // next entry of the same bucket, -1 at the end
};

struct hSymTab {
  tvector<int> buckets;  // head entry of each bucket, -1 for an empty bucket
  tvector<hSym> syms;    // all entries, in insertion order
  tvector<char> keys;    // owned copies of the keys, each zero-terminated
};

// Bucket of a key: the shift-and-fold hash over signed bytes, modulo the bucket count.
uint32_t hSymNameLoc(const char* key, uint32_t nBuckets);
// Makes an empty table of nBuckets buckets (253 when nBuckets <= 0).
void hSymTabAlloc(hSymTab* tab, int nBuckets);
// The entry of key, or nullptr. The pointer is valid until the next hAddSym on the table.
const hSym* hFindSym(const hSymTab* tab, const char* key);
// Adds key at the head of its bucket (a repeated key is added again and shadows nothing: lookups
// find the newest). Returns the new entry, or nullptr for a table without buckets.
hSym* hAddSym(hSymTab* tab, const char* key, int type, int value);
// Releases all entries and keys; the table is left without buckets.
void hSymTabFree(hSymTab* tab);

}  // namespace korva
