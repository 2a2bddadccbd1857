// Unit-sphere dot distributions built on the icosahedron: orientation points of the steric
// simulation and integration points of the surface computation.
#pragma once

#include <source_location>

#include "core/alloc.h"

namespace korva {

constexpr int kUnspDodecahedron = 9;  // distribution type: icosahedron plus face centres
constexpr int kUnspArc = 10;          // distribution type: icosahedron edges divided by arcs
constexpr int kUnspCubus = 4;         // cells per axis of the cube grouping
constexpr int kUnspMinDensity = 3;    // below this the arc formula yields fewer dots than vertices

// Prints the surface module's warning block ("---> WARNING : line %i in file %s", the message,
// " ...!") to standard error.
void nscWarning(const char* message, std::source_location where = std::source_location::current());
// Prints the surface module's error block ("---> ERROR when executing line %i in file %s !", the
// message, "---> Execution stopped !") to standard error.
void nscError(const char* message, std::source_location where = std::source_location::current());

// Returns kUnspArc or kUnspDodecahedron: the type that reaches the density with fewer dots.
int unsp_type(int density);

// Writes into out the unit vector m/n of the way from a to b along their great circle.
// Returns 0, or 1 after an error block when a or b is too short or they are nearly parallel.
int divarc(const double a[3], const double b[3], int m, int n, double out[3]);

// Build the distribution of that type with at least density dots into the generator's storage
// (replacing the previous one). Return n_dot, or -1 after an error block.
int ico_dot_arc(int density);
int ico_dot_dod(int density);

// Builds the distribution of type |mode| (9 or 10) and groups it by cubes of a cubus^3 lattice
// when mode is negative; stores the dot count in n. Returns 0, or 1 after a warning or error.
int make_unsp(int density, int mode, int* n, int cubus);

// Builds the cube-grouped distribution of type unsp_type(density). On success points refers to
// n unit vectors (x, y, z consecutive) in the generator's storage, valid until the next build;
// the caller copies what it keeps. Returns 0, or 1 after an error block.
int do_unsp(int density, const double** points, int* n);

// do_unsp followed by a copy of the dots into out, resized to exactly 3*n doubles so that any
// density fits. Returns 0, or 1 after an error block.
int copyUnitSphereDots(int density, tvector<double>* out, int* n);

}  // namespace korva
