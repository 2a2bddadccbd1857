// PDB reading by fixed columns, and the name and number index of a structure.
#include "structure/pdb.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "core/input.h"
#include "structure/select.h"

namespace korva {

namespace {

// One PDB field: 1-based first and last column, inclusive.
struct pdbField {
  const char* name;
  int first;
  int last;
};

constexpr pdbField pdbFieldList[] = {
    {"ATOMID", 7, 11},   {"ATOMNAME", 13, 16}, {"LOCID", 17, 17},     {"RESNAME", 18, 21},
    {"CHAINID", 22, 22}, {"RESID", 23, 26},    {"ICODE", 27, 27},     {"X", 31, 38},
    {"Y", 39, 46},       {"Z", 47, 54},        {"OCCUPANCY", 55, 60}, {"TEMPFACTOR", 61, 66},
    {"SEGID", 73, 76},   {"ELEMENT", 77, 78},  {"CHARGE", 79, 80},
};

enum FieldIndex {
  kAtomId,
  kAtomName,
  kLocId,
  kResName,
  kChainId,
  kResId,
  kICode,
  kX,
  kY,
  kZ,
  kOccupancy,
  kTempFactor,
  kSegId,
  kElement,
  kCharge,
};

constexpr size_t kFirstAtoms = 4096;      // initial atom array
constexpr long kAtomLineBytes = 81;       // an 80-column ATOM record and its newline
constexpr size_t kKeptHeadroom = 8;       // unused atom slots up to 1/8 of the atoms stay
constexpr long kMostExpected = 1L << 18;  // atoms reserved at most before the first growth
constexpr size_t kFirstResidues = 512;
constexpr size_t kFirstChains = 8;
constexpr size_t kFirstResAtoms = 32;
constexpr size_t kKeyLen = 128;  // ints and four 15-character names fit with room to spare
// Atoms whose coordinates or residue number cannot be used are left out. When more than this many
// in a hundred are, what remains is no longer the structure the file describes, and the file is
// refused.
constexpr int kRefusedPerHundred = 1;
constexpr int kRefusedNamed = 10;  // refused atoms named one by one; the rest are counted

constexpr size_t kLineBlock = size_t{1} << 16;  // bytes read from the file at a time

// Reads whole lines; bytes are kept as they are, NUL included. Each line is a view into a block of
// the file, so its bytes are copied once, from the file into the block; only the one line that
// straddles two blocks is moved to the block's front first. A byte-order mark at the start is
// skipped. Only the first columns of a record matter: of a line longer than the line limit the
// head is kept and the rest dropped as it comes, so that an input without newlines never fills
// memory; an input longer than the size limit ends the reading (tooBig).
class LineReader {
 public:
  explicit LineReader(FILE* fp) : fp_(fp) {}

  // The next line without its "\n"; false at end of file when no byte was left, or when the
  // input passed the size limit.
  bool next(std::string_view* line) {
    size_t searched = pos_;  // bytes of this line known to hold no newline
    for (;;) {
      const void* nl =
          len_ > searched ? std::memchr(block_.data() + searched, '\n', len_ - searched) : nullptr;
      if (nl != nullptr) {
        const size_t end = static_cast<size_t>(static_cast<const char*>(nl) - block_.data());
        *line = std::string_view(block_.data() + pos_, end - pos_);
        pos_ = end + 1;
        return true;
      }
      if (atEnd_) {
        if (pos_ == len_) return false;
        *line = std::string_view(block_.data() + pos_, len_ - pos_);
        pos_ = len_;
        return true;
      }
      // The bytes searched hold no newline: beyond the line limit they can go.
      const size_t part = std::min(len_ - pos_, kMaxLineBytes);
      if (part > 0) std::memmove(block_.data(), block_.data() + pos_, part);
      pos_ = 0;
      len_ = searched = part;
      // A line longer than the block grows it, up to the line limit.
      if (block_.size() < part + kLineBlock) block_.resize(part + kLineBlock);
      const size_t want = block_.size() - len_;
      const size_t got = std::fread(block_.data() + len_, 1, want, fp_);
      if (total_ == 0) pos_ = byteOrderMarkLength(block_.data(), got);
      total_ += static_cast<long long>(got);
      len_ += got;
      if (got < want) atEnd_ = true;  // end of file or a read error, which the caller asks
      if (total_ > kMaxInputBytes) {
        tooBig_ = atEnd_ = true;
        return false;
      }
    }
  }

  bool tooBig() const { return tooBig_; }

 private:
  FILE* fp_;
  tvector<char> block_{TrackedAllocator<char>("pdbLine")};
  size_t pos_ = 0;       // first byte of the next line
  size_t len_ = 0;       // bytes held
  long long total_ = 0;  // bytes read from the file
  bool atEnd_ = false;
  bool tooBig_ = false;
};

// Room for the atoms of a file of 80-column records, so that the array is filled in place: each
// growth would copy every atom read so far into memory that the system must first hand out page
// by page. Bounded, so that a large file of other records does not claim memory it never uses;
// a stream that cannot seek gets the usual start.
size_t expectedAtoms(FILE* fp) {
  if (fp == nullptr || std::fseek(fp, 0, SEEK_END) != 0) return kFirstAtoms;
  const long bytes = std::ftell(fp);
  std::rewind(fp);
  const long atoms = std::clamp(bytes / kAtomLineBytes + 1, 0L, kMostExpected);
  return std::max(kFirstAtoms, static_cast<size_t>(atoms));
}

// White space as the C locale's isspace has it.
inline bool isSpaceByte(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
// The blanks of the column rule: white space and a stray NUL.
inline bool isBlankByte(char c) {
  return isSpaceByte(c) || c == '\0';
}

// Column rule: the field's columns with every blank (and stray NUL) dropped; empty when the
// line ends before the field starts.
void getSubStr0(std::string_view line, const pdbField& f, char* out) {
  size_t n = 0;
  const size_t first = static_cast<size_t>(f.first - 1);
  const size_t last = std::min(static_cast<size_t>(f.last), line.size());
  for (size_t i = first; i < last; i++) {
    if (isBlankByte(line[i])) continue;
    if (n + 1 < static_cast<size_t>(kNameLen)) out[n++] = line[i];
  }
  out[n] = '\0';
}

// True when the first blank-delimited word is ATOM in any case.
bool isAtomLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && isSpaceByte(line[i])) i++;
  size_t start = i;
  while (i < line.size() && !isSpaceByte(line[i])) i++;
  if (i - start != 4) return false;
  const char* w = &line[start];
  return std::toupper(static_cast<unsigned char>(w[0])) == 'A' &&
         std::toupper(static_cast<unsigned char>(w[1])) == 'T' &&
         std::toupper(static_cast<unsigned char>(w[2])) == 'O' &&
         std::toupper(static_cast<unsigned char>(w[3])) == 'M';
}

// Plain decimal text as strtod reads it: an optional sign, then at most kPlainDigits digits with
// at most one point. With so few digits the integer they form and the power of ten are both exact
// doubles, so their one correctly rounded quotient is strtod's correctly rounded value. False for
// anything else (exponents, hexadecimal, inf, nan, longer numbers), which strtod itself decides.
constexpr int kPlainDigits = 15;
constexpr double kPowersOfTen[kPlainDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool plainDecimal(const char* text, double* value) {
  const char* p = text;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') p++;
  uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (;; p++) {
    if (*p >= '0' && *p <= '9') {
      if (++count > kPlainDigits) return false;
      digits = digits * 10 + static_cast<uint64_t>(*p - '0');
      decimals += point ? 1 : 0;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (*p != '\0' || count == 0) return false;
  const double v = static_cast<double>(digits) / kPowersOfTen[decimals];
  *value = negative ? -v : v;
  return true;
}

// True for a MODEL record: the word MODEL in columns 1-5 followed by a blank or the line's end.
bool isModelLine(std::string_view line) {
  if (line.substr(0, 5) != "MODEL") return false;
  return line.size() == 5 || isSpaceByte(line[5]);
}

// The serial number of a MODEL record, columns 11-14 (read from 7 on: writers differ).
constexpr pdbField kModelNumber = {"MODEL", 7, 14};

// Leading digits of a field as an integer, 0 for an empty field. ok is cleared when a non-empty
// field holds no number at all.
int fieldInt(const char* text, bool* ok) {
  if (text[0] == '\0') return 0;
  const char* p = text + (text[0] == '-' || text[0] == '+' ? 1 : 0);
  if (*p >= '0' && *p <= '9') {
    // The common case without strtol: a field of at most 5 characters cannot overflow.
    int v = 0;
    for (; *p >= '0' && *p <= '9'; p++) v = v * 10 + (*p - '0');
    return text[0] == '-' ? -v : v;
  }
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text) {
    *ok = false;
    return 0;
  }
  return static_cast<int>(v);
}

// A real field; empty, malformed or non-finite text gives 0 and clears ok (except empty).
float fieldReal(const char* text, bool* ok) {
  if (text[0] == '\0') return 0.0f;
  double v = 0.0;
  if (plainDecimal(text, &v)) return static_cast<float>(v);
  char* end = nullptr;
  v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(static_cast<float>(v))) {
    *ok = false;
    return 0.0f;
  }
  return static_cast<float>(v);
}

// Why a coordinate field cannot be used (nullptr when it can): an atom is placed by all three,
// so an empty or unreadable one must never stand in as 0.
const char* coordinateFault(const char* text, float* value) {
  if (text[0] == '\0') return "is empty";
  bool ok = true;
  *value = fieldReal(text, &ok);
  return ok ? nullptr : "is not a finite single-precision number";
}

// The residue number must be a whole number: one read as 0 would join another residue.
const char* residueFault(const char* text, int* value) {
  if (text[0] == '\0') return "is empty";
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0') return "is not a whole number";
  *value = static_cast<int>(v);  // a field of at most 4 characters cannot overflow
  return nullptr;
}

const char* orEmpty(const char* s) {
  return s == nullptr ? "" : s;
}

// Index keys, built by hand (this runs once per atom and lookup): an optional number in decimal,
// then each name preceded by a byte that gives its length, so that no two different name lists
// share a key. The length byte is 'A' + length; names hold at most 15 characters.
class indexKey {
 public:
  indexKey& number(int v) {
    char digits[12];
    int n = 0;
    unsigned int u = v < 0 ? 0u - static_cast<unsigned int>(v) : static_cast<unsigned int>(v);
    do {
      digits[n++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u != 0);
    if (v < 0) text_[len_++] = '-';
    while (n > 0) text_[len_++] = digits[--n];
    return *this;
  }
  indexKey& name(const char* s) {
    size_t n = 0;
    while (n < static_cast<size_t>(kNameLen) - 1 && s[n] != '\0') n++;
    text_[len_++] = static_cast<char>('A' + n);
    for (size_t i = 0; i < n; i++) text_[len_++] = s[i];
    return *this;
  }
  const char* c_str() {
    text_[len_] = '\0';
    return text_;
  }

 private:
  char text_[kKeyLen];
  size_t len_ = 0;
};

const char* atomKey(indexKey&& k, int resId, const char* name, const char* iCode, const char* chain,
                    const char* seg) {
  return k.number(resId).name(name).name(iCode).name(chain).name(seg).c_str();
}

const char* resKey(indexKey&& k, int resId, const char* chain, const char* seg) {
  return k.number(resId).name(chain).name(seg).c_str();
}

}  // namespace

int pdbStrCpy(char* to, const char* from) {
  from = orEmpty(from);
  size_t len = std::strlen(from);
  int cut = 0;
  if (len >= static_cast<size_t>(kNameLen)) {
    len = kNameLen - 1;
    cut = 1;
  }
  std::memcpy(to, from, len);
  to[len] = '\0';
  return cut;
}

void pdbFree(pdbInfo* pdb) {
  if (pdb == nullptr) return;
  tvector<pdbAtom>().swap(pdb->atoms);
  tvector<pdbRes>().swap(pdb->residues);
  tvector<pdbChain>().swap(pdb->chains);
  tvector<pdbSeg>().swap(pdb->segs);
  hSymTabFree(&pdb->atomTab);
  hSymTabFree(&pdb->resTab);
  hSymTabFree(&pdb->chainTab);
  hSymTabFree(&pdb->segTab);
  pdb->nAtoms = pdb->nRes = pdb->nChains = pdb->nSegs = 0;
  pdb->firstRes = pdb->lastRes = 0;
  pdb->defChain[0] = '\0';
  pdb->defSeg[0] = '\0';
}

void pdbNull(pdbInfo* pdb) {
  pdbFree(pdb);
}

int readPDBAtoms(const char* fileName, const struct pdbSelect* select, tvector<pdbAtom>* atoms,
                 tvector<pdbModelMark>* marks, Log& log) {
  fileName = orEmpty(fileName);
  bool useStdin = fileName[0] == '\0';
  FILE* fp = useStdin ? stdin : std::fopen(fileName, "r");
  if (fp == nullptr) {
    log.printf("PDB Error opening PDB file %s\n", fileName);
    return 1;
  }

  const char* shownName = useStdin ? "(stdin)" : fileName;
  LineReader reader(fp);
  std::string_view line;
  int lineNo = 0;
  int badLine = 0;   // first line with an unreadable serial number, occupancy or B-factor
  int badCount = 0;  // number of such fields
  int refused = 0;   // atoms left out for unusable coordinates or residue numbers
  size_t kept = 0;   // atoms read
  int status = 0;
  try {
    atoms->reserve(expectedAtoms(useStdin ? nullptr : fp));
    while (reader.next(&line)) {
      lineNo++;
      if (marks != nullptr && isModelLine(line)) {
        char field[kNameLen];
        getSubStr0(line, kModelNumber, field);
        bool numberOk = true;
        const int number = fieldInt(field, &numberOk);
        marks->push_back({atoms->size(), numberOk && field[0] != '\0' ? number : 0});
        continue;
      }
      if (!isAtomLine(line)) continue;  // also skips blank lines
      pdbAtom a{};
      char field[kNameLen];
      getSubStr0(line, pdbFieldList[kAtomName], a.atomName);
      getSubStr0(line, pdbFieldList[kLocId], a.locId);
      getSubStr0(line, pdbFieldList[kResName], a.resName);
      getSubStr0(line, pdbFieldList[kChainId], a.chainId);
      getSubStr0(line, pdbFieldList[kICode], a.iCode);
      getSubStr0(line, pdbFieldList[kSegId], a.segId);
      char resField[kNameLen];
      getSubStr0(line, pdbFieldList[kResId], resField);
      const char* fault = residueFault(resField, &a.resId);
      const char* faultField = "residue number";
      const char* faultText = resField;
      if (fault == nullptr && select != nullptr && !pdbSelectTest(&a, select)) continue;

      float* coords[] = {&a.x, &a.y, &a.z};
      const int coordFields[] = {kX, kY, kZ};
      const char* coordNames[] = {"x", "y", "z"};
      for (int k = 0; k < 3 && fault == nullptr; k++) {
        getSubStr0(line, pdbFieldList[coordFields[k]], field);
        fault = coordinateFault(field, coords[k]);
        faultField = coordNames[k];
        faultText = field;
      }
      if (fault != nullptr) {
        if (refused++ < kRefusedNamed) {
          log.printf("PDB Warning: %s line %d: atom %s of %s %s left out: %s '%s' %s.\n", shownName,
                     lineNo, a.atomName, a.resName, resField, faultField, faultText, fault);
        }
        continue;
      }

      bool ok = true;
      getSubStr0(line, pdbFieldList[kAtomId], field);
      a.atomId = fieldInt(field, &ok);
      float* reals[] = {&a.occupancy, &a.tempFactor};
      const int realFields[] = {kOccupancy, kTempFactor};
      for (int k = 0; k < 2; k++) {
        getSubStr0(line, pdbFieldList[realFields[k]], field);
        bool fieldOk = true;
        *reals[k] = fieldReal(field, &fieldOk);
        if (!fieldOk) ok = false, badCount++;
      }
      getSubStr0(line, pdbFieldList[kElement], a.element);
      getSubStr0(line, pdbFieldList[kCharge], a.charge);
      if (!ok && badLine == 0) badLine = lineNo;
      atoms->push_back(a);
      kept++;
    }
  } catch (const std::bad_alloc&) {
    log.printf("PDB Error Allocating Atom memory.\n");
    status = 1;
  }
  if (status == 0 && std::ferror(fp)) {
    log.printf("PDB Error reading PDB file %s\n", shownName);
    status = 1;
  } else if (status == 0 && reader.tooBig()) {
    log.printf("PDB Error: %s; not read.\n",
               lineReadFailure(lineRead::tooBig, shownName, lineNo).c_str());
    status = 1;
  }
  if (!useStdin) std::fclose(fp);
  if (status != 0) return status;
  if (badLine != 0) {
    // These fields only travel into a written structure; 0 there is said, not hidden.
    log.printf("PDB Warning: unreadable number in %s line %d (%d fields read as 0).\n", shownName,
               badLine, badCount > 0 ? badCount : 1);
  }
  if (refused > kRefusedNamed) {
    log.printf("PDB Warning: further atoms of %s left out: %d.\n", shownName,
               refused - kRefusedNamed);
  }
  const long long read = static_cast<long long>(kept) + refused;
  if (static_cast<long long>(refused) * 100 > read * kRefusedPerHundred) {
    log.printf("PDB Error: %d of the %lld atoms of %s left out (at most %d in 100 may be).\n",
               refused, read, shownName, kRefusedPerHundred);
    atoms->clear();
    return 1;
  }
  return 0;
}

int readPDB(const char* fileName, pdbInfo* pdb, const struct pdbSelect* select, Log& log) {
  pdbFree(pdb);
  hSymTabAlloc(&pdb->atomTab, kAtomBuckets);
  hSymTabAlloc(&pdb->resTab, kResBuckets);
  hSymTabAlloc(&pdb->chainTab, kResBuckets);
  hSymTabAlloc(&pdb->segTab, kResBuckets);
  const int status = readPDBAtoms(fileName, select, &pdb->atoms, nullptr, log);
  pdb->nAtoms = static_cast<int>(pdb->atoms.size());
  if (status != 0) return status;
  if (indexPDB(pdb, log) != 0) {
    fileName = orEmpty(fileName);
    log.printf("PDB Error Indexing PDB File %s\n", fileName[0] == '\0' ? "(stdin)" : fileName);
    return 1;
  }
  return 0;
}

int buildPDB(pdbInfo* pdb, tvector<pdbAtom> atoms, Log& log) {
  pdbFree(pdb);
  hSymTabAlloc(&pdb->atomTab, kAtomBuckets);
  hSymTabAlloc(&pdb->resTab, kResBuckets);
  hSymTabAlloc(&pdb->chainTab, kResBuckets);
  hSymTabAlloc(&pdb->segTab, kResBuckets);
  for (pdbAtom& a : atoms) {
    a.res = nullptr;
    a.chain = nullptr;
    a.seg = nullptr;
  }
  pdb->atoms = std::move(atoms);
  if (!pdb->atoms.empty()) {
    pdb->firstRes = pdb->lastRes = pdb->atoms[0].resId;
  }
  return indexPDB(pdb, log);
}

namespace {

// Finds or creates the chain-like record (chain or segment) of an atom; returns its index or -1.
template <class Rec>
int groupIndex(tvector<Rec>& recs, hSymTab* tab, const char* key, const pdbAtom& a) {
  const hSym* s = hFindSym(tab, key);
  if (s != nullptr) return s->value;
  Rec r{};
  pdbStrCpy(r.chainId, a.chainId);
  pdbStrCpy(r.segId, a.segId);
  r.firstRes = r.lastRes = a.resId;
  r.atoms.reserve(kFirstAtoms);
  r.residues.reserve(kFirstResidues);
  recs.push_back(std::move(r));
  int idx = static_cast<int>(recs.size() - 1);
  hAddSym(tab, key, 0, idx);
  return idx;
}

// Sets ranges, references and residue-number tables of chains or segments.
template <class Rec, class SetRef>
int finishGroups(tvector<Rec>& recs, SetRef setRef) {
  for (Rec& r : recs) {
    r.nAtoms = static_cast<int>(r.atoms.size());
    r.firstRes = r.lastRes = r.atoms.front()->resId;
    for (pdbAtom* a : r.atoms) {
      setRef(a, &r);
      if (a->resId < r.firstRes) r.firstRes = a->resId;
      if (a->resId > r.lastRes) r.lastRes = a->resId;
    }
  }
  return 0;
}

// The residue record of a number, for linking neighbours while indexing.
pdbRes* residueIndex(pdbInfo* pdb, int resId, const char* chainId, const char* segId) {
  return const_cast<pdbRes*>(findRes(pdb, resId, chainId, segId));
}

template <class Rec>
void buildResTable(Rec& r) {
  r.nRes = static_cast<int>(r.residues.size());
  if (r.residues.empty()) return;
  size_t span = static_cast<size_t>(static_cast<long long>(r.lastRes) - r.firstRes + 1);
  r.resTable.assign(span, nullptr);
  for (pdbRes* res : r.residues) r.resTable[static_cast<size_t>(res->resId - r.firstRes)] = res;
}

}  // namespace

int indexPDB(pdbInfo* pdb, Log& log) {
  pdb->nAtoms = static_cast<int>(pdb->atoms.size());
  if (pdb->atoms.empty()) return 0;
  const char* stage = "PDB Error Allocating PDB coords.\n";
  try {
    // Growth headroom is not needed once reading is over; references are taken only from here.
    // A little is kept rather than copying the whole array for it.
    if (pdb->atoms.capacity() - pdb->atoms.size() > pdb->atoms.size() / kKeptHeadroom) {
      pdb->atoms.shrink_to_fit();
    }
    pdbStrCpy(pdb->defChain, pdb->atoms[0].chainId);
    pdbStrCpy(pdb->defSeg, pdb->atoms[0].segId);
    pdb->firstRes = pdb->lastRes = pdb->atoms[0].resId;
    for (const pdbAtom& a : pdb->atoms) {
      if (a.resId < pdb->firstRes) pdb->firstRes = a.resId;
      if (a.resId > pdb->lastRes) pdb->lastRes = a.resId;
    }

    stage = "PDB Atom Symbol Table Error.\n";
    for (size_t i = 0; i < pdb->atoms.size(); i++) {
      const pdbAtom& a = pdb->atoms[i];
      indexKey k;
      const char* key = atomKey(std::move(k), a.resId, a.atomName, a.iCode, a.chainId, a.segId);
      if (hFindSym(&pdb->atomTab, key) != nullptr) {
        log.printf("PDB Warning: Redundant Atom Specification.\n");
        log.printf(" ResID: %d AtomName: %s Chain: %s Segment: %s\n", a.resId, a.atomName,
                   a.chainId, a.segId);
        continue;
      }
      hAddSym(&pdb->atomTab, key, 0, static_cast<int>(i));
    }

    stage = "PDB Error Allocating Residue memory.\n";
    pdb->residues.reserve(kFirstResidues);
    tvector<int> resOf(pdb->atoms.size(), 0);
    for (size_t i = 0; i < pdb->atoms.size(); i++) {
      pdbAtom& a = pdb->atoms[i];
      indexKey k;
      const char* key = resKey(std::move(k), a.resId, a.chainId, a.segId);
      const hSym* s = hFindSym(&pdb->resTab, key);
      int idx;
      if (s != nullptr) {
        idx = s->value;
      } else {
        pdbRes r{};
        r.atoms.reserve(kFirstResAtoms);
        pdb->residues.push_back(std::move(r));
        idx = static_cast<int>(pdb->residues.size() - 1);
        hAddSym(&pdb->resTab, key, 0, idx);
      }
      pdbRes& r = pdb->residues[static_cast<size_t>(idx)];
      r.atoms.push_back(&a);
      r.nAtoms = static_cast<int>(r.atoms.size());
      r.resId = a.resId;
      pdbStrCpy(r.resName, a.resName);
      pdbStrCpy(r.chainId, a.chainId);
      pdbStrCpy(r.segId, a.segId);
      resOf[i] = idx;
    }
    for (size_t i = 0; i < pdb->atoms.size(); i++) {
      pdb->atoms[i].res = &pdb->residues[static_cast<size_t>(resOf[i])];
    }
    pdb->nRes = static_cast<int>(pdb->residues.size());

    stage = "PDB Error Allocating Chain memory.\n";
    pdb->chains.reserve(kFirstChains);
    pdb->segs.reserve(kFirstChains);
    for (pdbAtom& a : pdb->atoms) {
      indexKey ck;
      int c = groupIndex(pdb->chains, &pdb->chainTab, ck.name(a.chainId).name(a.segId).c_str(), a);
      pdb->chains[static_cast<size_t>(c)].atoms.push_back(&a);
      indexKey gk;
      int g = groupIndex(pdb->segs, &pdb->segTab, gk.name(a.segId).name(a.chainId).c_str(), a);
      pdb->segs[static_cast<size_t>(g)].atoms.push_back(&a);
    }
    finishGroups(pdb->chains, [](pdbAtom* a, pdbChain* c) {
      a->chain = c;
      a->res->chain = c;
    });
    finishGroups(pdb->segs, [](pdbAtom* a, pdbSeg* g) {
      a->seg = g;
      a->res->seg = g;
    });
    pdb->nChains = static_cast<int>(pdb->chains.size());
    pdb->nSegs = static_cast<int>(pdb->segs.size());

    stage = "PDB Error Allocating Residue Index memory.\n";
    for (pdbRes& r : pdb->residues) {
      r.chain->residues.push_back(&r);
      r.seg->residues.push_back(&r);
    }
    stage = "PDB Error Allocating Chain Residue Array.\n";
    for (pdbChain& c : pdb->chains) buildResTable(c);
    stage = "PDB Error Allocating Seg Residue Array.\n";
    for (pdbSeg& g : pdb->segs) buildResTable(g);
  } catch (const std::bad_alloc&) {
    log.printf("%s", stage);
    return 1;
  }

  for (pdbRes& r : pdb->residues) {
    r.next = residueIndex(pdb, r.resId + 1, r.chainId, r.segId);
    r.prev = residueIndex(pdb, r.resId - 1, r.chainId, r.segId);
  }
  return 0;
}

const pdbAtom* findAtom(const pdbInfo* pdb, int resId, const char* atomName, const char* chainId,
                        const char* segId) {
  if (pdb == nullptr || pdb->atoms.empty()) return nullptr;
  atomName = orEmpty(atomName);
  indexKey k;
  const hSym* s = hFindSym(
      &pdb->atomTab, atomKey(std::move(k), resId, atomName, "", orEmpty(chainId), orEmpty(segId)));
  if (s != nullptr) return &pdb->atoms[static_cast<size_t>(s->value)];
  // Not under the plain number: the atom may belong to an inserted residue (52A), which shares
  // the residue record of its number.
  const pdbRes* r = findRes(pdb, resId, chainId, segId);
  if (r == nullptr) return nullptr;
  for (const pdbAtom* a : r->atoms) {
    if (std::strcmp(a->atomName, atomName) == 0) return a;
  }
  return nullptr;
}

const pdbRes* findRes(const pdbInfo* pdb, int resId, const char* chainId, const char* segId) {
  if (pdb == nullptr || pdb->residues.empty()) return nullptr;
  if (resId < pdb->firstRes || resId > pdb->lastRes) return nullptr;
  indexKey k;
  const hSym* s =
      hFindSym(&pdb->resTab, resKey(std::move(k), resId, orEmpty(chainId), orEmpty(segId)));
  return s == nullptr ? nullptr : &pdb->residues[static_cast<size_t>(s->value)];
}

}  // namespace korva
