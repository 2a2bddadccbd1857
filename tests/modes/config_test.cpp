// Configuration file: keys, truncation of int keys, format errors.
#include "modes/config.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"

namespace korva {
namespace {

struct ConfigRun {
  int status;
  std::string err;
  korvaInfo info;
};

ConfigRun readText(const std::string& text) {
  std::string path = testing::makeTempDir() + "/config.inp";
  testing::writeFile(path, text);
  ConfigRun r;
  korvaInfoNull(&r.info);
  TextLog log;
  r.status = readConfig(path.c_str(), &r.info, log);
  r.err = log.text();
  return r;
}

TEST(Config, KeysAreStoredWithIntTruncation) {
  ConfigRun r = readText(
      "\xEF\xBB\xBFPmax: 12.5\nENSEMBLE_DENSITY: 2.9\nORIGIN_DOM1: -2.9\nCLASH_DISTANCE: 4.25\n"
      "BETA_H: 1e1\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_FLOAT_EQ(r.info.grid.pMax, 12.5f);
  EXPECT_EQ(r.info.grid.ensembleDensity, 2);
  EXPECT_EQ(r.info.grid.originDom1, -2);
  EXPECT_FLOAT_EQ(r.info.grid.clashDistance, 4.25f);
  EXPECT_FLOAT_EQ(r.info.grid.betaH, 10.0f);
  EXPECT_EQ(r.info.grid.centerPivot, 1);  // untouched default
}

TEST(Config, MalformedLinesFail) {
  const struct {
    std::string text;
    const char* line;  // "@" stands for the file
  } cases[] = {
      {"Pmax: 1\n\nBETA_L: 2\n", "wrong format\nLine:\n"},
      {"Pmax: abc\n", "wrong format\nLine:Pmax: abc\n"},
      {"Pmax: 1\nBETA_L:", "wrong format\nLine:BETA_L:\n"},
      // A key of the wrong case is unknown; a key would otherwise keep its default unnoticed.
      {"BETA_L: 2\nPMAX: 3\n",
       "parameter in auto file: PMAX: on line 2 of @ is not a known key.\n"},
      {"BETA_L: nan\n", "parameter in auto file: BETA_L: on line 1 of @ has a value that is not"},
      {"END_RES_ANGLE_2: 3e9\n", "END_RES_ANGLE_2: on line 1 of @ has a value out of the range"},
      {std::string(2 << 20, 'x'), "readConfig Error: line 1 of @ is longer than 1048576 bytes"},
  };
  for (const auto& c : cases) {
    const testing::TempDir dir;
    const std::string path = dir.write("config.inp", c.text);
    korvaInfo info;
    korvaInfoNull(&info);
    TextLog log;
    EXPECT_EQ(readConfig(path.c_str(), &info, log), 1) << c.line;
    std::string expected = c.line;
    if (expected.find('@') != std::string::npos) expected.replace(expected.find('@'), 1, path);
    EXPECT_NE(log.text().find(expected), std::string::npos) << log.text();
  }
  korvaInfo info;
  korvaInfoNull(&info);
  EXPECT_EQ(readConfig("", &info, nullLog()), 0);
  TextLog log;
  EXPECT_EQ(readConfig("/nonexistent/k.inp", &info, log), 1);
  EXPECT_EQ(log.text(), "readConfig File open error: /nonexistent/k.inp.\n");
}

}  // namespace
}  // namespace korva
