// The search for radii up to 1, where a Profile is just the row last filled.
//
// Then the states of a row that admits centres are all its admissible
// patterns (the empty parent accepts any of them), in Profile order, which
// is the depth-first order of patternsinorder.  What remains to find is,
// for every pattern m, the best parent p compatible with it: the highest
// count, then the earliest in Profile order.  Testing every (p, m) pair is
// about 3.9e10 tests per row at n = 26; instead a sweep over the columns
// turns the parent bits into pattern bits one column at a time, keeping
// the best value for every mix of "pattern left of k, parent from k on".
#include <algorithm>
#include <bit>
#include <memory>

#include "check.h"
#include "engine.h"

namespace packer {

namespace {

// A sweep value packs (count, parent) so that a larger value is a better
// parent: the count above, the complement of the parent's index below (a
// lower index is earlier in Profile order).  Zero means "no parent".
constexpr int kIndexBits = 18;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;

std::uint32_t pack(int count, int index) {
  return static_cast<std::uint32_t>(count) << kIndexBits |
         (kIndexMask - static_cast<std::uint32_t>(index));
}

class Sweep {
 public:
  explicit Sweep(const Lattice& lat);
  Trace run();

 private:
  void sweeprow(const std::vector<int>& prevcount, bool prevfull, TraceRow& out,
                std::vector<int>& count);

  const Lattice& lat;
  int lo = 0;     // first column where a centre fits
  int width = 0;  // columns lo .. lo + width - 1 fit; bit x is column lo + x
  int reachcols = 0;  // a centre overlaps the previous row's centres up to
                      // this many columns away (0 or 1)
  // The admissible patterns (bit x: column lo + x) in Profile order, the
  // same numerically ascending, and from[k]: those using only bits k and up.
  std::vector<RowMask> patterns, ascending;
  std::vector<std::vector<RowMask>> from;
  // best[s] for a mix s of pattern bits below k and parent bits from k - 1
  // on (parent column x sits at bit x + 1).
  std::unique_ptr<std::uint32_t[]> best;
};

Sweep::Sweep(const Lattice& l) : lat(l) {
  PACKER_CHECK(atmost(lat.radr, 1) && lat.reach == 1 && lat.gap == 2);
  // Radius up to 1: rows one apart overlap at most one column sideways.
  PACKER_CHECK(!lat.intersectcircle[1][2]);
  reachcols = lat.intersectcircle[1][1] ? 1 : 0;
  RowMask cols = 0;
  for (int i = 1; i <= lat.n; ++i)
    if (lat.borderok[i]) {
      PACKER_CHECK(cols == 0 || cols == lat.borderok[i]);
      cols = lat.borderok[i];
    }
  if (cols == 0) return;
  lo = std::countr_zero(cols);
  width = std::popcount(cols);
  PACKER_CHECK(cols == ((RowMask{1} << width) - 1) << lo);
  patterns = patternsinorder((RowMask{1} << width) - 1, 2);
  PACKER_CHECK(patterns.size() <= kIndexMask);
  ascending = patterns;
  std::sort(ascending.begin(), ascending.end());
  from.resize(width);
  for (int k = 0; k < width; ++k)
    for (RowMask p : ascending)
      if ((p & ((RowMask{1} << k) - 1)) == 0) from[k].push_back(p);
  // Left uninitialised: every step reads only entries the step before
  // wrote, and zero-filling the 2^(width + 1) entries (256 MiB at n = 26)
  // costs a quarter of the run.
  best = std::make_unique_for_overwrite<std::uint32_t[]>(std::size_t{1}
                                                         << (width + 1));
}

Trace Sweep::run() {
  Trace trace;
  trace.rows.resize(lat.n + 1);
  std::vector<int> prevcount{0}, count;
  bool prevfull = false;  // the previous row holds every pattern, else
                          // only the empty one
  for (int i = 1; i <= lat.n; ++i) {
    TraceRow& out = trace.rows[i];
    if (lat.borderok[i] == 0) {
      // Only the empty pattern: every parent reaches the empty Profile,
      // and the best of them (the first with the top count) keeps it.
      auto top = std::max_element(prevcount.begin(), prevcount.end());
      out.papa.assign(1, static_cast<int>(top - prevcount.begin()));
      out.placed.assign(1, 0);
      count.assign(1, *top);
      prevfull = false;
    } else {
      sweeprow(prevcount, prevfull, out, count);
      prevfull = true;
    }
    trace.states += static_cast<long long>(count.size());
    std::swap(prevcount, count);
  }
  auto top = std::max_element(prevcount.begin(), prevcount.end());
  trace.sol = *top;
  trace.cr = static_cast<int>(top - prevcount.begin());
  return trace;
}

void Sweep::sweeprow(const std::vector<int>& prevcount, bool prevfull,
                     TraceRow& out, std::vector<int>& count) {
  // Before step 0 every mix is a whole parent; parent patterns absent from
  // the previous row have no value.
  for (RowMask p : patterns) best[std::size_t{p} << 1] = 0;
  for (std::size_t j = 0; j < prevcount.size(); ++j)
    best[std::size_t{prevfull ? patterns[j] : 0} << 1] =
        pack(prevcount[j], static_cast<int>(j));

  // Step k turns bit k from parent column k - 1 into pattern column k.  It
  // visits only mixes whose two halves are admissible patterns, so the
  // entries it reads were all written by the step before.
  for (int k = 0; k < width; ++k) {
    const std::size_t bit = std::size_t{1} << k;
    const std::size_t prefixes =
        std::lower_bound(ascending.begin(), ascending.end(), RowMask{1} << k) -
        ascending.begin();
    for (RowMask q : from[k]) {
      const std::size_t base = std::size_t{q} << 1;
      const bool pk = base >> (k + 1) & 1;   // parent column k
      const bool pk1 = base >> (k + 2) & 1;  // parent column k + 1
      for (std::size_t t = 0; t < prefixes; ++t) {
        const std::size_t s = base | ascending[t];
        const bool m1 = k >= 1 && (s >> (k - 1) & 1);  // pattern column k-1
        const bool m2 = k >= 2 && (s >> (k - 2) & 1);  // pattern column k-2
        // Parent column k - 1 empty, or taken (a valid parent only when
        // its column k is empty).
        const std::uint32_t without = best[s];
        const std::uint32_t with = k >= 1 && !pk ? best[s | bit] : 0;
        // A parent centre at k - 1 overlaps pattern column k - 1, and with
        // a reach of one column also k - 2 and k.
        const bool withfree = !m1 && (reachcols == 0 || !m2);
        std::uint32_t out1 = 0;  // pattern column k taken: k - 1 must be
                                 // empty, and no parent centre in reach
        if (!m1 && !pk && (reachcols == 0 || !pk1))
          out1 = reachcols == 0 ? std::max(without, with) : without;
        best[s] = std::max(without, withfree ? with : 0);
        best[s | bit] = out1;
      }
    }
  }

  // Last, drop parent column width - 1 (bit width) and read off each
  // pattern's best parent.
  const std::size_t lastbit = std::size_t{1} << width;
  count.resize(patterns.size());
  out.papa.resize(patterns.size());
  out.placed.resize(patterns.size());
  for (std::size_t idx = 0; idx < patterns.size(); ++idx) {
    const RowMask m = patterns[idx];
    const bool m1 = m >> (width - 1) & 1;
    const bool m2 = width >= 2 && (m >> (width - 2) & 1);
    const bool withfree = !m1 && (reachcols == 0 || !m2);
    std::uint32_t v = std::max(best[m], withfree ? best[m | lastbit] : 0);
    PACKER_CHECK(v != 0);  // the empty parent accepts every pattern
    count[idx] = static_cast<int>(v >> kIndexBits) + std::popcount(m);
    out.papa[idx] = static_cast<int>(kIndexMask - (v & kIndexMask));
    out.placed[idx] = m << lo;
  }
}

}  // namespace

Trace searchsweep(const Lattice& lat) { return Sweep(lat).run(); }

}  // namespace packer
