// Where a computation's warnings and progress lines go. Computations never write to a stream
// themselves: they hand complete lines to the Log their caller passes, so the command line can
// print them as they happen, a test can collect them, and another front end can forward them.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace korva {

class Log {
 public:
  virtual ~Log() = default;
  // Takes text made of complete lines.
  virtual void write(const char* text) = 0;
  // printf-style convenience over write.
  void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // How far a long computation has come: done of total steps of what. Only a log that shows
  // progress (the command line's, on a terminal) does anything with it.
  virtual void progress(const char* what, long done, long total) {
    (void)what;
    (void)done;
    (void)total;
  }
};

// Discards everything.
class NullLog final : public Log {
 public:
  void write(const char*) override {}
};

// Writes to a stdio stream at once (the command line uses standard error). With showProgress,
// progress is drawn on one line that each report overwrites (for a terminal).
class StreamLog final : public Log {
 public:
  explicit StreamLog(FILE* stream, bool showProgress = false)
      : stream_(stream), showProgress_(showProgress) {}
  void write(const char* text) override {
    clearProgress();
    std::fputs(text, stream_);
  }
  void progress(const char* what, long done, long total) override;

 private:
  void clearProgress();
  FILE* stream_;
  bool showProgress_;
  int lastPercent_ = -1;
  bool drawn_ = false;
};

// Keeps the text, in order.
class TextLog final : public Log {
 public:
  void write(const char* text) override { text_ += text; }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

// A Log that discards, for callers that pass none.
Log& nullLog();

}  // namespace korva
