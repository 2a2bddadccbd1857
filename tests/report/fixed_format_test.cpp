// The six-decimal text against the C library's own "%f" conversion.
#include "report/fixed_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace korva {
namespace {

std::string printfFixed(double v) {
  char text[400];
  std::snprintf(text, sizeof text, "%f", v);
  return text;
}

// Exact ties round to even (2^-7 = 0.0078125, 3 * 2^-7), values a hair either side of a tie go
// their own way, carries run into the integer part, the sign stays on -0 and on negatives that
// round to zero; subnormals, huge and non-finite values are written as printf writes them.
TEST(AppendFixed6, MatchesPrintf) {
  const double cases[] = {0.0,
                          -0.0,
                          1.0,
                          -1.5707963267948966,
                          3.141592653589793,
                          0x1p-7,
                          3 * 0x1p-7,
                          -5 * 0x1p-7,
                          std::nextafter(0x1p-7, 1.0),
                          std::nextafter(0x1p-7, 0.0),
                          0.0000005,
                          0.0000015,
                          -0.0000004,
                          0.9999995,
                          9.9999996,
                          123456.7890125,
                          0x1p-1074,
                          -0x1p-1022,
                          0x1p39 + 0.5,
                          0x1p40,
                          1e300,
                          HUGE_VAL,
                          -HUGE_VAL,
                          std::nan("")};
  for (double v : cases) {
    std::string text = "|";
    appendFixed6(&text, v);
    EXPECT_EQ(text, "|" + printfFixed(v)) << v;
  }
  // World-map coordinates lie within +-pi: a broad sample of them.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-3.2, 3.2);
  for (int i = 0; i < 100000; i++) {
    const double v = u(rng);
    std::string text;
    appendFixed6(&text, v);
    ASSERT_EQ(text, printfFixed(v)) << v;
  }
}

}  // namespace
}  // namespace korva
