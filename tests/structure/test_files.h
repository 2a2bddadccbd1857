// Scratch files for structure tests, made in a private temporary directory.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korva::testing {

// A private directory under the system temporary directory, removed with its files.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "korva-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes bytes to a file of this directory and returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    std::string p = path_ + "/" + name;
    FILE* fp = std::fopen(p.c_str(), "wb");
    if (fp != nullptr) {
      std::fwrite(bytes.data(), 1, bytes.size(), fp);
      std::fclose(fp);
    }
    return p;
  }
  std::string path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Whole content of a file ("" when it cannot be read).
inline std::string readFile(const std::string& p) {
  std::string out;
  FILE* fp = std::fopen(p.c_str(), "rb");
  if (fp == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) out.append(buf, n);
  std::fclose(fp);
  return out;
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

}  // namespace korva::testing
