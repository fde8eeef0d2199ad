// The fast row-by-row search.  It builds exactly the states, counts and
// parent links of the straightforward search (reference.h), so it prints the
// same answer, but it never tries a row pattern that cannot fit.
#pragma once

#include "lattice.h"
#include "trace.h"

namespace packer {

// Profile order on window keys: key[0] is the mask of the oldest row of the
// window, key[width - 1] the newest; both keys cover the same rows.
bool profileless(const RowMask* a, const RowMask* b, int width);

// Picks the engine that suits the radius: the column sweep when a Profile
// is a single row (radius up to 1), the grouped search otherwise.
Trace searchfast(const Lattice& lat);

// The grouped search alone, for any radius (exposed for the tests).
Trace searchgrouped(const Lattice& lat);

// The column sweep alone; needs a radius up to 1.
Trace searchsweep(const Lattice& lat);

}  // namespace packer
