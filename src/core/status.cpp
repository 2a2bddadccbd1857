// Formatting of the error value and the log sinks.
#include "core/status.h"

#include <cstdio>

#include "core/log.h"

namespace korva {

std::string formatTextV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n <= 0) return out;
  out.resize(static_cast<size_t>(n));
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = formatTextV(format, args);
  va_end(args);
  return out;
}

Status Status::failure(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Status s(1, formatTextV(format, args));
  va_end(args);
  return s;
}

Status& Status::append(const char* format, ...) {
  va_list args;
  va_start(args, format);
  message_ += formatTextV(format, args);
  va_end(args);
  return *this;
}

void Log::printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatTextV(format, args);
  va_end(args);
  write(text.c_str());
}

void StreamLog::progress(const char* what, long done, long total) {
  if (!showProgress_ || total <= 0) return;
  const int percent = static_cast<int>(100.0 * static_cast<double>(done) / total);
  if (done >= total) {
    clearProgress();
    return;
  }
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  std::fprintf(stream_, "\r%s: %ld of %ld (%d%%)", what, done, total, percent);
  std::fflush(stream_);
  drawn_ = true;
}

void StreamLog::clearProgress() {
  if (!drawn_) return;
  std::fprintf(stream_, "\r\033[K");
  drawn_ = false;
  lastPercent_ = -1;
}

Log& nullLog() {
  static NullLog sink;  // stateless
  return sink;
}

}  // namespace korva
