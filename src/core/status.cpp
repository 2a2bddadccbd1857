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

Log& nullLog() {
  static NullLog sink;  // stateless
  return sink;
}

}  // namespace korva
