// NEF and NMR-STAR couplings: the _nef_rdc_restraint, _RDC_constraint and _RDC loops, one list
// per save frame.
#include <cstdio>
#include <string_view>

#include "structure/star_scan.h"
#include "structure/text_input.h"
#include "tables/coupling_readers.h"

namespace korva {

namespace {

// The columns a coupling loop may hold. Per atom: the file's own numbering, then the author
// numbering (NMR-STAR only), which is the numbering of the deposited structure.
enum Field { kValue, kError, kWeight, kFirstAtomField };
enum AtomField {
  kSeq,
  kComp,
  kAtom,
  kChain,
  kAuthSeq,
  kAuthComp,
  kAuthAtom,
  kAuthAsym,
  kAtomFields
};
constexpr int kFieldCount = kFirstAtomField + 2 * kAtomFields;

int atomField(int atom, int f) {
  return kFirstAtomField + atom * kAtomFields + f;
}

struct categorySpec {
  std::string_view category;  // tag prefix, with the dot
  couplingFormat format;
  const char* value[2];  // item names, the second an older name for the same column
  const char* error[2];
  const char* weight;
  const char* atom[kAtomFields];  // item stems, "_1" or "_2" appended
};

constexpr categorySpec kSpecs[] = {
    {"_nef_rdc_restraint.",
     couplingFormat::nef,
     {"target_value", nullptr},
     {"target_value_uncertainty", nullptr},
     "weight",
     {"sequence_code", "residue_name", "atom_name", "chain_code"}},
    {"_RDC_constraint.",
     couplingFormat::nmrStar,
     {"Target_value", "RDC_val"},
     {"Target_value_uncertainty", "RDC_val_err"},
     "Weight",
     {"Comp_index_ID", "Comp_ID", "Atom_ID", "Entity_assembly_ID", "Auth_seq_ID", "Auth_comp_ID",
      "Auth_atom_ID", "Auth_asym_ID"}},
    {"_RDC.",
     couplingFormat::nmrStar,
     {"Val", nullptr},
     {"Val_err", nullptr},
     nullptr,
     {"Comp_index_ID", "Comp_ID", "Atom_ID", "Entity_assembly_ID", "Auth_seq_ID", "Auth_comp_ID",
      "Auth_atom_ID", "Auth_asym_ID"}},
};

// The field an item of the category fills, or -1.
int fieldOf(const categorySpec& spec, std::string_view item) {
  for (const char* name : spec.value) {
    if (name != nullptr && sameNoCase(item, name)) return kValue;
  }
  for (const char* name : spec.error) {
    if (name != nullptr && sameNoCase(item, name)) return kError;
  }
  if (spec.weight != nullptr && sameNoCase(item, spec.weight)) return kWeight;
  if (item.size() < 3 || item[item.size() - 2] != '_') return -1;
  const int atom = item.back() - '1';
  if (atom != 0 && atom != 1) return -1;
  std::string_view stem = item.substr(0, item.size() - 2);
  for (int f = 0; f < kAtomFields; f++) {
    if (spec.atom[f] != nullptr && sameNoCase(stem, spec.atom[f])) return atomField(atom, f);
  }
  return -1;
}

class couplingLoopReader final : public starHandler {
 public:
  couplingLoopReader(const char* path, couplingFile* out, Log& log)
      : path_(path), out_(out), log_(log) {}

  void block(std::string_view name, int) override { block_ = name; }
  void frame(std::string_view name, int) override { frame_ = name; }
  void frameEnd() override { frame_ = {}; }
  void item(std::string_view tag, const starValue&) override { noteNef(tag); }
  void loopStart(int line) override {
    spec_ = nullptr;
    loopLine_ = line;
    firstTag_ = true;
    pos_ = row_ = 0;
  }
  void loopTag(std::string_view tag) override {
    noteNef(tag);
    if (firstTag_) {
      firstTag_ = false;
      posField_.clear();
      for (const categorySpec& s : kSpecs) {
        std::string_view item;
        if (starTagIn(tag, s.category, &item)) spec_ = &s;
      }
    }
    if (spec_ == nullptr) return;
    std::string_view item;
    posField_.push_back(starTagIn(tag, spec_->category, &item) ? fieldOf(*spec_, item) : -1);
  }
  void loopValue(const starValue& v) override {
    if (spec_ == nullptr) return;
    if (pos_ == 0 && row_ == 0 && !startLoop()) return;
    if (int f = posField_[pos_]; f >= 0) values_[f] = v;
    if (pos_ == 0) rowLine_ = v.line;
    if (++pos_ == posField_.size()) {
      pos_ = 0;
      row_++;
      takeRow();
    }
  }
  void loopEnd() override {
    if (spec_ == nullptr) return;
    if (row_ == 0) startLoop();  // a loop without rows still names its list
    finishEntityChains();
    spec_ = nullptr;
    row_ = 0;
  }

  Status& status() { return status_; }
  bool sawNef() const { return sawNef_; }

 private:
  void noteNef(std::string_view tag) { sawNef_ = sawNef_ || startsNoCase(tag, "_nef_"); }

  // Checks the columns once the tags are known and opens the frame's list.
  bool startLoop() {
    for (int f = 0; f < kFieldCount; f++) present_[f] = false;
    for (int f : posField_) {
      if (f >= 0) present_[f] = true;
    }
    const char* missing = present_[kValue] ? nullptr : spec_->value[0];
    const char* suffix = "";
    for (int a = 0; a < 2 && missing == nullptr; a++) {
      const bool own = present_[atomField(a, kSeq)] && present_[atomField(a, kAtom)];
      const bool auth = present_[atomField(a, kAuthSeq)] && present_[atomField(a, kAuthAtom)];
      if (!own && !auth) {
        missing = spec_->atom[present_[atomField(a, kSeq)] ? kAtom : kSeq];
        suffix = a == 0 ? "_1" : "_2";
      }
    }
    if (missing != nullptr) {
      if (status_.ok()) {
        std::string_view cat = spec_->category.substr(0, spec_->category.size() - 1);
        status_ = Status::failure("%s Error: %s line %d: loop %.*s has no column %s%s\n",
                                  couplingFormatName(spec_->format), path_, loopLine_,
                                  static_cast<int>(cat.size()), cat.data(), missing, suffix);
      }
      spec_ = nullptr;
      return false;
    }
    if (out_->format == couplingFormat::table) out_->format = spec_->format;
    list_ = &listNamed(out_, frame_.empty() ? block_ : frame_);
    entityChains_.clear();
    return true;
  }

  bool has(int f) const { return present_[f] && !values_[f].isNull(); }

  // Skips the current row with one warning naming the value and the reason.
  bool skip(int f, const char* what) {
    const starValue& v = values_[f];
    log_.printf("%s Warning: %s line %d (loop row %zu): %s \"%.*s\"; coupling skipped\n",
                couplingFormatName(spec_->format), path_, v.line, row_, what,
                static_cast<int>(v.text.size()), v.text.data());
    return false;
  }

  bool name(char* to, int f) {
    if (!has(f)) {
      to[0] = '\0';
      return true;
    }
    const char* problem = nameProblem(values_[f].text);
    if (problem[0] != '\0') {
      char what[64];
      std::snprintf(what, sizeof what, "name %s:", problem);
      return skip(f, what);
    }
    return copyName(to, values_[f].text);
  }

  // Fills residue number and names of one atom, from the author columns where they are given.
  bool takeAtom(int a, int* res, char* resName, char* atomName, char* chain) {
    auto f = [a](int k) { return atomField(a, k); };
    const bool auth = has(f(kAuthSeq)) && has(f(kAuthAtom));
    // The column reported when neither numbering gives a value is one the loop has.
    const bool own = present_[f(kSeq)] && present_[f(kAtom)];
    const int seq = auth || !own ? f(kAuthSeq) : f(kSeq);
    int comp = auth ? f(kAuthComp) : f(kComp);
    // A residue name of the file's own numbering belongs to the author residue only when the
    // two numbers agree.
    if (auth && !has(comp) && has(f(kSeq)) && values_[f(kSeq)].text == values_[seq].text) {
      comp = f(kComp);
    }
    int chainField = auth && has(f(kAuthAsym)) ? f(kAuthAsym) : f(kChain);
    if (!has(seq)) return skip(seq, "no residue number:");
    if (!parseInt(values_[seq].text, res)) return skip(seq, "unreadable residue number");
    const int atom = auth || !own ? f(kAuthAtom) : f(kAtom);
    if (!has(atom)) return skip(atom, "no atom name:");
    if (!name(atomName, atom) || !name(resName, comp) || !name(chain, chainField)) {
      return false;
    }
    if (spec_->format == couplingFormat::nmrStar && chainField == f(kChain)) {
      entityChains_.push_back({list_->entries.size(), a});
    }
    return true;
  }

  bool number(int f, float unset, float* out, const char* what) {
    double v = unset;
    if (has(f) && !parseReal(values_[f].text, &v)) return skip(f, what);
    *out = static_cast<float>(v);
    return true;
  }

  void takeRow() {
    if (!status_.ok()) return;
    const size_t marks = entityChains_.size();
    couplingEntry e{};
    e.where = rowLine_;
    bool ok = takeAtom(0, &e.resI, e.resNameI, e.atomNameI, e.chainI) &&
              takeAtom(1, &e.resJ, e.resNameJ, e.atomNameJ, e.chainJ);
    if (ok && !has(kValue)) ok = skip(kValue, "no coupling value:");
    ok = ok && number(kValue, 0.0f, &e.D, "unreadable coupling value") &&
         number(kError, kCouplingErrorUnset, &e.DD, "unreadable error") &&
         number(kWeight, kCouplingWeightUnset, &e.W, "unreadable weight");
    if (!ok) {
      entityChains_.resize(marks);
      return;
    }
    list_->entries.push_back(e);
  }

  // NMR-STAR's own chain identifier is an entity-assembly number, not the structure's chain
  // name: it is kept only where it tells molecules of one loop apart.
  void finishEntityChains() {
    if (entityChains_.empty()) return;
    auto chainOf = [this](const entityChain& m) -> char* {
      couplingEntry& e = list_->entries[m.entry];
      return m.atom == 0 ? e.chainI : e.chainJ;
    };
    const char* first = chainOf(entityChains_[0]);
    for (const entityChain& m : entityChains_) {
      if (std::string_view(chainOf(m)) != first) return;
    }
    for (const entityChain& m : entityChains_) chainOf(m)[0] = '\0';
  }

  struct entityChain {
    size_t entry;  // index into the list
    int atom;      // 0 for I, 1 for J
  };

  const char* path_;
  couplingFile* out_;
  Log& log_;
  Status status_;
  std::string_view block_, frame_;
  const categorySpec* spec_ = nullptr;  // category of the current loop, or null to ignore it
  couplingList* list_ = nullptr;
  tvector<int> posField_{TrackedAllocator<int>("couplingColumns")};
  tvector<entityChain> entityChains_{TrackedAllocator<entityChain>("couplingChains")};
  starValue values_[kFieldCount] = {};
  bool present_[kFieldCount] = {};
  size_t pos_ = 0;  // position in the current row
  size_t row_ = 0;  // rows of the current loop read so far
  int loopLine_ = 0;
  int rowLine_ = 0;
  bool firstTag_ = false;
  bool sawNef_ = false;
};

}  // namespace

Status readStarCouplings(const tvector<char>& text, const char* path, couplingFile* out, Log& log) {
  couplingLoopReader reader(path, out, log);
  out->format = couplingFormat::table;
  Status s = scanStar(text.data(), text.size(), path, "STAR", reader);
  if (s.ok()) s = reader.status();
  if (s.ok() && out->lists.empty()) {
    return Status::failure(
        "%s Error: %s holds no _nef_rdc_restraint, _RDC_constraint or _RDC "
        "loop\n",
        reader.sawNef() ? "NEF" : "NMR-STAR", path);
  }
  return s;
}

}  // namespace korva
