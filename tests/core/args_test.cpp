// Argument toolkit: flag rules, lookups, and the unused-argument report.
#include "core/args.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

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

TEST(Args, FlagAndBlankRules) {
  const struct {
    const char* text;
    int flag;
  } flags[] = {{"-pdb", 1}, {"-0.5", 0}, {"-3", 0}, {"-.2", 0}, {"-", 1},
               {"pdb", 0},  {"", 0},     {"-e", 1}, {"--x", 1}, {nullptr, 0}};
  for (const auto& f : flags) EXPECT_EQ(isFlag(f.text), f.flag) << (f.text ? f.text : "null");
  EXPECT_EQ(isBlank(nullptr), 1);
  EXPECT_EQ(isBlank(" \t\n"), 1);
  EXPECT_EQ(isBlank(" a "), 0);
  Argv a({"ab", "\xff", "c"});  // 97 + 98 - 1 + 99
  EXPECT_EQ(getArgvChecksum(a.argc(), a.argv()), 293);
  EXPECT_EQ(getArgvChecksum(0, a.argv()), 0);
}

TEST(Args, LookupsConvertAndFailAsDocumented) {
  Argv a({"prog", "-n", " 42abc", "-x", "-0.5", "-s", "name", "-none", "xyz", "-neg", "-30", "-dot",
          "-H", "-last"});
  argList args(a.argc(), a.argv(), 0, nullLog());
  EXPECT_EQ(args.intArg("-n"), 42);  // strtol: trailing text ignored
  EXPECT_EQ(args.badFlag(), 0);
  EXPECT_EQ(args.intArg("-none"), 0);  // no digits, but a value
  EXPECT_EQ(args.badFlag(), 0);
  EXPECT_FLOAT_EQ(args.fltArg("-x"), -0.5f);
  EXPECT_EQ(args.intArg("-neg"), -30);  // a negative number is a value
  EXPECT_EQ(args.intArg("-dot"), 0);    // the next word is the value even when it is a flag
  EXPECT_EQ(args.badFlag(), 0);
  EXPECT_STREQ(args.strArg("-s"), "name");
  EXPECT_EQ(args.intArg("-absent"), 0);
  EXPECT_EQ(args.badFlag(), 1);
  EXPECT_EQ(args.strArg("-last"), nullptr);  // last argument: no value
  EXPECT_EQ(args.badFlag(), 1);
  int target = 7;
  float ftarget = 2.0f;
  EXPECT_EQ(args.intArgD("-last", &target), 0);
  EXPECT_EQ(args.fltArgD("-absent", &ftarget), 0);
  EXPECT_EQ(args.intArgD("-neg", &target), 1);
  EXPECT_EQ(target, -30);
  EXPECT_EQ(ftarget, 2.0f);
  EXPECT_EQ(args.flagLoc("-s"), 5);
  EXPECT_EQ(args.nextFlag(5), 7);
  EXPECT_EQ(args.nextFlag(12), 13);
  EXPECT_EQ(args.nextFlag(13), 14);
  EXPECT_EQ(args.nthArg(14), nullptr);
  EXPECT_EQ(args.nthArg(-1), nullptr);
}

TEST(Args, ListLookups) {
  Argv a({"prog", "-w", "1", "-2.5", ".5", "-pdb", "x", "-empty", "-q", "-five", "1", "2e-3", "x",
          "-e"});
  argList args(a.argc(), a.argv(), 0, nullLog());
  tvector<float> w = args.rListArg("-w");
  ASSERT_EQ(w.size(), 3u);
  EXPECT_EQ(w[0], 1.0f);
  EXPECT_EQ(w[1], -2.5f);
  EXPECT_EQ(w[2], 0.5f);
  EXPECT_TRUE(args.rListArg("-empty").empty());
  EXPECT_TRUE(args.rListArg("-absent").empty());

  double out[3] = {7, 7, 7};
  TextLog log;
  argList args2(a.argc(), a.argv(), 0, log);
  EXPECT_EQ(args2.fixedListArg(9, 2, out), 1);  // three words follow
  EXPECT_EQ(out[0], 7.0);
  EXPECT_EQ(args2.fixedListArg(9, 3, out), 2);
  EXPECT_EQ(log.text(), "VANTRO Error: -five value 'x' is not a number.\n");
  EXPECT_EQ(args2.fixedListArg(1, 3, out), 0);
  EXPECT_EQ(out[1], -2.5);
}

TEST(Args, OverlongStringIsRefused) {
  Argv a({"prog", "-pdb", std::string(300, 'a'), "-ok", std::string(255, 'b')});
  TextLog log;
  argList args(a.argc(), a.argv(), 0, log);
  char target[kArgStrLen] = "keep";
  EXPECT_EQ(args.strArgD("-pdb", target), 0);
  EXPECT_STREQ(target, "keep");
  EXPECT_EQ(args.overflowed(), 1);
  EXPECT_EQ(log.text(), "VANTRO Error: value of -pdb is longer than 255 characters.\n");
  EXPECT_EQ(args.strArgD("-ok", target), 1);  // 255 characters fit exactly
  EXPECT_EQ(std::string(target).size(), 255u);
  const char* p = nullptr;
  EXPECT_EQ(args.ptrArgD("-pdb", &p), 1);  // the pointer lookup takes any length
  EXPECT_EQ(std::string(p).size(), 300u);
}

// Runs the lookups on a fresh argList with DUVARUDU set to env (nullptr: unset) and returns what
// check() reported.
template <class Lookups>
std::string reportFor(const char* env, Argv& a, Lookups lookups, int* count = nullptr) {
  if (env) {
    setenv("DUVARUDU", env, 1);
  } else {
    unsetenv("DUVARUDU");
  }
  TextLog log;
  argList args(a.argc(), a.argv(), 4, log);
  unsetenv("DUVARUDU");
  lookups(args);
  const int n = args.check();
  if (count) *count = n;
  return log.text();
}

TEST(ArgsReport, CornersOfTheScan) {
  auto flagK = [](argList& args) { (void)args.flagLoc("-k"); };
  const struct {
    std::vector<std::string> words;
    const char* env;
    std::string expected;
  } cases[] = {
      // The scan skips the used position after a group.
      {{"prog", "x", "-k", "y", "z"},
       "ALL",
       "Warning from prog:\n  Argument 1 may be unknown or unused:\n  ' x '\n"
       "Warning from prog:\n  Arguments 3 to 4 may be unknown or unused:\n  ' y z '\n"},
      {{"prog", "", "  ", "-k"}, "ALL", ""},  // blank arguments are never reported
      {{"prog", "-k", "-help"},
       "FLAGS",
       "Program prog, argument checking enabled.\n"
       "Warning from prog:\n  Argument 2 may be unknown or unused:\n  ' -help '\n"},
      // Checksum of "prog" 112+114+111+103 = 440, "-k" 45+107 = 152, "v" 118: 710.
      {{"prog", "-k", "v"},
       "debug",
       "Debug Info from prog. Original Checksum: 710 Final Checksum: 710.\n"
       "  0. 1   4 Characters: 'prog'\n"
       "  1. 1   2 Characters: '-k'\n"
       "  2. 0   1 Characters: 'v'\n"
       "Warning from prog:\n  Argument 2 may be unknown or unused:\n  ' v '\n"},
  };
  for (const auto& c : cases) {
    Argv a(c.words);
    EXPECT_EQ(reportFor(c.env, a, flagK), c.expected) << c.words[1];
  }
  Argv changed({"prog", "-k"});
  EXPECT_EQ(reportFor("ALL", changed,
                      [&](argList& args) {
                        (void)args.flagLoc("-k");
                        changed.words[1][1] = 'j';
                      }),
            "Warning from prog: argument checking may not be valid.\n");
}

}  // namespace
}  // namespace korva
