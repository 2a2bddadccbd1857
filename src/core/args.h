// Command-line argument toolkit: options looked up by name anywhere on the command line, values
// converted on demand, and a report of the arguments that no lookup consumed.
#pragma once

namespace korva {

constexpr int kArgMarkCount = 255;  // argument positions that are ever marked
constexpr int kArgStrLen = 256;     // string values: 255 characters and the terminator

// Resets the state, marks position 0 and stores the program name and check mode. A mode of 4
// takes the mode from the environment variable DUVARUDU. Returns 0.
int initArgs(int argc, char** argv, int checkMode);
// Reports unused arguments (when checking is on), then resets. Returns the number of reports.
int checkArgs(int argc, char** argv);
void nullArgs();
const char* getProgName();
int isFlag(const char* text);
int isBlank(const char* text);
int getArgvChecksum(int argc, char** argv);
// 1 when the last lookup failed (option absent or without a value), 0 when it succeeded.
int getBadFlag();
// 1 once a string lookup met a value longer than 255 characters; it has printed its error line.
int argsOverflowed();

int flagLoc(int argc, char** argv, const char* name);
int nextFlag(int argc, char** argv, int pos);
int intArg(int argc, char** argv, const char* name);
float fltArg(int argc, char** argv, const char* name);
// The value after the flag, copied into a static 256-character buffer that the next string lookup
// overwrites; nullptr when absent or too long.
char* strArg(int argc, char** argv, const char* name);
char* ptrArg(int argc, char** argv, const char* name);
char* getNthArg(int argc, char** argv, int n);
// All values between the flag and the next flag; the array is tracked ("listArg") and belongs to
// the caller (release with unAlloc and count floats). count is 0 with no values, -1 on failure.
float* rListArg(int argc, char** argv, const char* name, int* count);

int intArgD(int argc, char** argv, const char* name, int* target);
int fltArgD(int argc, char** argv, const char* name, float* target);
// target must hold kArgStrLen characters.
int strArgD(int argc, char** argv, const char* name, char* target);
int ptrArgD(int argc, char** argv, const char* name, char** target);

// Reads exactly count numbers that follow the flag at position pos, up to the next flag or the
// end, into out (as doubles, marked used). Returns 0; 1 when the count differs (out untouched);
// 2 when a value is not a number, after printing which one.
int fixedListArg(int argc, char** argv, int pos, int count, double* out);

// Reads the value of the flag at position pos as a float the way fltArg does ("%lf" narrowed).
float readFltValue(const char* text);

}  // namespace korva
