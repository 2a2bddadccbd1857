// Tracked allocation counters: the memory line of every run depends on them.
#include "core/alloc.h"

#include <gtest/gtest.h>

namespace korva {
namespace {

TEST(Alloc, CountersFollowContainersAndReallocations) {
  long long base = 0, used = 0, reused = 0;
  getMemUsed(&base, nullptr);
  {
    tvector<double> v(100);
    getMemUsed(&used, nullptr);
    EXPECT_EQ(used - base, 800);
  }
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, base);
  resetAllocCounters();
  float* f = fltReAlloc("t", nullptr, 10, 0);  // a reallocation of nothing reuses nothing
  f = fltReAlloc("t", f, 20, 10);
  getMemUsed(&used, &reused);
  EXPECT_EQ(used, 80);
  EXPECT_EQ(reused, 40);
  unAlloc("t", f, 80);
  unAlloc("t", nullptr, 99);  // none releases nothing
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, 0);
  resetAllocCounters();
}

}  // namespace
}  // namespace korva
