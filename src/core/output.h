// Output files that appear whole or not at all: the text goes to a temporary file beside the
// target, which replaces the target only once everything is written and flushed. A run that fails
// half-way therefore never leaves half a file and never destroys an existing one.
#pragma once

#include <cstdio>
#include <string>

namespace korva {

class outputFile {
 public:
  outputFile() = default;
  outputFile(const outputFile&) = delete;
  outputFile& operator=(const outputFile&) = delete;
  // Removes the temporary file of an output that was never committed.
  ~outputFile();

  // Opens the output for name: standard output for an empty name; the device itself for a name
  // that exists and is not a regular file (/dev/null, a pipe); else a temporary file beside it.
  // Returns the stream, or nullptr when nothing can be written there.
  FILE* open(const char* name);
  // Flushes and closes the stream and puts the file in place. Returns false when any of the
  // text could not be written (the target is then left as it was).
  bool commit();

 private:
  FILE* f_ = nullptr;
  std::string target_;
  std::string temp_;
  bool toStdout_ = false;
};

}  // namespace korva
