// Output files written whole or not at all.
#include "core/output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace korva {

outputFile::~outputFile() {
  if (f_ != nullptr && !toStdout_) std::fclose(f_);
  if (!temp_.empty()) std::remove(temp_.c_str());
}

FILE* outputFile::open(const char* name) {
  if (name == nullptr || name[0] == '\0') {
    toStdout_ = true;
    f_ = stdout;
    return f_;
  }
  target_ = name;
  struct stat st;
  if (::stat(name, &st) == 0 && !S_ISREG(st.st_mode)) {
    f_ = std::fopen(name, "w");
    return f_;
  }
  std::string pattern = target_ + ".tmpXXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  const int fd = ::mkstemp(buf.data());
  if (fd < 0) return nullptr;
  temp_ = buf.data();
  // A new file gets the permissions an ordinary one would get; an existing one keeps its own.
  mode_t mode = 0666;
  if (::stat(name, &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  ::fchmod(fd, mode);
  f_ = ::fdopen(fd, "w");
  if (f_ == nullptr) {
    ::close(fd);
    std::remove(temp_.c_str());
    temp_.clear();
  }
  return f_;
}

bool outputFile::commit() {
  if (f_ == nullptr) return false;
  if (toStdout_) return std::fflush(f_) == 0 && std::ferror(f_) == 0;
  bool ok = std::fflush(f_) == 0 && std::ferror(f_) == 0;
  ok = std::fclose(f_) == 0 && ok;
  f_ = nullptr;
  if (temp_.empty()) return ok;
  if (ok) ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
  if (ok) temp_.clear();
  return ok;
}

}  // namespace korva
