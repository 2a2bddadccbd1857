// mmCIF atom tables: the _atom_site rows read straight from the scanner into atom records, and
// the writer of a structure as mmCIF.
#include "structure/mmcif.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "structure/select.h"
#include "structure/star_scan.h"
#include "structure/text_input.h"

namespace korva {

namespace {

constexpr const char* kKind = "mmCIF";
constexpr std::string_view kAtomSite = "_atom_site.";

// The _atom_site columns the reader uses; the first seven must be present.
enum Column {
  kX,
  kY,
  kZ,
  kSeq,
  kComp,
  kAsym,
  kAtom,
  kRequired,  // columns before this one are required
  kGroup = kRequired,
  kId,
  kSymbol,
  kAltId,
  kInsCode,
  kOccupancy,
  kBFactor,
  kCharge,
  kModel,
  kColumnCount,
};

constexpr const char* kColumnNames[kColumnCount] = {
    "Cartn_x",
    "Cartn_y",
    "Cartn_z",
    "auth_seq_id",
    "auth_comp_id",
    "auth_asym_id",
    "auth_atom_id",
    "group_PDB",
    "id",
    "type_symbol",
    "label_alt_id",
    "pdbx_PDB_ins_code",
    "occupancy",
    "B_iso_or_equiv",
    "pdbx_formal_charge",
    "pdbx_PDB_model_num",
};

int columnOf(std::string_view item) {
  for (int c = 0; c < kColumnCount; c++) {
    if (sameNoCase(item, kColumnNames[c])) return c;
  }
  return -1;
}

// Collects the rows of the first _atom_site table (a loop, or pairs for a one-atom file).
class atomSiteReader final : public starHandler {
 public:
  atomSiteReader(const char* path, const struct pdbSelect* select, Log& log)
      : path_(path), select_(select), log_(log) {}

  void block(std::string_view, int) override { flushPairs(); }
  void frame(std::string_view, int) override { flushPairs(); }
  void loopStart(int line) override {
    flushPairs();
    loopLine_ = line;
    inLoop_ = false;
    firstTag_ = true;
    checked_ = false;
    posColumn_.clear();
    pos_ = 0;
  }
  void loopTag(std::string_view tag) override {
    std::string_view item;
    // A loop holds one category, named by its first tag.
    if (firstTag_) inLoop_ = !done_ && starTagIn(tag, kAtomSite, &item);
    firstTag_ = false;
    if (!inLoop_) return;
    if (!starTagIn(tag, kAtomSite, &item)) item = {};
    posColumn_.push_back(columnOf(item));
  }
  void loopValue(const starValue& v) override {
    if (!inLoop_) return;
    if (!checked_ && !checkColumns()) return;
    int c = posColumn_[pos_];
    if (c >= 0) row_[c] = v;
    if (++pos_ == posColumn_.size()) {
      pos_ = 0;
      takeRow();
    }
  }
  void loopEnd() override {
    if (!inLoop_) return;
    if (!checked_) checkColumns();
    inLoop_ = false;
    done_ = true;
  }
  void item(std::string_view tag, const starValue& v) override {
    std::string_view item;
    if (done_ || !starTagIn(tag, kAtomSite, &item)) {
      flushPairs();
      return;
    }
    if (!inPairs_) {
      inPairs_ = true;
      loopLine_ = v.line;
      for (int c = 0; c < kColumnCount; c++) present_[c] = false;
    }
    int c = columnOf(item);
    if (c >= 0) row_[c] = v, present_[c] = true;
  }

  // Ends a pending one-row table; to be called once the scan is over.
  void flushPairs() {
    if (!inPairs_) return;
    inPairs_ = false;
    done_ = true;
    for (int c = 0; c < kRequired; c++) {
      if (!present_[c]) return missingColumn(c);
    }
    takeRow();
  }

  bool found() const { return done_; }
  Status& status() { return status_; }
  tvector<atomModel>& models() { return models_; }

 private:
  // The required columns are known once the first value arrives (or the empty loop ends).
  bool checkColumns() {
    checked_ = true;
    for (int c = 0; c < kColumnCount; c++) present_[c] = false;
    for (int c : posColumn_) {
      if (c >= 0) present_[c] = true;
    }
    for (int c = 0; c < kRequired; c++) {
      if (!present_[c]) {
        missingColumn(c);
        inLoop_ = false;
        done_ = true;
        return false;
      }
    }
    return true;
  }

  void missingColumn(int c) {
    if (!status_.ok()) return;
    status_ = Status::failure("%s Error: %s line %d: the _atom_site table has no column %s%s\n",
                              kKind, path_, loopLine_, kAtomSite.data(), kColumnNames[c]);
  }

  void badNumber(int c) {
    if (!status_.ok()) return;
    const starValue& v = row_[c];
    status_ =
        Status::failure("%s Error: %s line %d: unreadable _atom_site.%s \"%.*s\"\n", kKind, path_,
                        v.line, kColumnNames[c], static_cast<int>(v.text.size()), v.text.data());
  }

  bool has(int c) const { return present_[c] && !row_[c].isNull(); }

  std::string_view text(int c) const { return has(c) ? row_[c].text : std::string_view(); }

  void name(char* to, int c) {
    if (!copyName(to, text(c))) {
      log_.printf("%s Warning: %s line %d: _atom_site.%s \"%.*s\" cut to %d characters\n", kKind,
                  path_, row_[c].line, kColumnNames[c], static_cast<int>(row_[c].text.size()),
                  row_[c].text.data(), kNameLen - 1);
    }
  }

  // Reads a number column; absent or null gives 0. False after reporting a bad value.
  bool real(int c, float* out) {
    double v = 0.0;
    if (has(c) && !parseReal(row_[c].text, &v)) return badNumber(c), false;
    *out = static_cast<float>(v);
    return true;
  }
  bool integer(int c, int* out) {
    *out = 0;
    if (has(c) && !parseInt(row_[c].text, out)) return badNumber(c), false;
    return true;
  }

  void takeRow() {
    if (!status_.ok()) return;
    if (has(kGroup) && !sameNoCase(row_[kGroup].text, "ATOM")) return;
    pdbAtom a{};
    for (int c : {kX, kY, kZ, kSeq}) {
      if (!has(c)) return badNumber(c);
    }
    name(a.atomName, kAtom);
    name(a.locId, kAltId);
    name(a.resName, kComp);
    name(a.chainId, kAsym);
    name(a.iCode, kInsCode);
    name(a.element, kSymbol);
    int charge = 0;
    int model = 1;
    if (!integer(kSeq, &a.resId) || !integer(kId, &a.atomId) || !integer(kCharge, &charge) ||
        !real(kX, &a.x) || !real(kY, &a.y) || !real(kZ, &a.z) || !real(kOccupancy, &a.occupancy) ||
        !real(kBFactor, &a.tempFactor) || (has(kModel) && !integer(kModel, &model))) {
      return;
    }
    // The PDB file writes a formal charge as digit then sign.
    if (charge != 0 && charge > -10 && charge < 10) {
      std::snprintf(a.charge, kNameLen, "%d%c", charge < 0 ? -charge : charge,
                    charge < 0 ? '-' : '+');
    }
    if (select_ != nullptr && !pdbSelectTest(&a, select_)) return;
    modelFor(model).atoms.push_back(a);
  }

  atomModel& modelFor(int number) {
    if (current_ < models_.size() && models_[current_].number == number) return models_[current_];
    for (current_ = 0; current_ < models_.size(); current_++) {
      if (models_[current_].number == number) return models_[current_];
    }
    models_.push_back(atomModel{number, tvector<pdbAtom>(TrackedAllocator<pdbAtom>("mmcifAtoms"))});
    return models_.back();
  }

  const char* path_;
  const struct pdbSelect* select_;
  Log& log_;
  Status status_;
  tvector<atomModel> models_{TrackedAllocator<atomModel>("mmcifModels")};
  size_t current_ = 0;                                             // model that took the last atom
  tvector<int> posColumn_{TrackedAllocator<int>("mmcifColumns")};  // column of each loop tag
  starValue row_[kColumnCount] = {};
  bool present_[kColumnCount] = {};
  size_t pos_ = 0;  // position in the current row
  int loopLine_ = 0;
  bool inLoop_ = false;    // in the _atom_site loop
  bool firstTag_ = false;  // the next tag is the first of its loop
  bool checked_ = false;   // required columns checked for this loop
  bool inPairs_ = false;   // in a one-row table written as tag-value pairs
  bool done_ = false;      // the first table has been read; later ones are ignored
};

// A value as one CIF token: bare where that is unambiguous, else quoted, else a text field.
void putValue(FILE* fp, const char* s) {
  std::string_view v(s);
  if (v.empty()) {
    std::fputs(" ?", fp);
    return;
  }
  bool bare = std::strchr("_#$'\";[]", v.front()) == nullptr && v != "." && v != "?";
  for (char c : v) bare = bare && !std::isspace(static_cast<unsigned char>(c));
  for (const char* word : {"data_", "loop_", "save_", "global_", "stop_"}) {
    std::string_view w(word);
    bare = bare && !startsNoCase(v, word);
  }
  if (bare) {
    std::fprintf(fp, " %s", s);
    return;
  }
  for (char q : {'\'', '"'}) {
    // A quote closes a string only where white space follows it.
    bool closes = false;
    for (size_t i = 0; i + 1 < v.size(); i++) {
      closes = closes || (v[i] == q && std::isspace(static_cast<unsigned char>(v[i + 1])));
    }
    if (!closes && std::strchr(s, '\n') == nullptr) {
      std::fprintf(fp, " %c%s%c", q, s, q);
      return;
    }
  }
  std::fprintf(fp, "\n;%s\n;\n", s);
}

// The PDB-style charge ("2+", "1-") as a number, or 0.
int chargeValue(const char* c) {
  if (c[0] >= '1' && c[0] <= '9' && (c[1] == '+' || c[1] == '-') && c[2] == '\0') {
    return c[1] == '-' ? -(c[0] - '0') : c[0] - '0';
  }
  return 0;
}

}  // namespace

Outcome<tvector<atomModel>> readMmcif(const char* path, const struct pdbSelect* select, Log& log) {
  Outcome<tvector<atomModel>> out;
  tvector<char> text(TrackedAllocator<char>("mmcifText"));
  out.status = readTextFile(path, kKind, &text);
  if (!out.ok()) return out;
  atomSiteReader reader(path, select, log);
  out.status = scanStar(text.data(), text.size(), path, kKind, reader);
  reader.flushPairs();
  if (out.ok()) out.status = reader.status();
  if (out.ok() && !reader.found()) {
    out.status = Status::failure("%s Error: %s holds no _atom_site table\n", kKind, path);
  }
  if (out.ok()) out.value = std::move(reader.models());
  return out;
}

Status writeMmcif(const char* path, const pdbInfo& pdb, const char* remark) {
  const std::string tmp = std::string(path) + ".part";
  FILE* fp = std::fopen(tmp.c_str(), "w");
  if (fp == nullptr) return Status::failure("%s Error opening file %s\n", kKind, tmp.c_str());
  std::fprintf(fp, "data_korva\n");
  if (remark != nullptr) {
    std::fputs("# ", fp);
    for (const char* c = remark; *c != '\0'; c++) std::fputc(*c == '\n' ? ' ' : *c, fp);
    std::fputc('\n', fp);
  }
  std::fprintf(fp, "loop_\n");
  for (const char* col : {"group_PDB",
                          "id",
                          "type_symbol",
                          "label_atom_id",
                          "label_alt_id",
                          "label_comp_id",
                          "label_asym_id",
                          "label_seq_id",
                          "pdbx_PDB_ins_code",
                          "Cartn_x",
                          "Cartn_y",
                          "Cartn_z",
                          "occupancy",
                          "B_iso_or_equiv",
                          "pdbx_formal_charge",
                          "auth_seq_id",
                          "auth_comp_id",
                          "auth_asym_id",
                          "auth_atom_id",
                          "pdbx_PDB_model_num"}) {
    std::fprintf(fp, "_atom_site.%s\n", col);
  }
  for (const pdbAtom& a : pdb.atoms) {
    std::fprintf(fp, "ATOM %d", a.atomId);
    putValue(fp, a.element);
    putValue(fp, a.atomName);
    if (a.locId[0] == '\0')
      std::fputs(" .", fp);
    else
      putValue(fp, a.locId);
    putValue(fp, a.resName);
    putValue(fp, a.chainId);
    std::fprintf(fp, " %d", a.resId);
    putValue(fp, a.iCode);
    std::fprintf(fp, " %.3f %.3f %.3f %.2f %.2f", a.x, a.y, a.z, a.occupancy, a.tempFactor);
    if (int q = chargeValue(a.charge); q != 0)
      std::fprintf(fp, " %d", q);
    else
      std::fputs(" ?", fp);
    std::fprintf(fp, " %d", a.resId);
    putValue(fp, a.resName);
    putValue(fp, a.chainId);
    putValue(fp, a.atomName);
    std::fputs(" 1\n", fp);
  }
  std::fputs("#\n", fp);
  bool bad = std::ferror(fp) != 0;
  bad = std::fclose(fp) != 0 || bad;
  if (bad || std::rename(tmp.c_str(), path) != 0) {
    // A full disk must not pass as a written structure, nor leave half a file behind.
    std::remove(tmp.c_str());
    return Status::failure("%s Error writing file %s\n", kKind, path);
  }
  return Status::success();
}

}  // namespace korva
