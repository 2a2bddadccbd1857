// Xplor-NIH restraint files: the assign statements of six selections whose first four select
// the atoms of a tensor pseudo-residue (OO, Z, X, Y); the residue number names the medium.
// Every other statement, restraint class and free text is passed over.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "structure/text_input.h"
#include "tables/coupling_readers.h"

namespace korva {

namespace {

constexpr const char* kKind = "Xplor";
constexpr int kSelections = 6;  // four tensor atoms, then atom I and atom J
constexpr int kTensorSelections = 4;
constexpr size_t kMaxNumbers = 3;  // value, then one or two errors
constexpr std::string_view kAxisNames[kTensorSelections] = {"OO", "X", "Y", "Z"};

struct token {
  std::string_view text;  // a word, "(" or ")", or the inside of a quoted text
  int line;
  bool quoted;
};

// Words, parentheses and quoted texts; comments ("!" to the line end, "{...}") dropped.
class lexer {
 public:
  lexer(const tvector<char>& text, const char* path)
      : p_(text.data()), end_(text.data() + text.size()), path_(path) {}

  // False at the end of the text or after an error (then status says which).
  bool next(token* t) {
    for (;;) {
      while (p_ < end_ && std::isspace(static_cast<unsigned char>(*p_))) {
        if (*p_++ == '\n') line_++;
      }
      if (p_ >= end_) return false;
      if (*p_ == '!') {
        while (p_ < end_ && *p_ != '\n') p_++;
      } else if (*p_ == '{') {
        const int open = line_;
        while (p_ < end_ && *p_ != '}') {
          if (*p_++ == '\n') line_++;
        }
        if (p_ >= end_) return fail(open, "comment { not closed");
        p_++;
      } else {
        break;
      }
    }
    const char* start = p_;
    *t = token{{}, line_, false};
    if (*p_ == '(' || *p_ == ')') {
      t->text = std::string_view(p_++, 1);
    } else if (*p_ == '"') {
      while (++p_ < end_ && *p_ != '"' && *p_ != '\n') {
      }
      if (p_ >= end_ || *p_ != '"') return fail(line_, "quoted text not closed on its line");
      t->text = std::string_view(start + 1, static_cast<size_t>(p_ - start - 1));
      t->quoted = true;
      p_++;
    } else {
      while (p_ < end_ && !std::isspace(static_cast<unsigned char>(*p_)) &&
             std::string_view("()!{\"").find(*p_) == std::string_view::npos) {
        p_++;
      }
      t->text = std::string_view(start, static_cast<size_t>(p_ - start));
    }
    return true;
  }

  Status& status() { return status_; }

 private:
  bool fail(int line, const char* what) {
    status_ = Status::failure("%s Error: %s line %d: %s\n", kKind, path_, line, what);
    p_ = end_;
    return false;
  }

  const char* p_;
  const char* end_;
  const char* path_;
  int line_ = 1;
  Status status_;
};

// Xplor keywords may be cut to their first four letters, in any case.
bool isKeyword(const token& t, std::string_view keyword) {
  const size_t least = keyword.size() < 4 ? keyword.size() : 4;
  if (t.quoted || t.text.size() < least || t.text.size() > keyword.size()) return false;
  for (size_t i = 0; i < t.text.size(); i++) {
    if (std::tolower(static_cast<unsigned char>(t.text[i])) != keyword[i]) return false;
  }
  return true;
}

// A selection of the form (resid N and name X [and segid S] [and resname R]), parts in any
// order and grouped by any parentheses; anything else (or, not, ranges, attributes) does not
// name one atom.
struct selection {
  int line;
  int res;
  bool hasRes;
  std::string_view name, seg, resName;
  bool simple;  // only the parts above
};

// Reads the tokens after "(" up to its ")". False at the end of the text.
bool readSelection(lexer& lex, int line, selection* sel) {
  *sel = selection{line, 0, false, {}, {}, {}, true};
  int depth = 1;
  token t;
  std::string_view* expect = nullptr;  // the part whose value comes next
  bool expectRes = false;
  while (lex.next(&t)) {
    if (!t.quoted && (t.text == "(" || t.text == ")")) {
      // Parentheses only group parts joined by "and", which leaves the meaning unchanged.
      if (expect != nullptr || expectRes) sel->simple = false;
      expect = nullptr;
      expectRes = false;
      depth += t.text == "(" ? 1 : -1;
      if (depth == 0) return true;
    } else if (expectRes) {
      sel->hasRes = parseInt(t.text, &sel->res);
      sel->simple = sel->simple && sel->hasRes;
      expectRes = false;
    } else if (expect != nullptr) {
      *expect = t.text;
      expect = nullptr;
    } else if (isKeyword(t, "residue")) {
      expectRes = true;
    } else if (isKeyword(t, "name")) {
      expect = &sel->name;
    } else if (isKeyword(t, "segidentifier")) {
      expect = &sel->seg;
    } else if (isKeyword(t, "resname")) {
      expect = &sel->resName;
    } else if (!isKeyword(t, "and")) {
      sel->simple = false;
    }
  }
  return false;
}

// Copies a name in upper case, the way structure files write it (Xplor ignores case).
bool upperName(char* to, std::string_view from) {
  if (!copyName(to, from)) return false;
  for (char* c = to; *c != '\0'; c++)
    *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  return true;
}

class statementReader {
 public:
  statementReader(lexer& lex, const char* path, couplingFile* out, Log& log)
      : lex_(lex), path_(path), out_(out), log_(log) {}

  // Reads one assign statement after its keyword. False when the text ended inside it.
  bool read(int line) {
    int count = 0;
    have_ = lex_.next(&next_);
    while (have_ && !next_.quoted && next_.text == "(") {
      selection sel;
      if (!readSelection(lex_, next_.line, &sel)) return false;
      if (count < kSelections) sels_[count] = sel;
      count++;
      have_ = lex_.next(&next_);
    }
    size_t numbers = 0;
    double v = 0.0;
    while (have_ && !next_.quoted && parseReal(next_.text, &v)) {
      if (numbers < kMaxNumbers) values_[numbers] = v;
      numbers++;
      have_ = lex_.next(&next_);
    }
    // Dihedral restraints also select four atoms, often of one residue: a statement counts as a
    // coupling when it has six selections or its first four name the tensor axes.
    if (count < kTensorSelections || !isTensor() || (count != kSelections && !namesAxes())) {
      return true;  // another kind of restraint
    }
    if (!have_ && (count < kSelections || numbers == 0)) return false;
    out_->format = couplingFormat::xplor;
    list_ = &listNamed(out_, std::to_string(sels_[0].res));
    if (count != kSelections) {
      return warn(line, formatText("an assign statement on a tensor residue has %d selections, "
                                   "not 6",
                                   count));
    }
    if (numbers == 0) return warn(line, "no coupling value after the six selections");
    takeCoupling(line, numbers);
    return true;
  }

  // The token that ended the statement, still to be looked at.
  bool pending(token* t) const {
    *t = next_;
    return have_;
  }

 private:
  bool isTensor() const {
    for (int i = 0; i < kTensorSelections; i++) {
      const selection& s = sels_[i];
      if (!s.simple || !s.hasRes || s.name.empty() || s.res != sels_[0].res) return false;
    }
    return true;
  }

  // True when the first four selections name OO, X, Y and Z in some order.
  bool namesAxes() const {
    int seen = 0;
    for (int i = 0; i < kTensorSelections; i++) {
      std::string_view n = sels_[i].name;
      for (int k = 0; k < kTensorSelections; k++) {
        if (n.size() == kAxisNames[k].size() &&
            std::equal(n.begin(), n.end(), kAxisNames[k].begin(), [](char a, char b) {
              return std::toupper(static_cast<unsigned char>(a)) == b;
            })) {
          seen |= 1 << k;
        }
      }
    }
    return seen == (1 << kTensorSelections) - 1;
  }

  // Always true: the statement is read, only its coupling is dropped.
  bool warn(int line, const std::string& what) {
    log_.printf("%s Warning: %s line %d: %s; coupling skipped\n", kKind, path_, line, what.c_str());
    return true;
  }

  bool atom(const selection& s, int* res, char* resName, char* name, char* seg) {
    if (!s.simple || !s.hasRes || s.name.empty()) {
      return !warn(s.line, "the selection does not name one atom by resid and name");
    }
    for (std::string_view part : {s.name, s.resName, s.seg}) {
      if (const char* problem = nameProblem(part); problem[0] != '\0') {
        return !warn(s.line, formatText("name \"%.*s\" is %s", static_cast<int>(part.size()),
                                        part.data(), problem));
      }
    }
    *res = s.res;
    return upperName(name, s.name) && upperName(resName, s.resName) && upperName(seg, s.seg);
  }

  void takeCoupling(int line, size_t numbers) {
    couplingEntry e{};
    e.where = line;
    if (!atom(sels_[4], &e.resI, e.resNameI, e.atomNameI, e.segI) ||
        !atom(sels_[5], &e.resJ, e.resNameJ, e.atomNameJ, e.segJ)) {
      return;
    }
    e.D = static_cast<float>(values_[0]);
    // Given errors (one, or lower and upper) become one: the larger.
    double dd = numbers > 1 ? values_[1] : kCouplingErrorUnset;
    if (numbers > 2 && values_[2] > dd) dd = values_[2];
    e.DD = static_cast<float>(dd);
    e.W = kCouplingWeightUnset;
    list_->entries.push_back(e);
  }

  lexer& lex_;
  const char* path_;
  couplingFile* out_;
  Log& log_;
  couplingList* list_ = nullptr;  // list of the current statement's tensor residue
  selection sels_[kSelections] = {};
  double values_[kMaxNumbers] = {};
  token next_{};
  bool have_ = false;
};

}  // namespace

Status readXplorCouplings(const tvector<char>& text, const char* path, couplingFile* out,
                          Log& log) {
  lexer lex(text, path);
  statementReader statement(lex, path, out, log);
  out->format = couplingFormat::table;
  bool anyAssign = false;
  token t;
  bool have = lex.next(&t);
  while (have) {
    if (!isKeyword(t, "assign")) {
      have = lex.next(&t);
      continue;
    }
    anyAssign = true;
    if (!statement.read(t.line)) {
      if (!lex.status().ok()) return lex.status();
      return Status::failure("%s Error: %s line %d: the file ends inside this assign statement\n",
                             kKind, path, t.line);
    }
    have = statement.pending(&t);
  }
  if (!lex.status().ok()) return lex.status();
  if (anyAssign && out->lists.empty()) {
    return Status::failure(
        "%s Error: %s holds no assign statement of six selections on a tensor "
        "residue\n",
        kKind, path);
  }
  return Status::success();
}

}  // namespace korva
