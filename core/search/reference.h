// The straightforward row-by-row search: every state of the previous row
// against every admissible row pattern, Profiles copied and merged in an
// ordered map.  It is slow (days for n = 26 and small radii) and serves as
// the model that the fast engine must match byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "lattice.h"
#include "trace.h"

namespace packer {

// Extends Profiles by the centres of one row pattern.
struct Inserter {
  explicit Inserter(const Lattice& lat);

  // Places the centres of `mask` in row `row` after `profile` (all of whose
  // rows are earlier).  The Profile comes by value, a fresh copy per call,
  // as the model has it: this search is the baseline the fast one is
  // measured against, so it keeps the model's costs.  False when one overlaps a
  // centre of the Profile; otherwise `nw` holds the successor: the new centres
  // plus the old ones that stay by the row-distance rule and are covered by no
  // new centre.
  bool inscells(Profile profile, int row, RowMask mask);

  const Lattice& lat;
  std::vector<std::int8_t> memoi;  // cover outcome per (r, c, row, col):
                                   // 0 not yet known, 1 covered, 2 not
  Profile nw;                      // successor of the last accepted call
  std::vector<bool> keep;          // keep[k]: profile cell k is not covered
};

Trace searchreference(const Lattice& lat);

}  // namespace packer
