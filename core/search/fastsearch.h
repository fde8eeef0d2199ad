// The fast row-by-row searches.  They build the states, counts and parent
// links of the straightforward search (reference.h) that matter for the
// answer, so they print the same answer, but never try a row pattern that
// cannot fit and drop states that cannot be part of an optimal packing.
#pragma once

#include <cstddef>
#include <vector>

#include "lattice.h"
#include "trace.h"

namespace packer {

// Whether Profile a comes before Profile b in Profile order, for window
// keys: key[0] is the mask of the oldest row of the window, key[width - 1]
// the newest; both keys cover the same rows.
bool profilebefore(const RowMask* a, const RowMask* b, int width);

// Picks the search that suits the radius: the column sweep when a Profile
// is a single row (radius up to 1), the bounded grouped search otherwise.
Trace searchfast(const Lattice& lat);

// What a run of the grouped search keeps.
struct SearchOptions {
  const char* phase = "search";  // what the progress report calls it
  bool trace = true;             // keep every row's parent links for the answer
  long long maxstates = 0;       // give up (Trace::stopped) once the rows so
                                 // far hold more states than this (0: never)
  std::size_t beam = 0;  // keep only this many states a row, those with the
                         // most circles (0: all); the result is then a
                         // lower bound on the optimum, no longer exact
  std::vector<int> mincount;  // mincount[i]: a state of row i with fewer
                              // circles is dropped (empty: none is)
};

// The grouped search alone, for any radius: the bounds run it on the whole
// square and on strips, and the tests on its own.
Trace searchgrouped(const Lattice& lat, const SearchOptions& limits = {});

// The grouped search with states dropped by bounds (bounds.cpp).
Trace searchbounded(const Lattice& lat);

// The column sweep alone; needs a radius up to 1.
Trace searchsweep(const Lattice& lat);

}  // namespace packer
