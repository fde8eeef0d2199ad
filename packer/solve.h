// One whole run of the solver, from the two numbers to the printed answer.
#pragma once

#include <cstdint>
#include <string>

#include "radius.h"

namespace packer {

// The answer text for side n (1..kMaxSide) and radius radr: the count, then
// one "row column" line per centre, ascending.
std::string solve(int n, const Radius& radr);

// The count alone, as solve() would print it on its first line.
int countat(int n, const Radius& radr);

// A lower bound on the bytes solve(n, radr) holds at once, cheap to find,
// and the row patterns it counts.  Every admissible pattern of a row is a
// state of the search (the empty Profile accepts it): the column sweep
// keeps them all, for every row with centres, in its trace; the grouped
// search holds them all at once in its first row with centres, in the pass
// that finds its lower bound, where nothing is dropped.
struct MemoryNeed {
  std::uint64_t bytes = 0;
  std::uint64_t patterns = 0;  // admissible patterns of one row
};
MemoryNeed leastmemory(int n, const Radius& radr);

}  // namespace packer
