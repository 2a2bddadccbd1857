// Hands a fuzzer input to the readers, which take file names: the bytes go into an in-memory file
// (memfd) named by its /proc/self/fd path, so that no input waits on a disk; where there is no
// memfd, into a private temporary file.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace korva::fuzz {

inline std::string writeInput(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("korva_fuzz", 0);
  if (fd >= 0 && ftruncate(fd, 0) == 0) {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done == size) return "/proc/self/fd/" + std::to_string(fd);
  }
  static const std::string path = "/tmp/korva_fuzz_" + std::to_string(getpid());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return "/nonexistent";  // an empty name would read standard input
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}

}  // namespace korva::fuzz
