// The coupling-table comparison mode: the checked reports of the real program and its refusals.
#include <gtest/gtest.h>

#include <string>

#include "modes/modes.h"
#include "support/files.h"

namespace korva {
namespace {

using testing::sourcePath;

const std::string kMediumA = sourcePath("tests/data/2mjb-rdc-medium-a-n-h.tab");
const std::string kPf1 = sourcePath("tests/data/2mjb-rdc-pf1-n-h.tab");

// The golden reports were checked by hand once: a python3 script paired the rows of
// tests/data/2mjb-rdc-medium-a-n-h.tab with those of 2mjb-rdc-pf1-n-h.tab by residue and atom
// names and confirmed that each report lists exactly the 60 shared couplings (28, 42 and 60 are
// missing from the pf1 set), with D_OBS the medium-a value, D the pf1 value (or the difference
// medium-a - pf1 for -sub -c1 1), D_DIFF = D_OBS - D, DI 0.00, DD 1 and W 1; the same script
// computed the statistics independently (see the report tests).
TEST(CompareDcRun, ReportsMatchTheCheckedGoldenFiles) {
  const struct {
    const char* options;
    const char* golden;
  } runs[] = {{"", "tests/golden/andc_medium_a_pf1_nh.tab"},
              {"-sub -c1 1", "tests/golden/andc_medium_a_pf1_nh_sub.tab"}};
  for (const auto& run : runs) {
    const std::string work = testing::makeTempDir();
    const testing::cmdResult r = testing::runKorvaCmd(
        "-anDC -inD1 '" + kMediumA + "' -inD2 '" + kPf1 + "' -outD out.tab " + run.options, "",
        work);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "REMARK 63 couplings selected (inclusive max).\n"
              "REMARK 60 couplings combined (inclusive max).\n");
    EXPECT_NE(r.err.find("2mjb-rdc-medium-a-n-h.tab, 63 Couplings, Residues 2 to 70.\n"),
              std::string::npos);
    EXPECT_EQ(testing::readFile(work + "/out.tab"), testing::readFile(sourcePath(run.golden)))
        << run.golden;
  }
}

TEST(CompareDcRun, UnreadableTableFailsWithItsName) {
  runParams p;
  p.info.mode = kModeCompareDC;
  testing::setField(p.inD1, kMediumA);
  testing::setField(p.inD2, "absent.tab");
  TextLog log;
  EXPECT_EQ(runCompareDC(p, log), 1);
  EXPECT_EQ(log.text().substr(log.text().find("Error reading")),
            "Error reading DC input absent.tab\n"
            "Matrix: error in comparison of order matrices.\n");
}

}  // namespace
}  // namespace korva
