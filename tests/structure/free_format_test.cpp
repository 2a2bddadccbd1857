// Free-format coordinate reading.
#include "structure/free_format.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

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

TEST(ReadPdbFree, EntriesLimitsAndErrors) {
  testing::TempDir dir;
  const std::string path = dir.path("f.txt");
  const struct {
    const char* what;
    std::string text;
    int count;  // -1: the read fails
    std::string message;
  } cases[] = {
      {"one entry", "ATOM 1 N ALA 1 1.0 2.0 3.0 END", 1, ""},
      {"no atoms", "REMARK nothing\nEND\n", 0, ""},
      {"empty file", "", 0, ""},
      {"HETATM skipped", "ATOM 1 N ALA 1 1 2 3\nHETATM 2 O HOH 2 4 5 6\nEND\n", 1, ""},
      {"REMARK word ATOM starts an entry", "REMARK ATOM 1 N ALA 1 1 2 3\n", 1, ""},
      {"4998 atoms", entries(4998), 4998, ""},
      {"4999 atoms", entries(4999), -1, "error in readPDBfree: too many atoms.\n"},
      {"letters for a coordinate", "ATOM 1 N ALA 1 1.0 abc 3.0\n", -1,
       "readPDBfree Error: unreadable atom entry 1 in " + path + ".\n"},
      {"infinite coordinate", "ATOM 1 N ALA 1 1 2 3 ATOM 2 N ALA 1 1.0 inf 3.0\n", -1,
       "readPDBfree Error: unreadable atom entry 2 in " + path + ".\n"},
      {"chain letter in the number field", "ATOM 1 N ALA A 1 1.0 2.0 3.0\n", -1, ""},
      {"ends inside an entry", "ATOM 1 N ALA 1 1.0", -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int count = -7;
    tvector<double> x, y, z;
    TextLog log;
    EXPECT_EQ(readPDBfree(dir.write("f.txt", c.text).c_str(), &count, &x, &y, &z, log),
              c.count < 0 ? 1 : 0);
    EXPECT_EQ(count, c.count < 0 ? -7 : c.count);  // not set on failure
    if (c.count >= 0) {
      EXPECT_EQ(x.size(), static_cast<size_t>(c.count) + 1);
    }
    if (!c.message.empty()) {
      EXPECT_EQ(log.text(), c.message);
    }
  }
  int count = -1;
  tvector<double> x, y, z;
  ASSERT_EQ(readPDBfree(dir.write("f.txt", entries(3)).c_str(), &count, &x, &y, &z, nullLog()), 0);
  EXPECT_DOUBLE_EQ(x[3], 3.5);
  EXPECT_DOUBLE_EQ(y[1], -2.0);
  EXPECT_DOUBLE_EQ(z[3], 3.25);
  // 0.1 is read in single precision and kept widened.
  ASSERT_EQ(readPDBfree(dir.write("f.txt", "ATOM 1 N A 1 0.1 0 0").c_str(), &count, &x, &y, &z,
                        nullLog()),
            0);
  EXPECT_EQ(x[1], static_cast<double>(0.1f));

  TextLog log;
  EXPECT_EQ(readPDBfree("/nonexistent/f.txt", &count, &x, &y, &z, log), 1);
  EXPECT_EQ(log.text(), "readPDBfree File open error: /nonexistent/f.txt.\n");
  EXPECT_EQ(readPDBfree("", &count, &x, &y, &z, log), 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace korva
