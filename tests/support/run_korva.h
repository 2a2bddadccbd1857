// Runs the real korva binary and collects its standard output, standard error and exit status.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace korva::testing {

struct cmdResult {
  int status;       // exit status
  std::string out;  // standard output
  std::string err;  // standard error
};

inline std::string readFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A fresh empty directory under /tmp for one test.
inline std::string makeTempDir() {
  char tmpl[] = "/tmp/korva_test_XXXXXX";
  const char* d = mkdtemp(tmpl);
  return d ? std::string(d) : std::string("/tmp");
}

// Path of a file in the source tree, e.g. sourcePath("tests/data/help.txt").
inline std::string sourcePath(const std::string& rel) {
  return std::string(KORVA_SOURCE_DIR) + "/" + rel;
}

// Runs korva with the given argument text (shell words) in directory dir, with env prefixed
// (for example "DUVARUDU=ALL"); DUVARUDU is removed from the environment unless env sets it.
inline cmdResult runKorvaCmd(const std::string& args, const std::string& env = "",
                             const std::string& dir = "") {
  std::string work = dir.empty() ? makeTempDir() : dir;
  std::string out = work + "/.stdout";
  std::string err = work + "/.stderr";
  std::string cmd = "cd '" + work + "' && env -u DUVARUDU " + env + " '" + KORVA_BIN + "' " + args +
                    " > '" + out + "' 2> '" + err + "' < /dev/null";
  int raw = std::system(cmd.c_str());
  cmdResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readFileText(out);
  r.err = readFileText(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

// Copies text into a fixed name field of the run parameters (cut to fit).
template <size_t N>
void setField(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

// The last line of a text (without its newline).
inline std::string lastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  size_t p = t.rfind('\n');
  return p == std::string::npos ? t : t.substr(p + 1);
}

}  // namespace korva::testing
