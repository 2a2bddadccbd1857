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
      "Pmax: 12.5\nENSEMBLE_DENSITY: 2.9\nORIGIN_DOM1: -2.9\nCLASH_DISTANCE: 4.25\nBETA_H: 1e1\n"
      "END_RES_ANGLE_2: 3e9\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_FLOAT_EQ(r.info.grid.pMax, 12.5f);
  EXPECT_EQ(r.info.grid.ensembleDensity, 2);
  EXPECT_EQ(r.info.grid.originDom1, -2);
  EXPECT_FLOAT_EQ(r.info.grid.clashDistance, 4.25f);
  EXPECT_FLOAT_EQ(r.info.grid.betaH, 10.0f);
  EXPECT_EQ(r.info.grid.endResAngle2, 0);  // beyond an int
  EXPECT_EQ(r.info.grid.centerPivot, 1);   // untouched default

  // An unknown key is reported and reading goes on.
  r = readText("PMAX: 3\nALPHA_WIDTH: 90\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "Error: Wrong input parameter in auto file");
  EXPECT_FLOAT_EQ(r.info.grid.alphaWidth, 90.0f);
  EXPECT_FLOAT_EQ(r.info.grid.pMax, 10.0f);
}

TEST(Config, MalformedLinesFail) {
  const struct {
    const char* text;
    const char* line;
  } cases[] = {{"Pmax: 1\n\nBETA_L: 2\n", "\n"},
               {"Pmax: abc\n", "Pmax: abc\n"},
               {"Pmax:\n", "Pmax:\n"},
               {"Pmax: 1\nBETA_L:", "BETA_L:"}};
  for (const auto& c : cases) {
    ConfigRun r = readText(c.text);
    EXPECT_EQ(r.status, 1) << c.text;
    EXPECT_EQ(r.err,
              std::string("Error: Input data in auto file have wrong format\nLine:") + c.line);
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
