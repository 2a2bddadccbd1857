// Chunked line input with the byte-order mark skipped and the size limits kept.
#include "core/input.h"

#include <cstring>

#include "core/status.h"

namespace korva {

size_t byteOrderMarkLength(const char* text, size_t length) {
  return length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

bool lineInput::fill() {
  len_ = std::fread(chunk_, 1, kChunkBytes, stream_);
  pos_ = 0;
  if (len_ < kChunkBytes) {
    atEnd_ = true;
    if (std::ferror(stream_)) return false;
  }
  total_ += static_cast<long long>(len_);
  if (!started_) {
    started_ = true;
    pos_ = byteOrderMarkLength(chunk_, len_);
  }
  return true;
}

lineRead lineInput::next(tvector<char>* line) {
  line->clear();
  bool any = false;
  for (;;) {
    if (pos_ == len_) {
      if (atEnd_) break;
      if (!fill()) return lineRead::failed;
      if (total_ > maxBytes_) return lineRead::tooBig;
      if (pos_ == len_) continue;
    }
    if (!any) {
      any = true;
      lineNumber_++;
    }
    const char* start = chunk_ + pos_;
    const size_t avail = len_ - pos_;
    const void* nl = std::memchr(start, '\n', avail);
    const size_t take =
        nl != nullptr ? static_cast<size_t>(static_cast<const char*>(nl) - start) : avail;
    if (line->size() + take > maxLine_) {
      line->insert(line->end(), start, start + (maxLine_ - line->size()));
      if (!cut_) return lineRead::tooLong;
    } else {
      line->insert(line->end(), start, start + take);
    }
    pos_ += take;
    if (nl != nullptr) {
      pos_++;
      return lineRead::line;
    }
  }
  return any ? lineRead::line : lineRead::end;
}

bool lineInput::rewind() {
  if (std::fseek(stream_, 0, SEEK_SET) != 0) return false;
  std::clearerr(stream_);
  pos_ = len_ = 0;
  total_ = 0;
  lineNumber_ = 0;
  started_ = atEnd_ = false;
  return true;
}

std::string lineReadFailure(lineRead what, const char* fileName, long lineNumber,
                            long long maxBytes, size_t maxLine) {
  switch (what) {
    case lineRead::tooLong:
      return formatText("line %ld of %s is longer than %zu bytes", lineNumber, fileName, maxLine);
    case lineRead::tooBig:
      return formatText("%s holds more than %lld bytes", fileName, maxBytes);
    default:
      return formatText("%s cannot be read", fileName);
  }
}

}  // namespace korva
