// Whole-file reading through zlib, which passes uncompressed files through unchanged.
#include "structure/text_input.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/input.h"

namespace korva {

namespace {

// Bytes asked of zlib at a time, into a buffer on the stack: growing the text by a whole chunk
// would construct every byte of it one by one in unoptimised builds.
constexpr unsigned kReadChunk = 1u << 14;

}  // namespace

Status readTextFile(const char* path, const char* kind, tvector<char>* text) {
  text->clear();
  gzFile gz = gzopen(path, "rb");
  if (gz == nullptr) return Status::failure("%s Error opening file %s\n", kind, path);
  bool failed = false;
  size_t lineSoFar = 0;  // bytes since the last newline
  lineRead limit = lineRead::line;
  try {
    char chunk[kReadChunk];
    for (;;) {
      int n = gzread(gz, chunk, kReadChunk);
      if (n < 0) {
        failed = true;
        n = 0;
      }
      if (n == 0) break;
      text->insert(text->end(), chunk, chunk + n);
      // Endless input (a device, or a compressed bomb) stops at the limits every reader keeps.
      const void* nl = memrchr(chunk, '\n', static_cast<size_t>(n));
      lineSoFar = nl == nullptr ? lineSoFar + static_cast<size_t>(n)
                                : static_cast<size_t>(chunk + n - static_cast<const char*>(nl) - 1);
      if (lineSoFar > kMaxLineBytes) limit = lineRead::tooLong;
      if (text->size() > static_cast<size_t>(kMaxInputBytes)) limit = lineRead::tooBig;
      if (limit != lineRead::line) break;
    }
  } catch (const std::bad_alloc&) {
    gzclose(gz);
    return Status::failure("%s Error allocating memory for file %s\n", kind, path);
  }
  if (limit != lineRead::line) {
    gzclose(gz);
    const long lines = static_cast<long>(std::count(text->begin(), text->end(), '\n')) + 1;
    text->clear();
    return Status::failure("%s Error: %s; not read.\n", kind,
                           lineReadFailure(limit, path, lines).c_str());
  }
  int errnum = 0;
  const char* zmsg = gzerror(gz, &errnum);
  // A gzip stream cut short reads as far as it goes; zlib tells so only through gzerror.
  if (failed || (errnum != Z_OK && errnum != Z_STREAM_END)) {
    Status s = Status::failure("%s Error reading file %s: %s\n", kind, path,
                               errnum == Z_ERRNO ? std::strerror(errno) : zmsg);
    gzclose(gz);
    return s;
  }
  if (gzclose(gz) == Z_BUF_ERROR) {
    return Status::failure("%s Error reading file %s: compressed data end early\n", kind, path);
  }
  const size_t mark = byteOrderMarkLength(text->data(), text->size());
  text->erase(text->begin(), text->begin() + static_cast<std::ptrdiff_t>(mark));
  return Status::success();
}

bool copyName(char* to, std::string_view from) {
  size_t n = 0;
  to[0] = '\0';
  for (char c : from) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0') continue;
    if (n + 1 >= static_cast<size_t>(kNameLen)) {
      to[n] = '\0';
      return false;
    }
    to[n++] = c;
  }
  to[n] = '\0';
  return true;
}

bool sameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool startsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && sameNoCase(text.substr(0, prefix.size()), prefix);
}

bool parseInt(std::string_view text, int* value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

bool parseReal(std::string_view text, double* value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, *value);
  return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(*value);
}

}  // namespace korva
