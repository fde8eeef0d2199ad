#include "landscape.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "check.h"
#include "solve.h"

namespace packer {

std::vector<Step> landscape(int n, Workers& pool) {
  const std::vector<std::uint64_t> t = thresholds(n);
  // Step k holds the radii with t[k - 1] < 4 r^2 <= t[k], and decides as
  // the largest radius not above sqrt(t[k]) / 2.  The steps of small radii
  // cost the most, so they are handed out first.
  std::vector<int> counts(t.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t k; (k = next++) < t.size();)
      counts[k] = countat(n, halfsqrtbelow(t[k]));
  };
  // Each worker takes whole steps, each step's search on that worker alone:
  // steps are many and independent, so nothing is shared but the counter.
  pool.run([&](int) {
    Workers alone;
    UseWorkers use(alone);
    work();
  });

  std::vector<Step> steps;
  for (std::size_t k = 0; k <= t.size(); ++k) {
    // Past n / 2 (4 r^2 > n^2) no circle fits.
    Step s{k ? t[k - 1] : 0, k < t.size() ? t[k] : kInfinity,
           k < t.size() ? counts[k] : 0};
    if (!steps.empty() && steps.back().count == s.count) {
      steps.back().to = s.to;
      continue;
    }
    // A larger radius never fits more circles: any packing of it is one of
    // the smaller radius too.
    PACKER_CHECK(steps.empty() || steps.back().count > s.count);
    steps.push_back(s);
  }
  return steps;
}

namespace {

using u128 = unsigned __int128;
constexpr int kPlaces = 6;
constexpr u128 kScale = 1000000;  // 10^kPlaces

// (r.sig + next) * 2^r.exp, the value r or the one after it, in units of
// 10^-kPlaces, rounded up or down.  Radii from 1/2 to 32 have exponents
// -64 to -58, so the product with 10^6 stays below 2^86.
u128 units(const Radius& r, bool next, bool up) {
  const int shift = -r.exp;
  PACKER_CHECK(shift >= 58 && shift <= 64);
  const u128 scaled = (static_cast<u128>(r.sig) + next) * kScale;
  const u128 whole = scaled >> shift;
  return whole + (up && (whole << shift) != scaled);
}

std::string decimal(u128 units) {
  std::string digits;
  for (u128 u = units; u || digits.size() <= kPlaces; u /= 10)
    digits.insert(digits.begin(), static_cast<char>('0' + u % 10));
  digits.insert(digits.end() - kPlaces, '.');
  return digits;
}

}  // namespace

std::pair<std::string, std::string> stepdecimals(const Step& s) {
  PACKER_CHECK(s.from < s.to);
  // The radii as read that the step holds run from lo, the 64-bit value
  // after halfsqrtbelow(from), to hi = halfsqrtbelow(to).  Two distinct sums of
  // two squares up to 63^2 lie at least 1 / (4 * 63) apart as radii, so six
  // places always hold a decimal inside every step: FROM is lo rounded up, TO
  // is hi rounded down.  Read back, each rounds to a radius of the step
  // (rounding keeps the order, and lo and hi are values of the format), and TO
  // of one step lies below FROM of the next, so no two print the same.
  const u128 from = s.from ? units(halfsqrtbelow(s.from), true, true) : 0;
  if (s.to == kInfinity) return {decimal(from), "inf"};
  const u128 to = units(halfsqrtbelow(s.to), false, false);
  PACKER_CHECK(from <= to);
  return {decimal(from), decimal(to)};
}

}  // namespace packer
