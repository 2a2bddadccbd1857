// Charge sites of a structure: the ionisable groups' charges at pH ~6.5, or a charge table.
#include "align/charges.h"

#include <cmath>
#include <cstring>

#include "tables/table.h"

namespace korva {

namespace {

constexpr float kHisCharge = 0.05f;  // e per ring nitrogen: His is ~10 % protonated at pH 6.5
constexpr int kTableNull = 9999;     // null value handed to the table reader
constexpr double kResLimit = 1e9;    // residue numbers must stay below this

struct sideChainCharge {
  const char* resName;
  const char* atomName;
  float q;  // e
};

// The charge of each titratable side chain sits on one atom of its group (on both ring nitrogens
// of His, which share its small fraction of protonation).
constexpr sideChainCharge kSideChains[] = {
    {"LYS", "NZ", 1.0f},  {"ARG", "CZ", 1.0f},        {"ASP", "CG", -1.0f},
    {"GLU", "CD", -1.0f}, {"HIS", "ND1", kHisCharge}, {"HIS", "NE2", kHisCharge},
};

// First atom of the residue with this name, or nullptr.
const pdbAtom* firstNamed(const pdbRes& res, const char* name) {
  for (const pdbAtom* a : res.atoms) {
    if (std::strcmp(a->atomName, name) == 0) return a;
  }
  return nullptr;
}

void addSite(const pdbInfo& pdb, const pdbAtom* atom, float q, chargeSet* set) {
  if (atom == nullptr) return;
  set->sites.push_back({static_cast<int>(atom - pdb.atoms.data()), q});
}

// Name of a text cell ("None" and the like are empty), or nullptr when the cell is no text.
bool cellName(const tabVar& var, float value, pdbName to, int (*fix)(char*)) {
  const char* text = getTabText(var, value);
  if (text == nullptr) return false;
  pdbStrCpy(to, text);
  fix(to);
  return true;
}

struct chargeColumns {
  int res, atom, chain, seg, q;
};

Status findColumns(const tvector<tabVar>& vars, int nc, const char* fileName, chargeColumns* c) {
  c->res = getTabVar(vars, nc, "RESID");
  c->atom = getTabVar(vars, nc, "ATOMNAME");
  c->chain = getTabVar(vars, nc, "CHAINNAME");
  c->seg = getTabVar(vars, nc, "SEGNAME");
  c->q = getTabVar(vars, nc, "CHARGE");
  const struct {
    int col;
    const char* name;
    bool text, required;
  } need[] = {{c->res, "RESID", false, true},
              {c->atom, "ATOMNAME", true, true},
              {c->q, "CHARGE", false, true},
              {c->chain, "CHAINNAME", true, false},
              {c->seg, "SEGNAME", true, false}};
  for (const auto& n : need) {
    if (n.col < 0 && n.required) {
      return Status::failure("Charges Error: no column %s in %s.\n", n.name, fileName);
    }
    if (n.col >= 0 && (vars[n.col].type == kVarText) != n.text) {
      return Status::failure("Charges Error: column %s of %s must hold %s.\n", n.name, fileName,
                             n.text ? "names" : "numbers");
    }
  }
  return Status::success();
}

Status readRows(const tvector<float>& data, const tvector<tabVar>& vars, int nc, int nr,
                const chargeColumns& c, const char* fileName, const pdbInfo* pdb, chargeSet* out) {
  tvector<chargeRow> rows(static_cast<size_t>(nr), chargeRow{},
                          TrackedAllocator<chargeRow>("charges"));
  for (int row = 0; row < nr; ++row) {
    const float* cells = data.data() + static_cast<size_t>(row) * nc;
    const double res = cells[c.res];
    chargeRow& r = rows[static_cast<size_t>(row)];
    r.q = cells[c.q];
    if (!(std::fabs(res) < kResLimit) || res != std::trunc(res)) {
      return Status::failure("Charges Error: bad residue number in %s, row %d.\n", fileName,
                             row + 1);
    }
    r.resId = static_cast<int>(res);
    if (!cellName(vars[c.atom], cells[c.atom], r.atom, fixAtomName)) r.atom[0] = '\0';
    if (c.chain >= 0) cellName(vars[c.chain], cells[c.chain], r.chain, fixChainName);
    if (c.seg >= 0) cellName(vars[c.seg], cells[c.seg], r.seg, fixSegName);
  }
  return placeCharges(rows.data(), nr, pdb, fileName, out);
}

}  // namespace

Status placeCharges(const chargeRow* rows, int count, const pdbInfo* pdb, const char* source,
                    chargeSet* out) {
  out->sites.clear();
  tvector<int> rowOfAtom(pdb->atoms.size(), 0, TrackedAllocator<int>("charges"));
  for (int row = 0; row < count; ++row) {
    const chargeRow& r = rows[row];
    if (!std::isfinite(r.q)) {
      out->sites.clear();
      return Status::failure("Charges Error: bad charge in %s, row %d.\n", source, row + 1);
    }
    if (r.atom[0] == '\0') {
      out->sites.clear();
      return Status::failure("Charges Error: no atom name in %s, row %d.\n", source, row + 1);
    }
    const pdbAtom* atom = findAtom(pdb, r.resId, r.atom, r.chain[0] ? r.chain : pdb->defChain,
                                   r.seg[0] ? r.seg : pdb->defSeg);
    if (atom == nullptr) {
      out->sites.clear();
      return Status::failure(
          "Charges Error: no atom %s in residue %d%s%s of the structure (%s, "
          "row %d).\n",
          r.atom, r.resId, r.chain[0] ? " chain " : "", r.chain, source, row + 1);
    }
    const size_t index = static_cast<size_t>(atom - pdb->atoms.data());
    if (rowOfAtom[index] != 0) {
      out->sites.clear();
      return Status::failure(
          "Charges Error: atom %s of residue %d is given twice in %s (rows %d "
          "and %d).\n",
          r.atom, r.resId, source, rowOfAtom[index], row + 1);
    }
    rowOfAtom[index] = row + 1;
    addSite(*pdb, atom, static_cast<float>(r.q), out);
  }
  return Status::success();
}

chargeSet defaultCharges(const pdbInfo& pdb) {
  chargeSet set;
  for (const pdbRes& res : pdb.residues) {
    for (const sideChainCharge& s : kSideChains) {
      if (std::strcmp(res.resName, s.resName) == 0)
        addSite(pdb, firstNamed(res, s.atomName), s.q, &set);
    }
    // The free amino and carboxyl ends of each chain.
    if (res.chain != nullptr && res.resId == res.chain->firstRes) {
      addSite(pdb, firstNamed(res, "N"), 1.0f, &set);
    }
    if (res.chain != nullptr && res.resId == res.chain->lastRes) {
      addSite(pdb, firstNamed(res, "C"), -1.0f, &set);
    }
  }
  return set;
}

Status readCharges(const char* fileName, const pdbInfo* pdb, chargeSet* out) {
  out->sites.clear();
  tvector<float> data(TrackedAllocator<float>("rdTable"));
  tvector<tabVar> vars(TrackedAllocator<tabVar>("rdTable"));
  int nc = 0, nr = 0;
  // The reader's own line comes first; the last one says what the file was for.
  TextLog reader;
  if (rdTable(fileName, &data, &nc, &nr, &vars, kTableNull, reader) != 0) {
    freeTab(&data, &vars, &nc, &nr);
    return Status(1, reader.text())
        .append("Charges Error: cannot read the charge file %s.\n", fileName);
  }
  chargeColumns c{};
  Status status = findColumns(vars, nc, fileName, &c);
  if (status.ok()) status = readRows(data, vars, nc, nr, c, fileName, pdb, out);
  if (!status.ok()) out->sites.clear();
  freeTab(&data, &vars, &nc, &nr);
  return status;
}

double netCharge(const chargeSet& set) {
  double sum = 0.0;
  for (const chargeSite& s : set.sites) sum += s.q;
  return sum;
}

double totalAbsCharge(const chargeSet& set) {
  double sum = 0.0;
  for (const chargeSite& s : set.sites) sum += std::fabs(static_cast<double>(s.q));
  return sum;
}

void chargePositions(const pdbInfo& pdb, const chargeSet& set, const double origin[3],
                     tvector<double>* xyz) {
  xyz->resize(3 * set.sites.size());
  for (size_t k = 0; k < set.sites.size(); ++k) {
    const pdbAtom& a = pdb.atoms[static_cast<size_t>(set.sites[k].atom)];
    (*xyz)[3 * k] = a.x - origin[0];
    (*xyz)[3 * k + 1] = a.y - origin[1];
    (*xyz)[3 * k + 2] = a.z - origin[2];
  }
}

}  // namespace korva
