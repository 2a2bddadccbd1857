// The manual page, written from the option table so that it cannot drift from the program.
#include "cli/manpage.h"

#include <cstring>
#include <string>

#include "cli/options.h"

namespace korva {
namespace {

// roff treats a leading '.' or '\'' as a request and '\' as an escape; '-' is a hyphen unless
// escaped.
std::string roff(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\\') {
      out += "\\e";
    } else if (*p == '-') {
      out += "\\-";
    } else {
      out += *p;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// The text with its column padding collapsed to single blanks.
std::string collapsed(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += *p;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string modesOf(unsigned modes) {
  const struct {
    unsigned bit;
    const char* name;
  } names[] = {{kReadsSteric, "-stKorva"},
               {kReadsFree, "-stKorvaFree"},
               {kReadsBestFit, "-bestFit"},
               {kReadsCompareSaupe, "-anA"},
               {kReadsCompareDC, "-anDC"}};
  std::string out;
  for (const auto& n : names) {
    if ((modes & n.bit) == 0) continue;
    if (!out.empty()) out += ", ";
    out += n.name;
  }
  return out;
}

// The help lines that describe an option (or its other spelling), without the option itself.
std::string describe(const optionSpec& o) {
  std::string out;
  for (const helpLine& h : helpLayout()) {
    if (h.option == nullptr) continue;
    if (std::strcmp(h.option, o.name) != 0 &&
        (o.alias == nullptr || std::strcmp(h.option, o.alias) != 0)) {
      continue;
    }
    const char* rest = std::strstr(h.text, h.option) + std::strlen(h.option);
    const std::string line = collapsed(rest);
    if (out.find(line) != std::string::npos) continue;
    if (!out.empty()) out += "\n.br\n";
    out += roff(line.c_str());
  }
  if (out.empty() && o.help != nullptr) out = roff(o.help);
  return out;
}

const char* const kHead = R"MAN(.TH KORVA 1 "" "korva )MAN";

const char* const kBody = R"MAN(" "User Commands"
.SH NAME
korva \- steric alignment prediction and alignment-tensor fitting from residual dipolar couplings
.SH SYNOPSIS
.B korva
[\fIMODE\fR] [\fIOPTION\fR ...]
.SH DESCRIPTION
.B korva
reads the structure of a protein (a PDB file) and tables of residual dipolar couplings and, in
each run, does one of five things chosen by a mode option. Options may appear in any order; the
first occurrence of an option is the one used. Reports are self-describing tables, written to the
file an output option names or to standard output; progress and error lines go to standard error.
.SH MODES
.TP
.B \-stKorva
Steric prediction (the default): simulates the alignment that a dilute liquid-crystalline medium
(a wall of bicelles, \fB\-bic\fR, or rods of phage, \fB\-pf1\fR) induces by steric obstruction,
analyses the Saupe matrix and predicts the couplings of \fB\-inD\fR.
.IP
.nf
korva \-pdb examples/ubiquitin\-2mjb.pdb \-inD examples/ubiquitin\-nh\-bicelle.tab
.fi
.TP
.B \-stKorvaFree
The same simulation on a bare list of coordinates.
.IP
.nf
korva \-stKorvaFree \-pdbF examples/ubiquitin\-heavy.txt
.fi
.TP
.B \-bestFit
Fits an alignment tensor to measured couplings (SVD, or the nonlinear fits \fB\-nofixed\fR,
\fB\-dadr\fR, \fB\-fixed\fR); with \fB\-map\fR, maps its error space.
.IP
.nf
korva \-bestFit \-pdb examples/ubiquitin\-2mjb.pdb \-inD examples/ubiquitin\-nh\-bicelle.tab
.fi
.TP
.B \-anA
Combines and compares two Saupe matrices.
.IP
.nf
korva \-anA \-inS1 1e\-3 2e\-4 3e\-4 \-1e\-4 5e\-5 \-inS2 5e\-4 1e\-4 0 0 2e\-4 \-add
.fi
.TP
.B \-anDC
Combines and compares two coupling tables.
.IP
.nf
korva \-anDC \-inD1 examples/ubiquitin\-nh\-bicelle.tab \-inD2 examples/ubiquitin\-nh\-pf1.tab \-sub \-c1 1
.fi
.SH OPTIONS
)MAN";

const char* const kTail = R"MAN(.TP
.B \-help
The help, on standard error (the run then ends with status 1).
.TP
.BR \-\-help ", " \-h
The help, on standard output.
.TP
.BR \-\-version ", " \-version
The version, on standard output.
.SH ENVIRONMENT
.TP
.B DUVARUDU
\fBALL\fR, \fBFLAGS\fR or \fBDEBUG\fR report the arguments that no option used, on standard error.
.SH EXIT STATUS
0 on success; 1 when the input is bad or a step of the run fails, after a line that says why.
.SH SEE ALSO
The README of the distribution describes the file formats, the report and the statistics.
)MAN";

}  // namespace

void writeManPage(FILE* stream) {
  std::fputs(kHead, stream);
  std::fputs(KORVA_VERSION, stream);
  std::fputs(kBody, stream);
  for (const optionSpec& o : optionTable()) {
    if (o.name == nullptr || o.kind == optKind::ignored || o.modes == 0) continue;
    if (o.alias != nullptr) {
      std::fprintf(stream, ".TP\n.BR %s \", \" %s\n", roff(o.name).c_str(), roff(o.alias).c_str());
    } else {
      std::fprintf(stream, ".TP\n.B %s\n", roff(o.name).c_str());
    }
    const std::string text = describe(o);
    if (!text.empty()) std::fprintf(stream, "%s\n.br\n", text.c_str());
    std::fprintf(stream, "Read by: %s.\n", roff(modesOf(o.modes).c_str()).c_str());
  }
  std::fputs(kTail, stream);
}

}  // namespace korva
