// Run parameters: option override orders, five-value options, selection and tensor options, and
// the help text against the text transcribed into tests/data/help.txt.
#include "cli/params.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_korva.h"

namespace korva {
namespace {

struct Parsed {
  korvaInfo info;
  dcInfo dc;
  dTensor tensor;
  struct pdbSelect select;
  runArgs args;
  int status;
  std::string err;
};

// Parses a command line given as words after the program name.
Parsed parse(const std::string& line) {
  std::vector<std::string> words{"korva"};
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Parsed p;
  korvaInfoNull(&p.info);
  dcInfoNull(&p.dc);
  dTensorNull(&p.tensor);
  pdbSelectNull(&p.select);
  runArgsNull(&p.args);
  initArgs(static_cast<int>(words.size()), argv.data(), 0);
  ::testing::internal::CaptureStderr();
  p.status = getparams(static_cast<int>(words.size()), argv.data(), &p.info, &p.dc, &p.tensor,
                       &p.select, &p.args);
  p.err = ::testing::internal::GetCapturedStderr();
  runArgsFree(&p.args);
  nullArgs();
  return p;
}

TEST(Params, ModeOptionsLastOfLookupOrderWins) {
  const struct {
    const char* line;
    int mode;
  } cases[] = {
      {"-pdb x", 1}, {"-stKorvaFree", 2},   {"-bestFit", 7},    {"-anDC", 11},
      {"-anA", 12},  {"-anA -bestFit", 12}, {"-anDC -anA", 11}, {"-stKorvaFree -stKorva", 2}};
  for (const auto& c : cases) EXPECT_EQ(parse(c.line).info.mode, c.mode) << c.line;
}

TEST(Params, ActionAndScaleFollowModeThenOptions) {
  Parsed a = parse("-anA");
  EXPECT_EQ(a.info.action, kActionSub);
  EXPECT_FLOAT_EQ(a.info.c1, 1.0f);
  Parsed dc = parse("-anDC");
  EXPECT_EQ(dc.info.action, kActionAdd);
  EXPECT_FLOAT_EQ(dc.info.c1, 0.0f);
  EXPECT_FLOAT_EQ(dc.info.c2, 1.0f);
  Parsed sub = parse("-anDC -sub -c1 1");
  EXPECT_EQ(sub.info.action, kActionSub);
  EXPECT_FLOAT_EQ(sub.info.c1, 1.0f);
  EXPECT_EQ(parse("-anA -max -add").info.action, kActionMax);  // -max is looked up last
}

TEST(Params, MediumModelAndRadius) {
  Parsed wall = parse("-pdb x");
  EXPECT_EQ(wall.info.lcModel, kModelWall);
  EXPECT_FLOAT_EQ(wall.info.rM, 20.0f);
  Parsed rod = parse("-pf1");
  EXPECT_EQ(rod.info.lcModel, kModelRod);
  EXPECT_FLOAT_EQ(rod.info.rM, 33.5f);
  Parsed both = parse("-pf1 -bic");
  EXPECT_EQ(both.info.lcModel, kModelRod);
  EXPECT_FLOAT_EQ(parse("-rM 10 -pf1").info.rM, 10.0f);  // -rM overrides the model's radius
}

TEST(Params, SecondOfEachPairWins) {
  EXPECT_EQ(parse("-H").info.useH, 1);
  EXPECT_EQ(parse("-noH -H").info.useH, 0);
  EXPECT_EQ(parse("-nosurf").info.surf, 0);
  EXPECT_EQ(parse("-nosurf -surf").info.surf, 0);
}

TEST(Params, SegmentAndFileOverrides) {
  Parsed p = parse("-s1 5 -d1 3 -dN 40 -a1 7 -in a.tab -inD b.tab -out c -outD d -excl");
  EXPECT_EQ(p.dc.s1, 5);
  EXPECT_EQ(p.dc.sN, 40);
  EXPECT_EQ(p.dc.a1, 7);
  EXPECT_EQ(p.dc.rangeMode, 1);
  EXPECT_STREQ(p.args.inD, "b.tab");
  EXPECT_STREQ(p.args.outD, "d");
  EXPECT_STREQ(parse("-in a.tab").args.inD, "a.tab");
  EXPECT_EQ(parse("-inc").dc.rangeMode, 2);
  EXPECT_EQ(parse("-pdb x").dc.rangeMode, 3);
  EXPECT_EQ(parse("-pdb x").dc.s1, kResUnset);
  EXPECT_STREQ(parse("-pdb x").args.aD1, "All");
}

TEST(Params, OptionalNumbersOfDebugAndVerbosity) {
  EXPECT_EQ(parse("-pdb x -dbg").args.dbgFlag, 1);
  EXPECT_EQ(parse("-dbg 3").args.dbgFlag, 3);
  EXPECT_EQ(parse("-dbg -pdb x").args.dbgFlag, 1);
  EXPECT_EQ(parse("-noverb").info.verbose, 0);
  EXPECT_EQ(parse("-noverb 2").info.verbose, 2);
  EXPECT_EQ(parse("-pdb x").info.verbose, 1);
}

TEST(Params, FiveValueOptions) {
  Parsed ok = parse("-anA -inS1 1e-4 -2e-4 0 0 0 -inS2 1 2 3 4 5");
  EXPECT_EQ(ok.status, 0);
  EXPECT_DOUBLE_EQ(ok.args.saupeCp1[1], -2e-4);
  EXPECT_DOUBLE_EQ(ok.args.saupeCp2[4], 5.0);
  Parsed four = parse("-anA -inS1 1 2 3 4");
  EXPECT_EQ(four.status, 1);
  EXPECT_EQ(four.err, "VANTRO Error: -inS1 option requires 5 values.\n");
  Parsed six = parse("-anA -inS2 1 2 3 4 5 6");
  EXPECT_EQ(six.err, "VANTRO Error: -inS2 option requires 5 values.\n");
  Parsed saupe = parse("-bestFit -saupe 1 2 3 4");
  EXPECT_EQ(saupe.status, 1);
  EXPECT_EQ(saupe.err, "VANTRO Error: -saupe option requires 5 values.\n");
  Parsed align = parse("-bestFit -align 1e-3 0 0 0 -1e-3");
  EXPECT_EQ(align.status, 0);
  EXPECT_EQ(align.tensor.tensorMode, kTensorSaupe);
  EXPECT_FLOAT_EQ(align.tensor.saupeIn[4], -1e-3f);
}

TEST(Params, FiveValueListsRejectWordsThatAreNotNumbers) {
  Parsed saupe = parse("-bestFit -saupe 1e-3 abc 0 0 0");
  EXPECT_EQ(saupe.status, 1);
  EXPECT_EQ(saupe.err, "VANTRO Error: -saupe value 'abc' is not a number.\n");
  Parsed s1 = parse("-anA -inS1 1 2 3 4 5x");
  EXPECT_EQ(s1.status, 1);
  EXPECT_EQ(s1.err, "VANTRO Error: -inS1 value '5x' is not a number.\n");
}

TEST(Params, TensorOptionRules) {
  Parsed da = parse("-bestFit -da 2e-3");
  EXPECT_EQ(da.tensor.tensorMode, kTensorDaDr);
  EXPECT_FLOAT_EQ(da.tensor.daMin, 2e-3f);
  EXPECT_FLOAT_EQ(da.tensor.daMax, 2e-3f);
  EXPECT_FLOAT_EQ(da.tensor.drMin, 1e-4f);
  EXPECT_FLOAT_EQ(da.tensor.drMax, 1e-4f);
  Parsed fixed = parse("-fixed -psi 10 -theta 20 -phi 30 -phiMax 90");
  EXPECT_EQ(fixed.tensor.tensorMode, kTensorFixed);
  EXPECT_FLOAT_EQ(fixed.tensor.psiMin, 10.0f);
  EXPECT_FLOAT_EQ(fixed.tensor.thetaMax, 20.0f);
  EXPECT_FLOAT_EQ(fixed.tensor.phiMin, 30.0f);
  EXPECT_FLOAT_EQ(fixed.tensor.phiMax, 90.0f);  // explicit bounds come after fixing
  Parsed order = parse("-dadr -svd -nofixed");
  EXPECT_EQ(order.tensor.tensorMode, kTensorDaDr);  // -dadr is looked up last
  EXPECT_EQ(parse("-nofixed -da 1e-3").tensor.tensorMode, kTensorNoFixed);
  Parsed euler = parse("-noeuler -euler");
  EXPECT_EQ(euler.tensor.eulerFlag, 0);
  EXPECT_EQ(euler.info.euler, 0);
  Parsed bounds = parse("-dadr -da 1e-3 -daMin -5e-3");
  EXPECT_FLOAT_EQ(bounds.tensor.daMin, -5e-3f);
  EXPECT_FLOAT_EQ(bounds.tensor.daMax, 1e-3f);
}

TEST(Params, SelectionOptionRules) {
  Parsed def = parse("-pdb x");
  EXPECT_EQ(def.select.mode, kSelSet);
  EXPECT_EQ(def.select.atomMode, kMatchNone);  // "*" switches matching off
  Parsed res = parse("-res 5");
  EXPECT_EQ(res.select.mode, kSelCriteria);
  EXPECT_EQ(res.select.firstRes, 5);
  EXPECT_EQ(res.select.lastRes, 5);
  Parsed swapped = parse("-r1 10 -rN 5");
  EXPECT_EQ(swapped.select.firstRes, 5);
  EXPECT_EQ(swapped.select.lastRes, 10);
  EXPECT_EQ(parse("-res *").select.rangeTest, 0);
  EXPECT_EQ(parse("-inv").select.mode, kSelInverted);
  EXPECT_EQ(parse("-inv -atom CA").select.mode, kSelCriteria);
  EXPECT_EQ(parse("-clear -set").select.mode, kSelSet);
  EXPECT_EQ(parse("-clear").select.mode, kSelClear);
  Parsed mixed = parse("-atom CA -resName ALA -regex -aGlob");
  EXPECT_EQ(mixed.select.atomMode, kMatchGlob);
  EXPECT_EQ(mixed.select.resMode, kMatchRegex);
  EXPECT_EQ(mixed.select.chainMode, kMatchNone);  // chain list is still "*"
  Parsed ids = parse("-id 3 -atom N");
  EXPECT_EQ(ids.select.value, 3);
  EXPECT_EQ(ids.select.nAtomNames, 1);
}

TEST(Params, HelpTextMatchesTranscription) {
  Parsed p = parse("-help");
  EXPECT_EQ(p.status, 1);
  EXPECT_EQ(p.err, testing::readFileText(testing::sourcePath("tests/data/help.txt")));
}

TEST(Params, BannerLayout) {
  ::testing::internal::CaptureStderr();
  legalNotice();
  std::string b = ::testing::internal::GetCapturedStderr();
  std::string border = " *" + std::string(68, '-') + "* ";
  std::string title = " |" + std::string(15, ' ') + "KORVA";
  title += std::string(border.size() - 2 - title.size(), ' ') + "| ";
  EXPECT_EQ(b, "\n\n" + border + "\n" + title + "\n" + border + "\n\n\n");
}

TEST(Params, NegativeMapCountFailsTheParse) {
  Parsed p = parse("-bestFit -map -5");
  EXPECT_EQ(p.status, 1);
  EXPECT_EQ(p.err, "VANTRO Error: -map needs a step count of 0 or more.\n");
  EXPECT_EQ(parse("-bestFit -map 0").status, 0);
}

TEST(Params, OverlongFileNameFailsTheParse) {
  Parsed p = parse("-pdb " + std::string(400, 'x'));
  EXPECT_EQ(p.status, 1);
  EXPECT_STREQ(p.args.pdb, "");
}

}  // namespace
}  // namespace korva
