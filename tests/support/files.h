// Scratch files, source paths, PDB lines and runs of the real korva binary for the tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korva::testing {

// Whole content of a file ("" when it cannot be read).
inline std::string readFile(const std::string& path) {
  std::string out;
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) return out;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, fp)) > 0;) out.append(buf, n);
  std::fclose(fp);
  return out;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (fp == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
}

// A fresh empty directory under the system temporary directory.
inline std::string makeTempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "korva-test-XXXXXX").string();
  return mkdtemp(tmpl.data()) != nullptr ? tmpl : std::string("/tmp");
}

// A private temporary directory, removed with its files.
class TempDir {
 public:
  TempDir() : path_(makeTempDir()) {}
  ~TempDir() {
    std::error_code ec;
    if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Writes bytes to a file of this directory and returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    writeFile(path(name), bytes);
    return path(name);
  }
  std::string path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Path of a file in the source tree, e.g. sourcePath("tests/data/help.txt").
inline std::string sourcePath(const std::string& rel) {
  return std::string(KORVA_SOURCE_DIR) + "/" + rel;
}

// An ATOM line laid out by column: name4 fills columns 13-16, res4 columns 18-21, seg4 73-76.
inline std::string atomLine(int serial, const char* name4, char alt, const char* res4, char chain,
                            int resId, char iCode, double x, double y, double z,
                            const char* seg4 = "    ", const char* elem2 = "  ") {
  char buf[128];
  std::snprintf(buf, sizeof buf,
                "ATOM  %5d %4s%c%4s%c%4d%c   %8.3f%8.3f%8.3f%6.2f%6.2f      %4s%2s\n", serial,
                name4, alt, res4, chain, resId, iCode, x, y, z, 1.0, 0.0, seg4, elem2);
  return buf;
}

// A value as a double, so that one table can list numbers of any type.
inline double num(double x) {
  return x;
}

// Copies text into a fixed name field of the run parameters (cut to fit).
template <size_t N>
void setField(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

struct cmdResult {
  int status;       // exit status
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs korva with the given argument text (shell words) in directory dir, with env prefixed
// (for example "DUVARUDU=ALL"); DUVARUDU is removed from the environment unless env sets it.
inline cmdResult runKorvaCmd(const std::string& args, const std::string& env = "",
                             const std::string& dir = "") {
  const std::string work = dir.empty() ? makeTempDir() : dir;
  const std::string out = work + "/.stdout", err = work + "/.stderr";
  const std::string cmd = "cd '" + work + "' && env -u DUVARUDU " + env + " '" + KORVA_BIN + "' " +
                          args + " > '" + out + "' 2> '" + err + "' < /dev/null";
  const int raw = std::system(cmd.c_str());
  cmdResult r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

// The last line of a text (without its newline).
inline std::string lastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && t.back() == '\n') t.pop_back();
  const size_t p = t.rfind('\n');
  return p == std::string::npos ? t : t.substr(p + 1);
}

}  // namespace korva::testing
