// Tracked allocation counters: the memory line of every run depends on them.
#include "core/alloc.h"

#include <gtest/gtest.h>

#include <thread>

namespace korva {
namespace {

TEST(Alloc, CountersFollowContainersInEveryThread) {
  long long base = 0, used = 0;
  getMemUsed(&base, nullptr);
  {
    tvector<double> v(100);
    getMemUsed(&used, nullptr);
    EXPECT_EQ(used - base, 800);
  }
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, base);
  // Containers filled and dropped in two threads at once leave the count where it was.
  auto churn = [] {
    for (int i = 0; i < 2000; ++i) {
      tvector<int> v(static_cast<size_t>(i % 97 + 1));
      v.push_back(i);
    }
  };
  std::thread a(churn), b(churn);
  a.join();
  b.join();
  getMemUsed(&used, nullptr);
  EXPECT_EQ(used, base);
}

}  // namespace
}  // namespace korva
