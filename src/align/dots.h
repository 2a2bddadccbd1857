// Unit-sphere dot distributions built on the icosahedron: orientation points of the steric
// simulation and integration points of the surface computation.
#pragma once

#include <string>

#include "core/alloc.h"
#include "core/status.h"

namespace korva {

constexpr int kUnspDodecahedron = 9;  // distribution type: icosahedron plus face centres
constexpr int kUnspArc = 10;          // distribution type: icosahedron edges divided by arcs
constexpr int kUnspCubus = 4;         // cells per axis of the cube grouping
constexpr int kUnspMinDensity = 3;    // below this the arc formula yields fewer dots than vertices

// The source line and file that a message block of the surface module names: a macro, so that
// the block names the line that raised it.
#define KORVA_NSC_HERE __LINE__, __FILE__

// The surface module's warning block: "---> WARNING : line %i in file %s", the message, " ...!",
// each on its own line; file is reduced to its base name.
std::string nscWarningText(const char* message, int line, const char* file);
// The surface module's error block: "---> ERROR when executing line %i in file %s !", the
// message, "---> Execution stopped !".
std::string nscErrorText(const char* message, int line, const char* file);
// Failures whose message is one of those blocks. Every warning of the module ends the
// computation, so a warning is a failure too.
Status nscWarning(const char* message, int line, const char* file);
Status nscError(const char* message, int line, const char* file);

// Returns kUnspArc or kUnspDodecahedron: the type that reaches the density with fewer dots.
int unsp_type(int density);

// Writes into out the unit vector m/n of the way from a to b along their great circle. Fails
// with an error block when a or b is too short or they are nearly parallel.
Status divarc(const double a[3], const double b[3], int m, int n, double out[3]);

// The distribution of that type with at least density dots: unit vectors as x, y, z triples,
// n_dot = size / 3 of them. Fails with an error block for a density outside 3..5000000.
Outcome<tvector<double>> ico_dot_arc(int density);
Outcome<tvector<double>> ico_dot_dod(int density);

// The distribution of type |mode| (9 or 10), grouped by cubes of a cubus^3 lattice when mode is
// negative. Fails with a warning block for any other type, or with the builder's error.
Outcome<tvector<double>> make_unsp(int density, int mode, int cubus);

// The cube-grouped distribution of type unsp_type(density): the orientation points of the
// simulation and the integration points of the surface computation, in their fixed order.
Outcome<tvector<double>> do_unsp(int density);

}  // namespace korva
