// The radius landscape of a square: the count as a step function of the
// radius.  Every decision of the solver compares 4 r^2 with a sum of two
// squares d (overlap d < 4r^2, border r <= c, spacing 2r <= g, row distance
// 2r > k, the small case r <= 1/2), and at equality it decides as just
// below.  So the answer is one and the same for all radii r with
// t < 4 r^2 <= t' for neighbouring such sums t < t'.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "radius.h"
#include "thresholds.h"
#include "workers.h"

namespace packer {

// Radii r with from < 4 r^2 <= to (to == kInfinity: no upper end) hold
// `count` circles at most.
struct Step {
  std::uint64_t from = 0;
  std::uint64_t to = 0;
  int count = 0;
};

// The steps for side n, neighbours with equal counts merged, so the counts
// strictly decrease; the last step has count 0 and no upper end.  The
// steps are shared among the workers of `pool`.
std::vector<Step> landscape(int n, Workers& pool);

// FROM and TO of a step as decimals with six places, FROM rounded up and
// TO down, so that each, read as a radius, lies in the step ("0" for a
// step from 0, which radius 0 shares, and "inf" for one without end).
std::pair<std::string, std::string> stepdecimals(const Step& s);

}  // namespace packer
