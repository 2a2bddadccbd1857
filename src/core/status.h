// The error value of the library: a status code with the message lines that explain a failure.
// Computations return it (alone or beside their result) instead of printing and exiting; the
// command line prints the message and turns the code into the exit status.
#pragma once

#include <cstdarg>
#include <string>
#include <utility>

namespace korva {

class [[nodiscard]] Status {
 public:
  Status() = default;
  // A failure with the given code (non-zero) and message (complete lines, or empty when the
  // failure has already been explained).
  Status(int code, std::string message) : code_(code), message_(std::move(message)) {}

  static Status success() { return Status(); }
  // A failure of code 1 whose message is the printf-formatted text (lines end in newlines).
  static Status failure(const char* format, ...) __attribute__((format(printf, 1, 2)));

  bool ok() const { return code_ == 0; }
  int code() const { return code_; }
  const std::string& message() const { return message_; }

  // Appends lines to the message (for a caller that adds its own line after a callee's).
  Status& append(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Makes sure a failure carries a non-zero code; used where a callee's count of 0 means failure.
  Status& withCode(int code) {
    code_ = code;
    return *this;
  }

 private:
  int code_ = 0;
  std::string message_;
};

// A result value together with the status of the computation that made it.
template <class T>
struct [[nodiscard]] Outcome {
  Status status;
  T value{};
  bool ok() const { return status.ok(); }
};

// printf into a std::string.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string formatTextV(const char* format, va_list args);

}  // namespace korva
