// A scanner for the STAR family of formats (mmCIF, NEF, NMR-STAR): hands every data block, save
// frame, tag and value to a handler in file order, with line numbers, without building a
// document, so that a reader keeps only the categories it uses.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/status.h"

namespace korva {

// One value, without its quotes or text-field markers. The text points into the scanned buffer.
struct starValue {
  std::string_view text;
  int line;     // 1-based line where the value starts
  bool quoted;  // quoted string or text field: "." and "?" are then ordinary text

  // "." (inapplicable) and "?" (unknown) written bare.
  bool isNull() const { return !quoted && (text == "." || text == "?"); }
};

// Receives the elements of a file. Loop values arrive row after row; the scanner has checked
// nothing about their count until loopEnd, which comes only for a loop of whole rows.
class starHandler {
 public:
  virtual ~starHandler() = default;
  virtual void block(std::string_view /*name*/, int /*line*/) {}
  virtual void frame(std::string_view /*name*/, int /*line*/) {}
  virtual void frameEnd() {}
  virtual void item(std::string_view /*tag*/, const starValue& /*value*/) {}
  virtual void loopStart(int /*line*/) {}
  virtual void loopTag(std::string_view /*tag*/) {}
  virtual void loopValue(const starValue& /*value*/) {}
  virtual void loopEnd() {}
};

// Scans size bytes of STAR text. Framecode references ($name), which CIF forbids but NMR-STAR
// files hold, are read as values. The first syntax error (an unclosed quote, text field or save
// frame, a loop whose values do not fill whole rows, a tag without value) ends the scan with
// "<kind> Error: <fileName> line <n>: <what>".
Status scanStar(const char* text, size_t size, const char* fileName, const char* kind,
                starHandler& handler);

// Case-insensitive test of a tag's category ("_atom_site." matches "_ATOM_SITE.id"); on a match
// the rest of the tag (the item name) is stored in item.
bool starTagIn(std::string_view tag, std::string_view category, std::string_view* item);

}  // namespace korva
