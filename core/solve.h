// One whole run of the solver, from the two numbers to the printed answer.
#pragma once

#include <string>

#include "radius.h"

namespace packer {

struct Lattice;
struct Trace;

// Up to radius one half, circles on neighbouring lattice points at most
// touch, so every interior point takes a circle and no search is needed.
bool packsinterior(const Radius& radr);

// The answer text for side n (1..kMaxSide) and radius radr: the count, then
// one "row column" line per centre, ascending.
std::string solve(int n, const Radius& radr);

// The same with a given search for the radii above one half (the fast one,
// or the straightforward one that is its model).
std::string solvewith(int n, const Radius& radr,
                      Trace (*search)(const Lattice&));

// The count alone, as solve() would print it on its first line.
int countat(int n, const Radius& radr);

}  // namespace packer
