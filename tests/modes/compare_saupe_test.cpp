// The Saupe-matrix comparison mode: the checked report of the real program and its outcomes.
#include <gtest/gtest.h>

#include <string>

#include "modes/modes.h"
#include "support/files.h"

namespace korva {
namespace {

// Golden check, done once by hand: the result line is the element sum; coll = 0.87563 and
// angle 28.88 agree with a python3 evaluation of the normalised Frobenius inner product; the
// result's Da = Azz / 2 = 1.5280e-03 / 2 and Dr = (Axx - Ayy) / 3 = (-4.1565e-04 + 1.1124e-03) / 3
// come from its own eigenvalue line, with two angle solutions.
TEST(CompareSaupeRun, ReportMatchesTheCheckedGolden) {
  auto r =
      testing::runKorvaCmd("-anA -inS1 1e-3 2e-4 3e-4 -1e-4 5e-5 -inS2 5e-4 1e-4 0 0 2e-4 -add");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, testing::readFile(testing::sourcePath("tests/golden/compare_saupe_add.out")));
}

// The mode stores the combined tensor with its analysis, and refuses a division by a tensor with
// a zero element (the arithmetic itself is tested with the comparison).
TEST(CompareSaupeRun, ResultTensorAndRefusal) {
  for (int action : {kActionSub, kActionDiv}) {
    runParams p;
    p.info.mode = kModeCompareSaupe;
    p.info.action = action;
    p.info.c1 = p.info.c2 = 1.0f;
    const double s1[5] = {1e-3, 2e-4, 3e-4, -1e-4, 5e-5}, s2[5] = {5e-4, 1e-4, 0, 0, 2e-4};
    for (int k = 0; k < 5; k++) p.saupeCp1[k] = s1[k], p.saupeCp2[k] = s2[k];
    testing::setField(p.outA, "/dev/null");
    TextLog log;
    EXPECT_EQ(runCompareSaupe(p, log), action == kActionDiv ? 1 : 0);
    if (action == kActionDiv) {
      EXPECT_EQ(testing::lastLine(log.text()), "Matrix: error in comparison of order matrices.");
      continue;
    }
    for (int k = 0; k < 5; k++) EXPECT_FLOAT_EQ(p.tensor.saupe[k], s1[k] - s2[k]) << k;
    EXPECT_EQ(p.tensor.nEuler, 2);  // a general rotation has two angle triples
  }
}

}  // namespace
}  // namespace korva
