// Free-format coordinate reading.
#include "structure/free_format.h"

#include <gtest/gtest.h>

#include <string>

#include "core/alloc.h"
#include "structure/test_files.h"

namespace korva {
namespace {

std::string entries(int n) {
  std::string text = "REMARK made for a test\n";
  for (int i = 1; i <= n; i++) {
    text += "ATOM " + std::to_string(i) + " CA ALA " + std::to_string(i) + " " + std::to_string(i) +
            ".5 -2.0 3.25 1.00 0.00\n";
  }
  return text + "END\n";
}

TEST(ReadPdbFree, EntriesAndLimits) {
  testing::TempDir dir;
  tvector<double> x(kFreeArrayLen), y(kFreeArrayLen), z(kFreeArrayLen);
  struct {
    const char* what;
    std::string text;
    int rc;
    int count;
  } cases[] = {
      {"one entry", "ATOM 1 N ALA 1 1.0 2.0 3.0 END", 0, 1},
      {"no atoms", "REMARK nothing\nEND\n", 0, 0},
      {"empty file", "", 0, 0},
      {"HETATM skipped", "ATOM 1 N ALA 1 1 2 3\nHETATM 2 O HOH 2 4 5 6\nEND\n", 0, 1},
      {"REMARK word ATOM starts an entry", "REMARK ATOM 1 N ALA 1 1 2 3\n", 0, 1},
      {"4998 atoms", entries(4998), 0, 4998},
      {"4999 atoms", entries(4999), 1, -1},
      {"letters for a coordinate", "ATOM 1 N ALA 1 1.0 abc 3.0\n", 1, -1},
      {"chain letter in the number field", "ATOM 1 N ALA A 1 1.0 2.0 3.0\n", 1, -1},
      {"ends inside an entry", "ATOM 1 N ALA 1 1.0", 1, -1},
      {"binary", std::string("\x00\x01ATOM\xff\x00", 8), 0, 0},
      {"megabyte word", std::string(3 << 20, 'A') + " ATOM 1 N ALA 1 1 2 3", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int count = -1;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(readPDBfree(dir.write("f.txt", c.text).c_str(), &count, x.data(), y.data(), z.data()),
              c.rc);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count, c.count);
    if (std::string(c.what) == "4999 atoms") {
      EXPECT_EQ(err, "error in readPDBfree: too many atoms.\n");
    }
  }
  int count = -1;
  readPDBfree(dir.write("f.txt", "ATOM 1 N ALA 1 1.0 2.0 3.0 END").c_str(), &count, x.data(),
              y.data(), z.data());
  EXPECT_DOUBLE_EQ(x[1], 1.0);
  EXPECT_DOUBLE_EQ(y[1], 2.0);
  EXPECT_DOUBLE_EQ(z[1], 3.0);
  readPDBfree(dir.write("f.txt", entries(3)).c_str(), &count, x.data(), y.data(), z.data());
  EXPECT_DOUBLE_EQ(x[3], 3.5);
  EXPECT_DOUBLE_EQ(z[3], 3.25);

  ::testing::internal::CaptureStderr();
  EXPECT_EQ(readPDBfree("/nonexistent/f.txt", &count, x.data(), y.data(), z.data()), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "readPDBfree File open error: /nonexistent/f.txt.\n");
  EXPECT_EQ(readPDBfree("", &count, x.data(), y.data(), z.data()), 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace korva
