// Text input that every reader shares: a UTF-8 byte-order mark at the start is skipped, and an
// input that never ends (a device, a runaway pipe) or holds a line no text format would have stops
// at a fixed limit with an error instead of a hang or an exhausted memory.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "core/alloc.h"

namespace korva {

// An input file may hold at most 1 GiB: many times the largest structure or table a run reads.
constexpr long long kMaxInputBytes = 1LL << 30;
// One line may hold at most 1 MiB: no line of a structure, table, configuration or restraint file
// comes near it, and /dev/zero is refused after reading this much.
constexpr size_t kMaxLineBytes = size_t{1} << 20;

// Length of the UTF-8 byte-order mark (EF BB BF) at the start of text: 3, or 0 without one.
size_t byteOrderMarkLength(const char* text, size_t length);

// What lineInput::next found.
enum class lineRead {
  line,     // a line was read
  end,      // the input ended before any byte of a new line
  tooLong,  // the line passed the line limit (its first bytes are in the buffer)
  tooBig,   // the input passed the size limit
  failed,   // the stream reported a read error
};

// What becomes of a line longer than the line limit.
enum class longLines {
  refuse,  // the read stops with lineRead::tooLong
  cut,     // the line keeps its first bytes up to the limit and the rest is skipped
};

// Reads a stream line by line in large chunks. Lines end at "\n" (which is not kept; a "\r" before
// it is kept) and may hold any byte, NUL included; a last line without newline counts. The stream
// belongs to the caller.
class lineInput {
 public:
  explicit lineInput(FILE* stream, longLines whenLong = longLines::refuse,
                     long long maxBytes = kMaxInputBytes, size_t maxLine = kMaxLineBytes)
      : stream_(stream), cut_(whenLong == longLines::cut), maxBytes_(maxBytes), maxLine_(maxLine) {}

  // Replaces line with the next line. After anything but lineRead::line the input is done.
  lineRead next(tvector<char>* line);
  // Starts again at the first byte (for a second pass). False when the stream cannot seek.
  bool rewind();
  // Number of the line last read (1-based).
  long lineNumber() const { return lineNumber_; }

 private:
  bool fill();

  // Bytes asked of the stream at a time; held in the object (on its user's stack), since a
  // container would construct and destroy every byte of it one by one in unoptimised builds.
  static constexpr size_t kChunkBytes = size_t{1} << 14;

  FILE* stream_;
  bool cut_;
  long long maxBytes_;
  size_t maxLine_;
  char chunk_[kChunkBytes];
  size_t pos_ = 0;
  size_t len_ = 0;
  long long total_ = 0;  // bytes taken from the stream
  long lineNumber_ = 0;
  bool started_ = false;  // the byte-order mark has been looked for
  bool atEnd_ = false;
};

// The reason for a read that stopped short of a line, for an error line: "line 3 of x.pdb is
// longer than 1048576 bytes", "x.pdb holds more than 1073741824 bytes", "x.pdb cannot be read".
std::string lineReadFailure(lineRead what, const char* fileName, long lineNumber,
                            long long maxBytes = kMaxInputBytes, size_t maxLine = kMaxLineBytes);

}  // namespace korva
