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
  EXPECT_EQ(r.out,
            testing::readFile(testing::sourcePath("tests/golden/compare_saupe_add.out")));
}

// -max takes the tensor of larger magnitude, (5e-4, 0, 9e-4, 0, 0) here although its Szz is
// smaller; -div by a tensor with a zero element is refused.
TEST(CompareSaupeRun, ResultTensorAndRefusal) {
  const struct {
    int action;
    double s1[5], s2[5];
    int status;
    float result[5];
  } cases[] = {
      {kActionMax, {1e-3, 0, 0, 0, 0}, {5e-4, 0, 9e-4, 0, 0}, 0, {5e-4f, 0, 9e-4f, 0, 0}},
      {kActionSub,
       {1e-3, 2e-4, 3e-4, -1e-4, 5e-5},
       {5e-4, 1e-4, 0, 0, 2e-4},
       0,
       {5e-4f, 1e-4f, 3e-4f, -1e-4f, -1.5e-4f}},
      {kActionDiv, {1e-3, 2e-4, 3e-4, -1e-4, 5e-5}, {5e-4, 1e-4, 0, 1e-4, 2e-4}, 1, {}},
  };
  for (const auto& c : cases) {
    runParams p;
    p.info.mode = kModeCompareSaupe;
    p.info.action = c.action;
    p.info.c1 = p.info.c2 = 1.0f;
    for (int k = 0; k < 5; k++) p.saupeCp1[k] = c.s1[k], p.saupeCp2[k] = c.s2[k];
    testing::setField(p.outA, "/dev/null");
    TextLog log;
    EXPECT_EQ(runCompareSaupe(p, log), c.status);
    if (c.status != 0) {
      EXPECT_EQ(testing::lastLine(log.text()), "Matrix: error in comparison of order matrices.");
      continue;
    }
    for (int k = 0; k < 5; k++) EXPECT_FLOAT_EQ(p.tensor.saupe[k], c.result[k]) << k;
    EXPECT_EQ(p.tensor.nEuler, 2);  // a general rotation has two angle triples
  }
}

}  // namespace
}  // namespace korva
