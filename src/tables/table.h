// Reader of the self-describing table format: keyword lines name and format the columns, every
// other line is a row; the result is a row-major single-precision matrix with one description
// per column.
#pragma once

#include <limits>
#include <string>

#include "core/alloc.h"
#include "core/log.h"

namespace korva {

// Owned text whose storage is counted by the tracked allocator.
using tstring = std::basic_string<char, std::char_traits<char>, TrackedAllocator<char>>;

// A number cell whose word is missing or cannot be read (no digits, not finite in single
// precision): never a number that a caller could use by mistake.
constexpr float kBadItem = std::numeric_limits<float>::quiet_NaN();

// Column types.
constexpr int kVarText = 1;
constexpr int kVarInt = 2;
constexpr int kVarReal = 3;

// Description of one table column.
struct tabVar {
  int type;                   // kVarText, kVarInt or kVarReal
  float tolerance;            // from the TOLERANCE line; 0 without one
  tstring name;               // column name from the VARS line
  tstring format;             // printf conversion, underscores replaced by blanks; "%f" by default
  tvector<tstring> textList;  // text columns: the distinct texts in order of first appearance
};

// Lines of the header (comments, DATA and REMARK lines) in file order, without newlines.
struct hdrList {
  tvector<tstring> lines;
};

void tabVarNull(tabVar* var);

// Reads the table fileName. data receives rowCount * columnCount values row by row: integers
// and reals as read, texts as the 0-based index into the column's textList. A number equal to the
// file's NULLVALUE, and a text equal to the file's NULLSTRING, are stored as nullValue; a bad
// number item is warned and stored as kBadItem. A byte-order mark is skipped; a file over the
// input limits of core/input.h fails.
// Returns 0 on success, 1 on failure after writing the message to log, which also receives the
// warnings. The outputs are reset on entry and handed over also on failure; the caller owns them
// (freeTab releases).
[[nodiscard]] int rdTable(const char* fileName, tvector<float>* data, int* columnCount,
                          int* rowCount, tvector<tabVar>* variables, int nullValue, Log& log);

// General form of rdTable. headers (may be nullptr) receives the header lines; quiet 1 accepts a
// file without rows (0 rows, success); wantData 0 leaves the matrix empty and reads no rows, so
// only the column descriptions, the row count and the headers are filled.
[[nodiscard]] int rdTable2(const char* fileName, tvector<float>* data, int* columnCount,
                           int* rowCount, tvector<tabVar>* variables, int nullValue,
                           hdrList* headers, int quiet, int wantData, Log& log);

// Releases the matrix and the column descriptions and zeroes both counts.
void freeTab(tvector<float>* data, tvector<tabVar>* variables, int* columnCount, int* rowCount);

// Index of the last of the first columnCount columns named name (compared without regard to
// case); -1 when there is none.
int getTabVar(const tvector<tabVar>& variables, int columnCount, const char* name);

// Text of a text-column cell, or nullptr when value is not an index into var's textList (a null
// value, for instance). The text is owned by var.
const char* getTabText(const tabVar& var, float value);

// Index of text in list, compared exactly; a new text is appended as a copy and gets the next
// index. On allocation failure (or a list that float indices can no longer hold) sets *error to 1
// and returns -1.
int mapText(const char* text, tvector<tstring>* list, int* error);

// 1 when the line is a data row: it has a first word, the word does not begin with "#", and in
// upper case it is none of REMARK, FORMAT, VARS, TOLERANCE, NULLSTRING, NULLVALUE, DATA, END.
int isDataLine(const char* line);

// Replaces every underscore of text by a blank, in place.
void us2space(char* text);

void hdrInit(hdrList* list);
// Appends a copy of line to the list.
void addHdrLine(hdrList* list, const char* line);

}  // namespace korva
