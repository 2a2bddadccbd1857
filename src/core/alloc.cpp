// Tracked allocation: the byte counters behind the memory line, and the optional trace.
#include "core/alloc.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace korva {
namespace {

// The one state the library shares between computations: counters only, kept atomic so that
// computations in several threads may allocate at once.
std::atomic<long long> gBytesUsed{0};    // bytes currently allocated through the allocator
std::atomic<long long> gBytesReused{0};  // bytes carried over by reallocations
std::atomic<int> gTrace{0};              // trace switch

}  // namespace

void setAlloc(int on) {
  gTrace = on;
}

void showAlloc() {
  std::fprintf(stderr, "REMARK Memory Allocation Status. Reused: %lld In Use: %lld\n",
               gBytesReused.load(), gBytesUsed.load());
}

void getMemUsed(long long* used, long long* reused) {
  if (used) *used = gBytesUsed.load();
  if (reused) *reused = gBytesReused.load();
}

void resetAllocCounters() {
  gBytesUsed = 0;
  gBytesReused = 0;
}

void* trackedAllocate(const char* label, size_t bytes) {
  const long long now = gBytesUsed += static_cast<long long>(bytes);
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (p == nullptr) {
    std::fprintf(stderr, "Memory allocation failure.\n");
    throw std::bad_alloc();
  }
  if (gTrace) {
    std::fprintf(stderr, "\n_MEM %s Name: %s Alloc: %p Add: %lld Now: %lld\n", "VOI_ALLOC",
                 label ? label : "", p, static_cast<long long>(bytes), now);
  }
  return p;
}

void trackedRelease(const char* label, void* block, size_t bytes) {
  long long now = gBytesUsed.load();
  if (block != nullptr) now = gBytesUsed -= static_cast<long long>(bytes);
  if (gTrace) {
    std::fprintf(stderr, "\n_MEM %s Name: %s Free: %p Delete: %lld Now: %lld Reused: %lld\n",
                 block ? "DEALLOC" : "NOOP_AL", label ? label : "", block,
                 static_cast<long long>(bytes), now, gBytesReused.load());
  }
  std::free(block);
}

}  // namespace korva
