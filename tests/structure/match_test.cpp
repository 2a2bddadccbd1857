// Exact, glob and regular-expression name matching.
#include "structure/match.h"

#include <gtest/gtest.h>

#include <string>

namespace korva {
namespace {

struct MatchCase {
  const char* name;
  const char* pattern;
  int expected;
};

TEST(StrMatchGlob, Corners) {
  const MatchCase cases[] = {
      {"CA", "C?", 1},       {"C", "C?", 0},      {"CA1", "C?", 0},  {"b", "[a-c]", 1},
      {"b", "[c-a]", 1},     {"d", "[c-a]", 0},   {"H*", "H\\*", 1}, {"HA", "H\\*", 0},
      {"H", "H\\", 0},       {"H\\", "H\\", 0},   {"", "", 1},       {"A", "", 0},
      {"", "*", 1},          {"CA", "*", 1},      {"HB2", "H*2", 1}, {"HB21", "H*2", 0},
      {"x", "[]x]", 0},      {"!", "[!a]", 1},    {"^", "[^a]", 1},  {"b", "[^a]", 0},
      {"a", "[ab", 1},       {"ab", "[ab", 0},    {"c", "[ab", 0},   {"1HB", "[1-3]H*", 1},
      {"4HB", "[1-3]H*", 0}, {"-", "[a-]", 1},    {"CA", "ca", 0},   {"", "?", 0},
      {"aXbYc", "a*b*c", 1}, {"abc", "a*b*d", 0},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(strMatchGlob(c.name, c.pattern), c.expected) << c.name << " ~ " << c.pattern;
    EXPECT_EQ(strMatch(c.name, c.pattern, 3, 1), c.expected);
  }
}

TEST(StrMatchRegex, SyntaxAndBacktracking) {
  const MatchCase cases[] = {
      {"C", "^C$", 1},         {"CA", "^C$", 0},
      {"CA", "C|N", 1},        {"ND2", "C|N", 1},
      {"O", "C|N", 0},         {"HCA1", "CA", 1},
      {"x", "(", 0},           {"b", "[b-a]", 0},
      {"aaab", "a*b", 1},      {"ab", "^a+b$", 1},
      {"b", "^a+b$", 0},       {"aaa", "^a*a$", 1},
      {"abab", "^(ab)+$", 1},  {"aba", "^(ab)+$", 0},
      {"a.c", "a\\.c", 1},     {"abc", "a\\.c", 0},
      {"abc", "a.c", 1},       {"]", "[]]", 1},
      {"-", "[-a]", 1},        {"x", "[^abc]", 1},
      {"a", "[^abc]", 0},      {"-", "[a-]", 1},
      {"c", "[a-c]", 1},       {"HB", "^H[0-9]?B", 1},
      {"H1B", "^H[0-9]?B", 1}, {"H12B", "^H[0-9]?B", 0},
      {"", "^$", 1},           {"x", "", 1},
      {"xay", "(a|b)$", 0},    {"xab", "x(a|b)(b|c)$", 1},
      {"CA", "c", 0},          {"C", "((C))", 1},
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(strMatchRegex(c.name, c.pattern), c.expected) << c.name << " ~ " << c.pattern;
    EXPECT_EQ(strMatch(c.name, c.pattern, 2, 1), c.expected);
  }
}

TEST(StrRegComp, ErrorTexts) {
  const std::string tooBig(10000, 'a');  // four bytes per literal: 40000 >= 32767
  struct {
    const char* pattern;
    const char* error;
  } cases[] = {
      {"(", "unmatched ()"},
      {"(a|b", "unmatched ()"},
      {"((((((((((a))))))))))", "too many ()"},
      {"(a*)*", "*+ operand could be empty"},
      {"a**", "nested *?+"},
      {"*a", "?+* follows nothing"},
      {"a\\", "trailing \\"},
      {"[c-a]", "invalid [] range"},
      {"[abc", "unmatched []"},
      {tooBig.c_str(), "Regexp too big"},
      {nullptr, "NULL argument"},
  };
  for (const auto& c : cases) {
    strRegex prog{};
    EXPECT_EQ(strRegComp(c.pattern, &prog), 1) << (c.pattern ? c.pattern : "(null)");
    EXPECT_STREQ(prog.error, c.error);
    EXPECT_EQ(strRegExec(&prog, "a"), 0);  // a failed pattern matches nothing
  }
  strRegex prog{};
  EXPECT_EQ(strRegComp("(((((((((a)))))))))", &prog), 0);  // nine groups are allowed
  EXPECT_STREQ(prog.error, "");
  EXPECT_EQ(strRegExec(&prog, "xa"), 1);
  EXPECT_EQ(strRegComp(std::string(8000, 'a').c_str(), &prog), 0);
}

// Patterns that a backtracking matcher takes exponential time on (a?^n a^n against a^n, runs of
// stars before a missing letter) are decided by counting: the first needs n letters, which the
// name has; the second needs an x. Their speed is measured in bench/match_bench.cpp.
TEST(StrMatch, PathologicalPatternsAreDecided) {
  std::string optional, letters, stars;
  for (int i = 0; i < 60; i++) optional += "a?";
  letters = std::string(60, 'a');
  for (int i = 0; i < 80; i++) stars += "a*";
  EXPECT_EQ(strMatchRegex(letters.c_str(), ("^" + optional + letters + "$").c_str()), 1);
  EXPECT_EQ(strMatchRegex(letters.substr(1).c_str(), ("^" + optional + letters + "$").c_str()), 0);
  EXPECT_EQ(strMatchGlob(std::string(200, 'a').c_str(), (stars + "x").c_str()), 0);
  EXPECT_EQ(strMatchGlob((std::string(200, 'a') + "x").c_str(), (stars + "x").c_str()), 1);
}

TEST(PatternError, ReasonsPerMode) {
  const struct {
    const char* pattern;
    int mode;
    const char* error;  // nullptr: usable
  } cases[] = {
      {"(", 2, "unmatched ()"},   {"a**", 2, "nested *?+"},  {"C[AB]?", 2, nullptr},
      {"[AB", 3, "unmatched []"}, {"H\\", 3, "trailing \\"}, {"[]x]", 3, nullptr},
      {"H\\*", 3, nullptr},       {"(", 3, nullptr},         {"[AB", 1, nullptr},
  };
  for (const auto& c : cases) {
    const char* error = patternError(c.pattern, c.mode);
    EXPECT_STREQ(error == nullptr ? "" : error, c.error == nullptr ? "" : c.error) << c.pattern;
  }
}

TEST(StrMatch, ModesAndCase) {
  const struct {
    const char* name;
    const char* pattern;
    int mode, caseFlag, expected;
  } cases[] = {{"CA", "CA", 1, 1, 1},   {"CA", "ca", 1, 1, 0}, {"CA", "ca", 1, 0, 1},
               {"CA", "c", 1, 0, 0},    {"CA", "CA", 0, 1, 0}, {"CA", "CA", 4, 1, 0},
               {nullptr, "CA", 1, 1, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(strMatch(c.name, c.pattern, c.mode, c.caseFlag), c.expected) << c.pattern << c.mode;
  }
}

}  // namespace
}  // namespace korva
