// The option table of the program: every option once, with its kind, default, the modes that
// read it and how it sets the run parameters. The lookup of the command line and the help are
// both driven by it.
#pragma once

#include <cstdio>
#include <span>

#include "core/args.h"
#include "core/log.h"
#include "modes/modes.h"

namespace korva {

enum class optKind {
  flag,         // present or absent
  integer,      // one integer value
  real,         // one real value
  text,         // one word of at most 255 characters
  anyText,      // one word of any length, kept as given
  reals,        // the numbers up to the next option
  five,         // exactly five numbers
  optionalInt,  // an integer that may be left out
  ignored,      // accepted with a value for compatibility; no mode reads it
  step,         // not an option: settings derived at this point of the lookup order
};

// Modes that read an option.
constexpr unsigned kReadsSteric = 1u;
constexpr unsigned kReadsFree = 2u;
constexpr unsigned kReadsBestFit = 4u;
constexpr unsigned kReadsCompareSaupe = 8u;
constexpr unsigned kReadsCompareDC = 16u;
constexpr unsigned kReadsAll = 31u;

// State of one parse that outlives a single option: the residue range words of the selection,
// whether a selection criterion or a tensor magnitude was given.
struct parseState {
  char first[kArgStrLen] = "";
  char last[kArgStrLen] = "";
  int criteria = 0;
  int verb = 0;
  int magnitudeGiven = 0;
};

struct optionSpec {
  const char* name;  // the option as typed; nullptr for a step
  optKind kind;
  unsigned modes;           // kReads... of the modes that read it
  const char* defaultText;  // default as the help shows it ("" when it has none)
  const char* help;         // help line of an option added beyond the original help text, or ""
  // Where a plain value goes.
  int& (*intField)(runParams&) = nullptr;
  float& (*realField)(runParams&) = nullptr;
  char* (*textField)(runParams&) = nullptr;
  // What a flag, a step or a special option does. Returns 0, or 1 after its error line.
  int (*act)(argList&, runParams&, parseState&, Log&) = nullptr;
  const char* alias = nullptr;  // another spelling looked up after the name
};

// Every option in lookup order: where one option may set what another sets, the later one in the
// table wins (a flag's first occurrence on the command line is the one read).
std::span<const optionSpec> optionTable();

// One line of the help: the text as printed, and the option it describes (nullptr for headings).
struct helpLine {
  const char* option;
  const char* text;
};
// The help text, line by line, as the program has always printed it.
std::span<const helpLine> helpLayout();

// Parses the whole command line into p through the table, after checking that every value is
// present and of its kind, and then the values whose meaning limits them. Returns 0, or 1 after an
// error line (the help is not handled here).
[[nodiscard]] int getparams(argList& args, runParams& p, Log& log);

// Names, on log, every unknown option that differs from a known one only in case or by one typed
// character (unless unused arguments are being reported anyway).
void suggestOptions(const argList& args, Log& log);

// Writes the complete help: the original text, then the options added since, from the table.
void writeHelpText(FILE* stream);

}  // namespace korva
