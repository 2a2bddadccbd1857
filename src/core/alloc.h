// Tracked allocation: every block carries a label and a running byte count is kept for the
// memory line printed at the end of each run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace korva {

// Raw tracked routines. Each returns nullptr (after printing "Memory allocation failure.") when
// the block cannot be had; the caller owns the block and releases it with unAlloc.
void* voidMalloc(const char* label, size_t bytes);
char* charMalloc(const char* label, size_t bytes);
int* intAlloc(const char* label, size_t n);
float* fltAlloc(const char* label, size_t n);
double* dFltAlloc(const char* label, size_t n);
int32_t* dIntAlloc(const char* label, size_t n);
char* strDup(const char* text);
char* strDup2(const char* label, const char* text);
float* fltReAlloc(const char* label, float* old, size_t newCount, size_t oldCount);
int* intReAlloc(const char* label, int* old, size_t newCount, size_t oldCount);
char* charReMalloc(const char* label, char* old, size_t newBytes, size_t oldBytes);
void* voidReMalloc(const char* label, void* old, size_t newBytes, size_t oldBytes);
// Releases a block of the given size (the size the caller allocated); nullptr is allowed.
void unAlloc(const char* label, void* block, size_t bytes);
void strFree(char* text);

void setAlloc(int on);
// Prints "REMARK Memory Allocation Status. Reused: %d In Use: %d" to standard error.
void showAlloc();
void getMemUsed(long long* used, long long* reused);
// Resets both counters; for tests that measure one operation.
void resetAllocCounters();

// Allocation entry points for the container allocator: they count like voidMalloc/unAlloc and
// throw std::bad_alloc after printing the failure line.
void* trackedAllocate(const char* label, size_t bytes);
void trackedRelease(const char* label, void* block, size_t bytes);

// std::allocator replacement that routes every container block through the tracked counters.
template <class T>
struct TrackedAllocator {
  using value_type = T;
  const char* label = "vector";

  TrackedAllocator() noexcept = default;
  explicit TrackedAllocator(const char* name) noexcept : label(name) {}
  template <class U>
  TrackedAllocator(const TrackedAllocator<U>& other) noexcept : label(other.label) {}

  T* allocate(size_t n) { return static_cast<T*>(trackedAllocate(label, n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { trackedRelease(label, p, n * sizeof(T)); }

  template <class U>
  bool operator==(const TrackedAllocator<U>&) const noexcept {
    return true;
  }
};

// The owning array type of the program.
template <class T>
using tvector = std::vector<T, TrackedAllocator<T>>;

}  // namespace korva
