// Argument toolkit: flag rules, lookups, and the unused-argument report.
#include "core/args.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/alloc.h"

namespace korva {
namespace {

// A mutable argv built from words.
struct Argv {
  std::vector<std::string> words;
  std::vector<char*> ptrs;
  explicit Argv(std::vector<std::string> w) : words(std::move(w)) {
    for (auto& s : words) ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words.size()); }
  char** argv() { return ptrs.data(); }
};

// Runs initArgs with the given DUVARUDU value (nullptr: unset), the lookups, then checkArgs;
// returns what checkArgs printed.
template <class Lookups>
std::string reportFor(const char* env, Argv& a, Lookups lookups, int* count = nullptr) {
  if (env) {
    setenv("DUVARUDU", env, 1);
  } else {
    unsetenv("DUVARUDU");
  }
  initArgs(a.argc(), a.argv(), 4);
  lookups();
  ::testing::internal::CaptureStderr();
  int n = checkArgs(a.argc(), a.argv());
  std::string text = ::testing::internal::GetCapturedStderr();
  if (count) *count = n;
  unsetenv("DUVARUDU");
  return text;
}

TEST(Args, FlagAndBlankRules) {
  const struct {
    const char* text;
    int flag;
  } flags[] = {{"-pdb", 1}, {"-0.5", 0}, {"-3", 0}, {"-.2", 0}, {"-", 1},
               {"pdb", 0},  {"", 0},     {"-e", 1}, {"--x", 1}};
  for (const auto& f : flags) EXPECT_EQ(isFlag(f.text), f.flag) << f.text;
  EXPECT_EQ(isFlag(nullptr), 0);
  EXPECT_EQ(isBlank(nullptr), 1);
  EXPECT_EQ(isBlank(""), 1);
  EXPECT_EQ(isBlank(" \t\n"), 1);
  EXPECT_EQ(isBlank(" a "), 0);
}

TEST(Args, ChecksumIsSumOfSignedCharacters) {
  Argv a({"ab", "\xff", "c"});  // 97 + 98 - 1 + 99
  EXPECT_EQ(getArgvChecksum(a.argc(), a.argv()), 293);
  EXPECT_EQ(getArgvChecksum(0, a.argv()), 0);
}

TEST(Args, LookupsConvertAndFailAsDocumented) {
  Argv a(
      {"prog", "-n", " 42abc", "-x", "-0.5", "-s", "name", "-none", "xyz", "-neg", "-30", "-last"});
  initArgs(a.argc(), a.argv(), 0);
  EXPECT_EQ(intArg(a.argc(), a.argv(), "-n"), 42);  // strtol: trailing text ignored
  EXPECT_EQ(getBadFlag(), 0);
  EXPECT_EQ(intArg(a.argc(), a.argv(), "-none"), 0);  // no digits
  EXPECT_EQ(getBadFlag(), 0);
  EXPECT_FLOAT_EQ(fltArg(a.argc(), a.argv(), "-x"), -0.5f);
  EXPECT_EQ(intArg(a.argc(), a.argv(), "-neg"), -30);  // a negative number is a value
  EXPECT_STREQ(strArg(a.argc(), a.argv(), "-s"), "name");
  EXPECT_EQ(intArg(a.argc(), a.argv(), "-absent"), 0);
  EXPECT_EQ(getBadFlag(), 1);
  EXPECT_EQ(strArg(a.argc(), a.argv(), "-last"), nullptr);  // last argument: no value
  EXPECT_EQ(getBadFlag(), 1);
  int target = 7;
  EXPECT_EQ(intArgD(a.argc(), a.argv(), "-last", &target), 0);
  EXPECT_EQ(target, 7);
  EXPECT_EQ(flagLoc(a.argc(), a.argv(), "-s"), 5);
  EXPECT_EQ(nextFlag(a.argc(), a.argv(), 5), 7);
  EXPECT_EQ(nextFlag(a.argc(), a.argv(), 11), 12);
  EXPECT_EQ(getNthArg(a.argc(), a.argv(), 12), nullptr);
  EXPECT_EQ(getNthArg(a.argc(), a.argv(), -1), nullptr);
  nullArgs();
}

TEST(Args, ValueIsTakenEvenWhenItIsAFlag) {
  Argv a({"prog", "-dot", "-H"});
  initArgs(a.argc(), a.argv(), 0);
  EXPECT_EQ(intArg(a.argc(), a.argv(), "-dot"), 0);
  EXPECT_EQ(getBadFlag(), 0);
  nullArgs();
}

TEST(Args, ListLookupStopsAtNextFlag) {
  Argv a({"prog", "-w", "1", "-2.5", ".5", "-pdb", "x", "-empty", "-q"});
  initArgs(a.argc(), a.argv(), 0);
  int n = 0;
  float* w = rListArg(a.argc(), a.argv(), "-w", &n);
  ASSERT_EQ(n, 3);
  EXPECT_FLOAT_EQ(w[0], 1.0f);
  EXPECT_FLOAT_EQ(w[1], -2.5f);
  EXPECT_FLOAT_EQ(w[2], 0.5f);
  unAlloc("listArg", w, 3 * sizeof(float));
  EXPECT_EQ(rListArg(a.argc(), a.argv(), "-empty", &n), nullptr);
  EXPECT_EQ(n, 0);
  nullArgs();
}

TEST(Args, OverlongStringIsRefused) {
  std::string longName(300, 'a');
  Argv a({"prog", "-pdb", longName, "-ok", std::string(255, 'b')});
  initArgs(a.argc(), a.argv(), 0);
  char target[kArgStrLen] = "keep";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(strArgD(a.argc(), a.argv(), "-pdb", target), 0);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_STREQ(target, "keep");
  EXPECT_EQ(argsOverflowed(), 1);
  EXPECT_NE(err.find("-pdb"), std::string::npos);
  EXPECT_EQ(strArgD(a.argc(), a.argv(), "-ok", target), 1);  // 255 characters fit exactly
  EXPECT_EQ(std::string(target).size(), 255u);
  initArgs(a.argc(), a.argv(), 0);
  EXPECT_EQ(argsOverflowed(), 0);
  nullArgs();
}

TEST(ArgsReport, NothingWithoutEnvironment) {
  Argv a({"prog", "-unknown", "5"});
  int n = -1;
  EXPECT_EQ(reportFor(
                nullptr, a, [] {}, &n),
            "");
  EXPECT_EQ(n, 0);
}

TEST(ArgsReport, ModesGroupUnusedArguments) {
  // Positions: 1 -a 2 1 3 -zz 4 v 5 -yy 6 w 7 -a 8 2
  Argv a({"prog", "-a", "1", "-zz", "v", "-yy", "w", "-a", "2"});
  auto lookups = [&] { intArg(a.argc(), a.argv(), "-a"); };

  int n = 0;
  std::string all = reportFor("all", a, lookups, &n);
  EXPECT_EQ(
      all,
      "Warning from prog:\n  Arguments 3 to 8 may be unknown or unused:\n  ' -zz v -yy w -a 2 '\n");
  EXPECT_EQ(n, 1);

  std::string flags = reportFor("FLAGS", a, lookups, &n);
  EXPECT_EQ(flags,
            "Warning from prog:\n  Argument 3 may be unknown or unused:\n  ' -zz '\n"
            "Warning from prog:\n  Argument 5 may be unknown or unused:\n  ' -yy '\n"
            "Warning from prog:\n  Argument 7 may be unknown or unused:\n  ' -a '\n");
  EXPECT_EQ(n, 3);

  // Any other value means all.
  EXPECT_EQ(reportFor("yes", a, lookups), all);
}

TEST(ArgsReport, ScanSkipsThePositionAfterAGroup) {
  // 1 x (unused) 2 -k (used) 3 y (unused) 4 z (unused)
  Argv a({"prog", "x", "-k", "y", "z"});
  std::string text = reportFor("ALL", a, [&] { flagLoc(a.argc(), a.argv(), "-k"); });
  EXPECT_EQ(text,
            "Warning from prog:\n  Argument 1 may be unknown or unused:\n  ' x '\n"
            "Warning from prog:\n  Arguments 3 to 4 may be unknown or unused:\n  ' y z '\n");
}

TEST(ArgsReport, BlankArgumentsAreNeverReported) {
  Argv a({"prog", "", "  ", "-k"});
  std::string text = reportFor("ALL", a, [&] { flagLoc(a.argc(), a.argv(), "-k"); });
  EXPECT_EQ(text, "");
}

TEST(ArgsReport, DebugListsEveryPosition) {
  Argv a({"prog", "-k", "v"});
  std::string text = reportFor("debug", a, [&] { flagLoc(a.argc(), a.argv(), "-k"); });
  EXPECT_EQ(text, "Debug Info from prog. Original Checksum: " +
                      std::to_string(getArgvChecksum(a.argc(), a.argv())) +
                      " Final Checksum: " + std::to_string(getArgvChecksum(a.argc(), a.argv())) +
                      ".\n"
                      "  0. 1   4 Characters: 'prog'\n"
                      "  1. 1   2 Characters: '-k'\n"
                      "  2. 0   1 Characters: 'v'\n"
                      "Warning from prog:\n  Argument 2 may be unknown or unused:\n  ' v '\n");
}

TEST(ArgsReport, ChangedArgumentsAreWarned) {
  Argv a({"prog", "-k"});
  std::string text = reportFor("ALL", a, [&] {
    flagLoc(a.argc(), a.argv(), "-k");
    a.words[1][1] = 'j';
  });
  EXPECT_EQ(text, "Warning from prog: argument checking may not be valid.\n");
}

}  // namespace
}  // namespace korva
