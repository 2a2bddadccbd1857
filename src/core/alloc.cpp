// Tracked allocation routines and their byte counters.
#include "core/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korva {
namespace {

struct AllocState {
  long long bytesUsed = 0;    // bytes currently allocated through these routines
  long long bytesReused = 0;  // bytes carried over by reallocations
  int verboseAlloc = 0;       // trace switch
};

AllocState& state() {
  static AllocState s;
  return s;
}

void* allocWithTag(const char* tag, const char* label, size_t bytes) {
  AllocState& s = state();
  s.bytesUsed += static_cast<long long>(bytes);
  void* p = std::malloc(bytes == 0 ? 1 : bytes);
  if (p == nullptr) {
    std::fprintf(stderr, "Memory allocation failure.\n");
    return nullptr;
  }
  if (s.verboseAlloc) {
    std::fprintf(stderr, "\n_MEM %s Name: %s Alloc: %p Add: %lld Now: %lld\n", tag,
                 label ? label : "", p, static_cast<long long>(bytes), s.bytesUsed);
  }
  return p;
}

void* reallocWithTag(const char* tag, const char* label, void* old, size_t newBytes,
                     size_t oldBytes) {
  AllocState& s = state();
  if (old == nullptr) oldBytes = 0;
  s.bytesUsed += static_cast<long long>(newBytes) - static_cast<long long>(oldBytes);
  s.bytesReused += static_cast<long long>(oldBytes);
  // A fresh block and a copy, so that the old block is still valid when the trace names it.
  void* p = std::malloc(newBytes == 0 ? 1 : newBytes);
  if (p == nullptr) {
    std::fprintf(stderr, "Memory allocation failure.\n");
    return nullptr;
  }
  if (old != nullptr) std::memcpy(p, old, oldBytes < newBytes ? oldBytes : newBytes);
  if (s.verboseAlloc) {
    std::fprintf(stderr, "\n_MEM %s Name: %s Free: %p Alloc: %p", tag, label ? label : "", old, p);
    std::fprintf(stderr, " Add: %lld Delete: %lld Now: %lld\n", static_cast<long long>(newBytes),
                 static_cast<long long>(oldBytes), s.bytesUsed);
  }
  std::free(old);
  return p;
}

}  // namespace

void* voidMalloc(const char* label, size_t bytes) {
  return allocWithTag("VOI_ALLOC", label, bytes);
}
char* charMalloc(const char* label, size_t bytes) {
  return static_cast<char*>(allocWithTag("CHR_ALLOC", label, bytes));
}
int* intAlloc(const char* label, size_t n) {
  return static_cast<int*>(allocWithTag("INT_ALLOC", label, n * sizeof(int)));
}
float* fltAlloc(const char* label, size_t n) {
  return static_cast<float*>(allocWithTag("FLT_ALLOC", label, n * sizeof(float)));
}
double* dFltAlloc(const char* label, size_t n) {
  return static_cast<double*>(allocWithTag("DBL_ALLOC", label, n * sizeof(double)));
}
int32_t* dIntAlloc(const char* label, size_t n) {
  return static_cast<int32_t*>(allocWithTag("LNG_ALLOC", label, n * sizeof(int32_t)));
}
char* strDup2(const char* label, const char* text) {
  if (text == nullptr) return nullptr;
  size_t n = std::strlen(text) + 1;
  char* p = static_cast<char*>(allocWithTag("CHR_ALLOC", label, n));
  if (p != nullptr) std::memcpy(p, text, n);
  return p;
}
char* strDup(const char* text) {
  return strDup2("strDup", text);
}

float* fltReAlloc(const char* label, float* old, size_t newCount, size_t oldCount) {
  return static_cast<float*>(
      reallocWithTag("FLT_RE_AL", label, old, newCount * sizeof(float), oldCount * sizeof(float)));
}
int* intReAlloc(const char* label, int* old, size_t newCount, size_t oldCount) {
  return static_cast<int*>(
      reallocWithTag("INT_RE_AL", label, old, newCount * sizeof(int), oldCount * sizeof(int)));
}
char* charReMalloc(const char* label, char* old, size_t newBytes, size_t oldBytes) {
  return static_cast<char*>(reallocWithTag("CHR_RE_AL", label, old, newBytes, oldBytes));
}
void* voidReMalloc(const char* label, void* old, size_t newBytes, size_t oldBytes) {
  return reallocWithTag("CHR_RE_AL", label, old, newBytes, oldBytes);
}

void unAlloc(const char* label, void* block, size_t bytes) {
  AllocState& s = state();
  if (block != nullptr) s.bytesUsed -= static_cast<long long>(bytes);
  if (s.verboseAlloc) {
    std::fprintf(stderr, "\n_MEM %s Name: %s Free: %p Delete: %lld Now: %lld Reused: %lld\n",
                 block ? "DEALLOC" : "NOOP_AL", label ? label : "", block,
                 static_cast<long long>(bytes), s.bytesUsed, s.bytesReused);
  }
  std::free(block);
}

void strFree(char* text) {
  if (text == nullptr) {
    unAlloc("strDup", nullptr, 0);
    return;
  }
  unAlloc("strDup", text, std::strlen(text) + 1);
}

void setAlloc(int on) {
  state().verboseAlloc = on;
}

void showAlloc() {
  std::fprintf(stderr, "REMARK Memory Allocation Status. Reused: %lld In Use: %lld\n",
               state().bytesReused, state().bytesUsed);
}

void getMemUsed(long long* used, long long* reused) {
  if (used) *used = state().bytesUsed;
  if (reused) *reused = state().bytesReused;
}

void resetAllocCounters() {
  state().bytesUsed = 0;
  state().bytesReused = 0;
}

void* trackedAllocate(const char* label, size_t bytes) {
  void* p = allocWithTag("VOI_ALLOC", label, bytes);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void trackedRelease(const char* label, void* block, size_t bytes) {
  unAlloc(label, block, bytes);
}

}  // namespace korva
