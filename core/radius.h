// The radius of a run, exactly as read, and the comparisons every decision
// of the solver makes against it.
//
// The decimal text is rounded once, to nearest with ties to even, to a
// 64-bit significand and a binary exponent (the 80-bit extended format's
// rounding, subnormals included), in integer arithmetic of our own.  Every
// later decision compares that exact value with an integer in integer
// arithmetic, so the answer is the same on every platform: reading with
// strtold would give 53 or 113 bits depending on where it was built, and
// forming c - radr or 4 * radr^2 in floating point would round next to a
// threshold and could admit overlapping circles.
#pragma once

#include <cstdint>
#include <string_view>

namespace packer {

struct Radius {
  // The value is (negative ? -1 : 1) * sig * 2^exp.  A nonzero sig has its
  // top bit set, so equal values have equal fields; zero has exp 0.
  std::uint64_t sig = 0;
  int exp = 0;
  bool negative = false;

  friend bool operator==(const Radius&, const Radius&) = default;
};

// Exponent limits of the format the reader rounds to: the largest finite
// value is (2^64 - 1) * 2^kMaxExp, the least positive one 2^kMinExp.
constexpr int kMaxExp = 16383 - 63;
constexpr int kMinExp = -16445;

enum class ReadRadius { ok, toolarge };

// Rounds `token`, a decimal number (optional sign, digits with an optional
// point, optional exponent; the caller has checked the form), into `out`.
// A value below half the least positive one reads as zero; one that rounds
// beyond the largest finite value is refused.
ReadRadius readradius(std::string_view token, Radius& out);

// Whether the number `token` writes (as readradius takes it), exactly and
// not rounded, is at most sqrt(d) / 2, for 1 <= d < 2^60.  Past its first
// 12,000 significant digits only whether one is nonzero is looked at, so
// the side is unknown when those digits agree with sqrt(d) / 2 and nonzero
// ones follow.
enum class Side { atmost, above, unknown };
Side sideof(std::string_view token, std::uint64_t d);

// The largest radius the reader can produce (a 64-bit significand) that is
// at most sqrt(d) / 2, for 1 <= d < 2^60: sqrt(d) / 2 itself when d is a
// square.  Every decision of the solver compares 4 * radr^2 with a sum of
// two squares, so this radius decides like every radius just below
// sqrt(d) / 2.
Radius halfsqrtbelow(std::uint64_t d);

// The sign (-1, 0 or 1) of radr * 2^twos - k.
int compare(const Radius& radr, int twos, std::uint64_t k);

// Integer comparisons, named for the decisions made with them.
inline bool atmost(const Radius& radr, std::uint64_t k) {  // radr <= k
  return compare(radr, 0, k) <= 0;
}
inline bool diameteratmost(const Radius& radr, std::uint64_t k) {
  return compare(radr, 1, k) <= 0;  // 2 * radr <= k
}

// True when 4 * radr^2 > d: two centres whose squared distance is d then
// overlap (centres exactly 2 * radr apart only touch).
bool closerthandiameter(std::uint64_t d, const Radius& radr);

}  // namespace packer
