// Command-line argument toolkit: options looked up by name anywhere on the command line, values
// converted on demand, and a report of the arguments that no lookup consumed. One argList holds
// one command line and the marks of its lookups.
#pragma once

#include "core/alloc.h"
#include "core/log.h"

namespace korva {

constexpr int kArgMarkCount = 255;  // argument positions that are ever marked
constexpr int kArgStrLen = 256;     // string values: 255 characters and the terminator

// 1 for a word that reads as an option: a '-' not followed by a digit or a point.
int isFlag(const char* text);
// 1 for a null or all-blank word.
int isBlank(const char* text);
// Sum of every byte of every argument, as signed characters.
int getArgvChecksum(int argc, char** argv);
// The value text as a float the way the option lookups read it ("%lf" narrowed; 0 when not a
// number).
float readFltValue(const char* text);

class argList {
 public:
  // Marks position 0 and takes the check mode: 0 off, 1 flags, 2 all, 3 debug, 4 from the
  // environment variable DUVARUDU. With checking on, a -help word and a command line longer than
  // the marks are announced on log.
  argList(int argc, char** argv, int checkMode, Log& log);

  int argc() const { return argc_; }
  char** argv() const { return argv_; }
  const char* progName() const;

  // Position of the first argument equal to name, or 0; marks it.
  int flagLoc(const char* name);
  // Position of the next option after pos, or argc.
  int nextFlag(int pos) const;
  // The value after the option, converted; 0 when the option is absent or last (badFlag then 1).
  int intArg(const char* name);
  float fltArg(const char* name);
  // The value after the option, or nullptr when absent or last. strArg refuses a value longer
  // than 255 characters (error line on log, overflowed() then 1); ptrArg takes any length.
  const char* strArg(const char* name);
  char* ptrArg(const char* name);
  // Argument n, marked; nullptr outside the command line.
  char* nthArg(int n);
  // All values between the option and the next option, read as floats and marked; empty when
  // the option is absent or has no value.
  tvector<float> rListArg(const char* name);
  // Reads exactly count numbers that follow the option at position pos, up to the next option or
  // the end, into out (marked). Returns 0; 1 when the count differs (out untouched); 2 when a
  // value is not a number, after its line on log.
  int fixedListArg(int pos, int count, double* out);

  // The lookup variants that change target only when the option is present with a value;
  // return 1 when they did. target of strArgD holds kArgStrLen characters.
  int intArgD(const char* name, int* target);
  int fltArgD(const char* name, float* target);
  int strArgD(const char* name, char* target);
  int ptrArgD(const char* name, const char** target);

  // 1 when the last lookup failed (option absent or without a value).
  int badFlag() const { return badFlag_; }
  // 1 once a string lookup met a value longer than 255 characters.
  int overflowed() const { return overflow_; }

  // Position of the first argument equal to name, or 0, without marking it.
  int find(const char* name) const;
  // Whether a lookup has marked the argument at pos.
  bool marked(int pos) const;
  // Whether checking of unused arguments is on (DUVARUDU or an explicit mode).
  bool checking() const { return checkMode_ != 0; }

  // Reports, when checking is on, the arguments that no lookup marked. Returns the number of
  // reports.
  int check();

 private:
  void mark(int pos);
  int valuePos(const char* name);

  int argc_;
  char** argv_;
  Log& log_;
  char marks_[kArgMarkCount + 1];  // '0' unused, '1' used
  int checkMode_ = 0;
  int checksum_ = 0;
  int badFlag_ = 0;
  int overflow_ = 0;
};

}  // namespace korva
