// Whole-file input for the readers of text formats (plain or gzip-compressed), and the field
// conversions they share: bounded names and numbers that must use the whole field.
#pragma once

#include <string_view>

#include "core/alloc.h"
#include "core/status.h"
#include "structure/pdb.h"

namespace korva {

// Reads the whole file into text, uncompressing gzip data (recognised by content, so a
// compressed file needs no .gz name), without a leading byte-order mark. Fails with one line
// "<kind> Error ..." naming the file, also when the (uncompressed) text passes the input limits
// of core/input.h.
Status readTextFile(const char* path, const char* kind, tvector<char>* text);

// Copies a name into a name field with every blank dropped, as the PDB reader treats its
// columns. False when the name has more than 15 characters: the field then holds the first 15.
bool copyName(char* to, std::string_view from);

// Equality of two texts without regard to ASCII case (tags, keywords, record names).
bool sameNoCase(std::string_view a, std::string_view b);
// True when text starts with prefix, without regard to ASCII case.
bool startsNoCase(std::string_view text, std::string_view prefix);

// Whole-field conversions: false for empty text, trailing characters, out-of-range or
// non-finite values.
bool parseInt(std::string_view text, int* value);
bool parseReal(std::string_view text, double* value);

}  // namespace korva
