// Telling the coupling formats apart, and choosing one list of a file.
#include "tables/coupling_formats.h"

#include <algorithm>
#include <cctype>
#include <compare>
#include <cstring>
#include <numeric>
#include <utility>

#include "structure/text_input.h"
#include "tables/coupling_readers.h"

namespace korva {

namespace {

constexpr std::string_view kNefListPrefix = "nef_rdc_restraint_list_";

// True when the first word that is not part of a comment opens a STAR data block.
bool startsStarBlock(const tvector<char>& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isspace(c)) {
      i++;
    } else if (c == '#') {
      while (i < text.size() && text[i] != '\n') i++;
    } else {
      break;
    }
  }
  std::string_view rest(text.data() + i, text.size() - i);
  return startsNoCase(rest, "data_") || startsNoCase(rest, "global_");
}

// One atom of a coupling, for comparing couplings regardless of the order of their atoms.
struct atomKey {
  int res;
  const char* atom;
  const char* chain;
  const char* seg;
  auto operator<=>(const atomKey& o) const {
    if (res != o.res) return res <=> o.res;
    if (int c = std::strcmp(atom, o.atom); c != 0) return c <=> 0;
    if (int c = std::strcmp(chain, o.chain); c != 0) return c <=> 0;
    return std::strcmp(seg, o.seg) <=> 0;
  }
  bool operator==(const atomKey& o) const { return (*this <=> o) == 0; }
};

std::pair<atomKey, atomKey> pairOf(const couplingEntry& e) {
  atomKey i{e.resI, e.atomNameI, e.chainI, e.segI};
  atomKey j{e.resJ, e.atomNameJ, e.chainJ, e.segJ};
  return j < i ? std::pair(j, i) : std::pair(i, j);
}

// Deposited lists sometimes hold a coupling twice, which a fit would count twice: both are
// kept, and each repeat is named.
void warnRepeats(const couplingFile& file, const char* path, Log& log) {
  for (const couplingList& list : file.lists) {
    const tvector<couplingEntry>& e = list.entries;
    tvector<size_t> order(e.size(), 0, TrackedAllocator<size_t>("couplingOrder"));
    std::iota(order.begin(), order.end(), size_t{0});
    // Ties in file order, so the earlier of two equal couplings comes first.
    std::sort(order.begin(), order.end(), [&e](size_t a, size_t b) {
      auto pa = pairOf(e[a]);
      auto pb = pairOf(e[b]);
      return pa < pb || (pa == pb && a < b);
    });
    for (size_t k = 1; k < order.size(); k++) {
      const couplingEntry& first = e[order[k - 1]];
      const couplingEntry& again = e[order[k]];
      if (pairOf(first) != pairOf(again)) continue;
      log.printf("%s Warning: %s line %d: coupling %d %s - %d %s of list %s repeats line %d\n",
                 couplingFormatName(file.format), path, again.where, again.resI, again.atomNameI,
                 again.resJ, again.atomNameJ, list.name.c_str(), first.where);
    }
  }
}

}  // namespace

const char* couplingFormatName(couplingFormat format) {
  switch (format) {
    case couplingFormat::nef:
      return "NEF";
    case couplingFormat::nmrStar:
      return "NMR-STAR";
    case couplingFormat::xplor:
      return "Xplor";
    case couplingFormat::table:
      break;
  }
  return "table";
}

const char* nameProblem(std::string_view name) {
  if (name.size() >= static_cast<size_t>(kNameLen)) return "longer than 15 characters";
  // NEF and Xplor wildcards; a name standing for a group of atoms gives no single vector.
  if (name.find_first_of("%*#+") != std::string_view::npos) return "a wildcard for several atoms";
  return "";
}

couplingList& listNamed(couplingFile* file, std::string_view name) {
  if (file->lists.empty() || file->lists.back().name != name) {
    couplingList list{tstring(name, TrackedAllocator<char>("couplingListName")),
                      tvector<couplingEntry>(TrackedAllocator<couplingEntry>("couplingEntries"))};
    file->lists.push_back(std::move(list));
  }
  return file->lists.back();
}

Outcome<couplingFile> readCouplingFile(const char* path, Log& log) {
  Outcome<couplingFile> out;
  out.value.lists = tvector<couplingList>(TrackedAllocator<couplingList>("couplingLists"));
  tvector<char> text(TrackedAllocator<char>("couplingText"));
  out.status = readTextFile(path, "Couplings", &text);
  if (!out.ok()) return out;
  if (startsStarBlock(text)) {
    out.status = readStarCouplings(text, path, &out.value, log);
  } else {
    out.status = readXplorCouplings(text, path, &out.value, log);
  }
  if (out.ok()) warnRepeats(out.value, path, log);
  return out;
}

Outcome<listChoice> chooseCouplingList(const couplingFile& file, const char* path,
                                       const char* name) {
  Outcome<listChoice> out;
  out.value.note = tstring(TrackedAllocator<char>("couplingNote"));
  const tvector<couplingList>& lists = file.lists;
  if (lists.empty()) {
    out.status = Status::failure("Couplings Error: %s holds no coupling lists\n", path);
    return out;
  }
  if (name == nullptr || name[0] == '\0') {
    out.value.index = 0;
    if (lists.size() > 1) {
      tstring& note = out.value.note;
      note = "Note: ";
      note += path;
      note += " holds " + std::to_string(lists.size()) + " coupling lists; using ";
      note += lists[0].name;
      note += " (others: ";
      for (size_t i = 1; i < lists.size(); i++) {
        note += lists[i].name;
        note += i + 1 < lists.size() ? ", " : "; -list NAME chooses).\n";
      }
    }
    return out;
  }
  const std::string_view wanted(name);
  for (size_t i = 0; i < lists.size(); i++) {
    std::string_view have(lists[i].name);
    const bool shortNef = file.format == couplingFormat::nef &&
                          have.substr(0, kNefListPrefix.size()) == kNefListPrefix &&
                          have.substr(kNefListPrefix.size()) == wanted;
    if (have == wanted || shortNef) {
      out.value.index = i;
      return out;
    }
  }
  std::string known;
  for (size_t i = 0; i < lists.size(); i++) {
    known += i == 0 ? "" : ", ";
    known += lists[i].name;
  }
  out.status = Status::failure("Couplings Error: no coupling list %s in %s (lists: %s)\n", name,
                               path, known.c_str());
  return out;
}

}  // namespace korva
