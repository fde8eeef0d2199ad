// The radius landscape of a square: the count as a step function of the
// radius.  Every decision of the solver compares 4 r^2 with a sum of two
// squares d (overlap d < 4r^2, border r <= c, spacing 2r <= g, row distance
// 2r > k, the small case r <= 1/2), and at equality it decides as just
// below.  So the answer is one and the same for all radii r with
// t < 4 r^2 <= t' for neighbouring such sums t < t'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "radius.h"

namespace packer {

constexpr std::uint64_t kInfinity = ~std::uint64_t{0};

// Radii r with from < 4 r^2 <= to (to == kInfinity: no upper end) hold
// `count` circles at most.
struct Step {
  std::uint64_t from = 0;
  std::uint64_t to = 0;
  int count = 0;
};

// The values 4 r^2 at which the answer for side n can change: the sums of
// two squares from 1 to n^2 (above r = n / 2 no circle fits), ascending.
std::vector<std::uint64_t> thresholds(int n);

// The steps for side n, neighbours with equal counts merged, so the counts
// strictly decrease; the last step has count 0 and no upper end.  The
// steps are solved by `threads` threads.
std::vector<Step> landscape(int n, int threads);

// A bound sqrt(d) / 2 written exactly: "0", "0.5", "3", "sqrt(5)/2", or
// "inf" for kInfinity; and its value as a decimal with six places.
std::string boundtext(std::uint64_t d);
std::string bounddecimal(std::uint64_t d);

}  // namespace packer
