// Tracked allocation: every block carries a label and a running byte count is kept for the
// memory line printed at the end of each run.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace korva {

// Switches the trace of every allocation and release (standard error) on or off.
void setAlloc(int on);
// Prints "REMARK Memory Allocation Status. Reused: %d In Use: %d" to standard error.
void showAlloc();
void getMemUsed(long long* used, long long* reused);
// Resets both counters; for tests that measure one operation.
void resetAllocCounters();

// Allocation entry points for the container allocator: they count the bytes and throw
// std::bad_alloc after printing "Memory allocation failure.".
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
