// Two-pass table reader: the first pass finds the keyword lines and counts the rows, the second
// fills the matrix.
#include "tables/table.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "core/input.h"

namespace korva {
namespace {

// Text indices are stored as floats, which hold integers exactly only up to 2^24.
constexpr size_t kMaxTexts = size_t{1} << 24;
// Matrix cells are indexed with int by the readers of the table.
constexpr size_t kMaxCells = static_cast<size_t>(INT_MAX);

struct WordSpan {
  const char* text;
  size_t length;
};

struct LineReader {
  std::FILE* file = nullptr;
  lineInput* input = nullptr;
};

// Reads the next line into line (NUL-terminated, without its "\n" or "\r\n"); *hasNul is set when
// the line held a NUL byte. Anything but lineRead::line ends the pass.
lineRead nextLine(LineReader* in, tvector<char>* line, int* hasNul) {
  const lineRead got = in->input->next(line);
  if (got != lineRead::line) return got;
  // An empty line may have no storage yet, and memchr must not see a null pointer.
  *hasNul = !line->empty() && std::memchr(line->data(), '\0', line->size()) != nullptr;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  line->push_back('\0');
  return got;
}

// Says why a pass stopped short of the end of the file; 0 at the end, else 1.
int passEnd(lineRead got, const char* fileName, const LineReader& in, Log& log) {
  if (got == lineRead::end) return 0;
  if (got == lineRead::failed) {
    log.printf("RdTable File open error: %s.\n", fileName);
  } else {
    log.printf("RdTable Error: %s; not read.\n",
               lineReadFailure(got, fileName, in.input->lineNumber()).c_str());
  }
  return 1;
}

int isBlankChar(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Splits a NUL-terminated line into blank-delimited words pointing into the line.
void splitWords(const char* line, tvector<WordSpan>* words) {
  words->clear();
  const char* p = line;
  for (;;) {
    while (*p != '\0' && isBlankChar(*p)) ++p;
    if (*p == '\0') return;
    const char* start = p;
    while (*p != '\0' && !isBlankChar(*p)) ++p;
    words->push_back(WordSpan{start, static_cast<size_t>(p - start)});
  }
}

WordSpan firstWord(const char* line) {
  const char* p = line;
  while (*p != '\0' && isBlankChar(*p)) ++p;
  const char* start = p;
  while (*p != '\0' && !isBlankChar(*p)) ++p;
  return WordSpan{start, static_cast<size_t>(p - start)};
}

int wordIs(WordSpan w, const char* keyword) {
  size_t n = std::strlen(keyword);
  return w.length == n && std::memcmp(w.text, keyword, n) == 0;
}

int wordIsNoCase(WordSpan w, const char* keyword) {
  size_t n = std::strlen(keyword);
  if (w.length != n) return 0;
  for (size_t i = 0; i < n; ++i) {
    if (std::toupper(static_cast<unsigned char>(w.text[i])) !=
        std::toupper(static_cast<unsigned char>(keyword[i]))) {
      return 0;
    }
  }
  return 1;
}

int countWords(const tstring& line) {
  tvector<WordSpan> words;
  splitWords(line.c_str(), &words);
  return static_cast<int>(words.size());
}

// Decimal integer from the leading characters of a word; 0 when it has no digits or does not
// fit an int.
int parseIntWord(WordSpan w, int* value) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(w.text, &end, 10);
  if (end == w.text || errno == ERANGE || v < INT_MIN || v > INT_MAX) {
    *value = 0;
    return 0;
  }
  *value = static_cast<int>(v);
  return 1;
}

// Real from the leading characters of a word; 0 when none can be read or it is not a finite
// single-precision number.
int parseRealWord(WordSpan w, double* value) {
  char* end = nullptr;
  double v = std::strtod(w.text, &end);
  if (end == w.text || !std::isfinite(static_cast<float>(v))) {
    *value = 0.0;
    return 0;
  }
  *value = v;
  return 1;
}

int mapTextSpan(const char* text, size_t length, tvector<tstring>* list, int* error) {
  for (size_t i = 0; i < list->size(); ++i) {
    const tstring& s = (*list)[i];
    if (s.size() == length && std::memcmp(s.data(), text, length) == 0) return static_cast<int>(i);
  }
  // Beyond this many texts the float cells could no longer hold every index exactly.
  if (list->size() >= kMaxTexts) {
    *error = 1;
    return -1;
  }
  list->push_back(tstring(text, length, TrackedAllocator<char>("mapText")));
  return static_cast<int>(list->size() - 1);
}

void badItem(const char* kind, int column, const char* line, Log& log) {
  log.printf("RdTable Warning: Bad %s-Item", kind);
  log.printf(" %d:\n%s\n", column, line);
}

// Keyword lines and counts gathered by the first pass.
struct FirstPass {
  tstring varsLine;
  tstring formatLine;
  tstring toleranceLine;
  int haveVars = 0;
  int haveFormat = 0;
  int haveTolerance = 0;
  tstring nullString;
  int haveNullString = 0;
  int nullValue = 0;
  int haveNullValue = 0;
  size_t rows = 0;
};

int scanFile(const char* fileName, LineReader* in, FirstPass* fp, Log& log) {
  tvector<char> line;
  tvector<WordSpan> words;
  int hasNul = 0;
  lineRead got;
  while ((got = nextLine(in, &line, &hasNul)) == lineRead::line) {
    const long lineNumber = in->input->lineNumber();
    if (hasNul) {
      log.printf("RdTable Error: binary data in %s, line %ld.\n", fileName, lineNumber);
      return 1;
    }
    const char* text = line.data();
    WordSpan first = firstWord(text);
    if (first.length == 0) continue;
    if (wordIs(first, "VARS") || wordIs(first, "FORMAT") || wordIs(first, "TOLERANCE")) {
      tstring* keep = &fp->toleranceLine;
      int* have = &fp->haveTolerance;
      if (wordIs(first, "VARS")) {
        keep = &fp->varsLine;
        have = &fp->haveVars;
      } else if (wordIs(first, "FORMAT")) {
        keep = &fp->formatLine;
        have = &fp->haveFormat;
      }
      if (!*have) {
        keep->assign(text);
        *have = 1;
      }
    } else if (wordIs(first, "NULLSTRING") || wordIs(first, "NULLVALUE")) {
      splitWords(text, &words);
      int value = 0;
      if (words.size() < 2 || (wordIs(first, "NULLVALUE") && !parseIntWord(words[1], &value))) {
        log.printf("RdTable Warning: ignored %s line %ld of %s:\n%s\n",
                   wordIs(first, "NULLVALUE") ? "NULLVALUE" : "NULLSTRING", lineNumber, fileName,
                   text);
      } else if (wordIs(first, "NULLSTRING")) {
        fp->nullString.assign(words[1].text, words[1].length);
        fp->haveNullString = 1;
      } else {
        fp->nullValue = value;
        fp->haveNullValue = 1;
      }
    } else if (isDataLine(text)) {
      if (fp->rows >= kMaxCells) {
        log.printf("RdTable error allocating data matrix.\n");
        return 1;
      }
      ++fp->rows;
    }
  }
  return passEnd(got, fileName, *in, log);
}

int columnType(const tstring& format) {
  switch (format.empty() ? '\0' : format.back()) {
    case 's':
      return kVarText;
    case 'd':
      return kVarInt;
    case 'e':
    case 'f':
    case 'g':
      return kVarReal;
    default:
      return 0;
  }
}

// Builds one description per column from the keyword lines; returns 0 or 1 after the message.
int buildVariables(const FirstPass& fp, int columnCount, tvector<tabVar>* variables, Log& log) {
  tvector<WordSpan> names, formats, tolerances;
  splitWords(fp.varsLine.c_str(), &names);
  if (fp.haveFormat) splitWords(fp.formatLine.c_str(), &formats);
  if (fp.haveTolerance) splitWords(fp.toleranceLine.c_str(), &tolerances);
  try {
    variables->resize(static_cast<size_t>(columnCount));
  } catch (const std::exception&) {
    variables->clear();
    log.printf("RdTable Error allocating variable info.\n");
    return 1;
  }
  int status = 0;
  for (int k = 0; k < columnCount; ++k) {
    tabVar& v = (*variables)[static_cast<size_t>(k)];
    tabVarNull(&v);
    WordSpan name = names[static_cast<size_t>(k) + 1];
    v.name.assign(name.text, name.length);
    if (fp.haveFormat) {
      WordSpan f = formats[static_cast<size_t>(k) + 1];
      v.format.assign(f.text, f.length);
      us2space(v.format.data());
    } else {
      v.format.assign("%f");
    }
    v.type = columnType(v.format);
    if (v.type == 0 && status == 0) {
      log.printf("RdTable Error: bad format %s\n", fp.formatLine.c_str());
      status = 1;
    }
    if (fp.haveTolerance) {
      double tol = 0.0;
      if (!parseRealWord(tolerances[static_cast<size_t>(k) + 1], &tol)) {
        badItem("TOLERANCE", k + 1, fp.toleranceLine.c_str(), log);
      }
      v.tolerance = static_cast<float>(tol);
    }
  }
  return status;
}

// Stores the cells of one data row; returns 0, or 1 after the message on a fatal fault.
int readRow(const char* line, const tvector<WordSpan>& words, float* row,
            tvector<tabVar>* variables, const FirstPass& fp, int nullValue, Log& log) {
  for (size_t k = 0; k < variables->size(); ++k) {
    tabVar& v = (*variables)[k];
    int column = static_cast<int>(k) + 1;
    int present = k < words.size();
    WordSpan w = present ? words[k] : WordSpan{"", 0};
    switch (v.type) {
      case kVarInt: {
        int value = 0;
        if (!present || !parseIntWord(w, &value)) {
          badItem("I", column, line, log);
          row[k] = kBadItem;
          break;
        }
        row[k] = (fp.haveNullValue && value == fp.nullValue) ? static_cast<float>(nullValue)
                                                             : static_cast<float>(value);
        break;
      }
      case kVarReal: {
        double value = 0.0;
        if (!present || !parseRealWord(w, &value)) {
          badItem("F", column, line, log);
          row[k] = kBadItem;
          break;
        }
        row[k] = (fp.haveNullValue && value == static_cast<double>(fp.nullValue))
                     ? static_cast<float>(nullValue)
                     : static_cast<float>(value);
        break;
      }
      case kVarText: {
        if (!present) badItem("T", column, line, log);
        if (fp.haveNullString && w.length == fp.nullString.size() &&
            std::memcmp(w.text, fp.nullString.data(), w.length) == 0) {
          row[k] = static_cast<float>(nullValue);
          break;
        }
        int error = 0;
        int index = mapTextSpan(w.text, w.length, &v.textList, &error);
        if (error) {
          log.printf("RdTable Error mapping text.\n");
          return 1;
        }
        row[k] = static_cast<float>(index);
        break;
      }
      default:
        log.printf("RdTable Error: bad vartype.\n");
        return 1;
    }
  }
  return 0;
}

// Second pass: headers and rows. Returns 0, or 1 after the message.
int fillTable(const char* fileName, LineReader* in, const FirstPass& fp, tvector<float>* data,
              int rowCount, tvector<tabVar>* variables, int nullValue, hdrList* headers,
              int wantData, Log& log) {
  if (!in->input->rewind()) {
    log.printf("RdTable File open error: %s.\n", fileName);
    return 1;
  }
  tvector<char> line;
  tvector<WordSpan> words;
  int hasNul = 0;
  int row = 0;
  size_t columns = variables->size();
  lineRead got;
  while ((got = nextLine(in, &line, &hasNul)) == lineRead::line) {
    const char* text = line.data();
    if (!isDataLine(text)) {
      if (headers == nullptr) continue;
      WordSpan first = firstWord(text);
      if (first.length == 0) continue;
      if (first.text[0] == '#' || wordIsNoCase(first, "DATA") || wordIsNoCase(first, "REMARK")) {
        addHdrLine(headers, text);
      }
      continue;
    }
    // A file that grew between the passes cannot overrun the matrix.
    if (!wantData || row >= rowCount) continue;
    splitWords(text, &words);
    if (readRow(text, words, data->data() + static_cast<size_t>(row) * columns, variables, fp,
                nullValue, log) != 0) {
      return 1;
    }
    ++row;
  }
  return passEnd(got, fileName, *in, log);
}

}  // namespace

void tabVarNull(tabVar* var) {
  var->type = 0;
  var->tolerance = 0.0f;
  var->name.clear();
  var->format.clear();
  var->textList.clear();
}

int rdTable(const char* fileName, tvector<float>* data, int* columnCount, int* rowCount,
            tvector<tabVar>* variables, int nullValue, Log& log) {
  return rdTable2(fileName, data, columnCount, rowCount, variables, nullValue, nullptr, 0, 1, log);
}

int rdTable2(const char* fileName, tvector<float>* data, int* columnCount, int* rowCount,
             tvector<tabVar>* variables, int nullValue, hdrList* headers, int quiet, int wantData,
             Log& log) {
  freeTab(data, variables, columnCount, rowCount);
  if (fileName == nullptr) fileName = "";
  LineReader in;
  in.file = std::fopen(fileName, "rb");
  if (in.file == nullptr) {
    log.printf("RdTable File open error: %s.\n", fileName);
    return 1;
  }
  lineInput input(in.file);
  in.input = &input;
  FirstPass fp;
  int status = scanFile(fileName, &in, &fp, log);
  if (status == 0 && fp.rows == 0 && !quiet) {
    log.printf("RdTable Error: no entries in %s\n", fileName);
    status = 1;
  }
  int columns = 0;
  if (status == 0) {
    columns = fp.haveVars ? countWords(fp.varsLine) - 1 : 0;
    if (columns < 1) {
      log.printf("RdTable Error: no variables found.\n");
      status = 1;
    } else if (fp.haveFormat && countWords(fp.formatLine) - 1 != columns) {
      log.printf("RdTable Error: VARS/FORMAT mismatch:\n");
      log.printf("%s\n%s\n", fp.varsLine.c_str(), fp.formatLine.c_str());
      status = 1;
    } else if (fp.haveTolerance && countWords(fp.toleranceLine) - 1 != columns) {
      log.printf("RdTable Error: VARS/TOLERANCE mismatch:\n");
      log.printf("%s\n%s\n", fp.varsLine.c_str(), fp.toleranceLine.c_str());
      status = 1;
    }
  }
  if (status == 0) {
    status = buildVariables(fp, columns, variables, log);
    *columnCount = static_cast<int>(variables->size());
  }
  if (status == 0) {
    *rowCount = static_cast<int>(fp.rows);
    if (wantData) {
      size_t cells = fp.rows * static_cast<size_t>(columns);
      if (cells / static_cast<size_t>(columns) != fp.rows || cells > kMaxCells) {
        log.printf("RdTable error allocating data matrix.\n");
        status = 1;
      } else {
        try {
          data->assign(cells, 0.0f);
        } catch (const std::exception&) {
          data->clear();
          log.printf("RdTable error allocating data matrix.\n");
          status = 1;
        }
      }
      if (status != 0) *rowCount = 0;
    }
  }
  if (status == 0) {
    status =
        fillTable(fileName, &in, fp, data, *rowCount, variables, nullValue, headers, wantData, log);
  }
  std::fclose(in.file);
  return status;
}

void freeTab(tvector<float>* data, tvector<tabVar>* variables, int* columnCount, int* rowCount) {
  if (data != nullptr) tvector<float>(data->get_allocator()).swap(*data);
  if (variables != nullptr) tvector<tabVar>(variables->get_allocator()).swap(*variables);
  if (columnCount != nullptr) *columnCount = 0;
  if (rowCount != nullptr) *rowCount = 0;
}

int getTabVar(const tvector<tabVar>& variables, int columnCount, const char* name) {
  if (name == nullptr) return -1;
  size_t count = variables.size();
  if (columnCount >= 0 && static_cast<size_t>(columnCount) < count) {
    count = static_cast<size_t>(columnCount);
  }
  WordSpan wanted{name, std::strlen(name)};
  int found = -1;
  for (size_t k = 0; k < count; ++k) {
    const tstring& n = variables[k].name;
    WordSpan have{n.c_str(), n.size()};
    if (have.length == wanted.length && wordIsNoCase(have, name)) found = static_cast<int>(k);
  }
  return found;
}

const char* getTabText(const tabVar& var, float value) {
  if (!(value >= 0.0f) || value >= static_cast<float>(var.textList.size())) return nullptr;
  size_t index = static_cast<size_t>(value);
  if (static_cast<float>(index) != value) return nullptr;
  return var.textList[index].c_str();
}

int mapText(const char* text, tvector<tstring>* list, int* error) {
  if (text == nullptr) text = "";
  return mapTextSpan(text, std::strlen(text), list, error);
}

int isDataLine(const char* line) {
  static const char* const kNotData[] = {"REMARK",     "FORMAT",    "VARS", "TOLERANCE",
                                         "NULLSTRING", "NULLVALUE", "DATA", "END"};
  if (line == nullptr) return 0;
  WordSpan first = firstWord(line);
  if (first.length == 0 || first.text[0] == '#') return 0;
  for (const char* keyword : kNotData) {
    if (wordIsNoCase(first, keyword)) return 0;
  }
  return 1;
}

void us2space(char* text) {
  if (text == nullptr) return;
  for (; *text != '\0'; ++text) {
    if (*text == '_') *text = ' ';
  }
}

void hdrInit(hdrList* list) {
  tvector<tstring>(list->lines.get_allocator()).swap(list->lines);
}

void addHdrLine(hdrList* list, const char* line) {
  list->lines.push_back(tstring(line ? line : "", TrackedAllocator<char>("hdrLine")));
}

}  // namespace korva
