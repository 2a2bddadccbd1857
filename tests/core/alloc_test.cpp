// Tracked allocation counters.
#include <gtest/gtest.h>

#include "core/alloc.h"

namespace korva {
namespace {

TEST(Alloc, CountersFollowAllocationsAndReleases) {
  resetAllocCounters();
  float* f = fltAlloc("t", 10);
  long long used = 0, reused = 0;
  getMemUsed(&used, &reused);
  EXPECT_EQ(used, 40);
  f = fltReAlloc("t", f, 20, 10);
  getMemUsed(&used, &reused);
  EXPECT_EQ(used, 80);
  EXPECT_EQ(reused, 40);
  unAlloc("t", f, 80);
  unAlloc("t", nullptr, 99);  // none releases nothing
  getMemUsed(&used, &reused);
  EXPECT_EQ(used, 0);
  {
    tvector<double> v(100);
    getMemUsed(&used, nullptr);
    EXPECT_EQ(used, 800);
  }
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, 0);
  char* s = strDup("abc");
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, 4);
  strFree(s);
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, 0);
  resetAllocCounters();
}

}  // namespace
}  // namespace korva
