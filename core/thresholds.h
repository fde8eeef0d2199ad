// The radii at which an answer can change.  Every decision of the solver
// compares 4 r^2 with a sum of two squares d (overlap d < 4 r^2, border
// r <= c, spacing 2 r <= g, row distance 2 r > k, the small case r <= 1/2),
// and at equality it decides as just below.  So the answer is one and the
// same for all radii r with t < 4 r^2 <= t' for neighbouring such sums
// t < t', and past n / 2 no circle fits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "radius.h"

namespace packer {

constexpr std::uint64_t kInfinity = ~std::uint64_t{0};

// The values 4 r^2 at which the answer for side n can change: the sums of
// two squares from 1 to n^2, ascending.
std::vector<std::uint64_t> thresholds(int n);

// A bound sqrt(d) / 2 written exactly: "0", "0.5", "3", "sqrt(5)/2", or
// "inf" for kInfinity.
std::string boundtext(std::uint64_t d);

// The threshold d of side n that separates the number `token` writes from
// radr, its value as read, when there is one: then the answer for radr is
// not the one for the number typed.  0 when none does (or, for a token of
// over 12,000 digits that agree with a threshold, when it cannot be told).
std::uint64_t crossedthreshold(int n, std::string_view token,
                               const Radius& radr);

}  // namespace packer
