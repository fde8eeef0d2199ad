// An exact search for radii up to 1, where a Profile is just the row last
// filled: the tests' model for the odd grid and for the bounded search at
// sides where the straightforward search would take hours.  It keeps every
// admissible pattern of every row, so no program runs it (it took 100 s at
// n = 34).
//
// Then the states of a row that admits centres are all its admissible
// patterns (the empty parent accepts any of them), in Profile order, which
// is the depth-first order of patternsinorder.  What remains to find is,
// for every pattern m, the best parent p compatible with it: the highest
// count, then the earliest in Profile order.  Testing every (p, m) pair is
// about 3.9e10 tests per row at n = 26; instead a sweep over the columns
// turns the parent bits into pattern bits one column at a time, keeping
// the best value for every mix of "pattern left of k, parent from k on".
//
// Both halves of a mix are admissible masks (no two neighbouring columns),
// so a mix is stored at (rank of its prefix) * (number of suffixes) + (rank
// of its suffix), ranks in numeric order.  Indexing by the raw bits would
// be simpler, but needs 2^(width + 1) entries (256 MiB at n = 26, 16 GiB
// at n = 32); ranked, the largest step holds under half a million entries
// at n = 26.
#include <algorithm>
#include <bit>

#include "check.h"
#include "fastsearch.h"
#include "sweep.h"
#include "progress.h"
#include "workers.h"

namespace packer {

namespace {

// A sweep value packs (count, parent) so that a larger value is a better
// parent: the count above, the complement of the parent's index below (a
// lower index is earlier in Profile order).  Zero means "no parent".
std::uint64_t pack(int count, std::size_t index) {
  return std::uint64_t(count) << 32 | (0xffffffffu - index);
}
int countof(std::uint64_t v) { return static_cast<int>(v >> 32); }
int indexof(std::uint64_t v) {
  return static_cast<int>(0xffffffffu - static_cast<std::uint32_t>(v));
}

// The sizes of the sweep's tables for a row of `width` columns: fib[b + 2]
// is the number of admissible masks of b bits, for b = 0..width + 1.
struct SweepSizes {
  explicit SweepSizes(int width) : width(width), fib(2, 1) {
    for (std::uint64_t count : patterncounts(width + 1, 2))
      fib.push_back(count);
    for (int k = 0; k <= width; ++k)
      largest = std::max(largest, fib[k + 2] * fib[width - k + 3]);
  }
  int width;
  std::vector<std::size_t> fib;
  std::size_t largest = 0;  // entries of the largest step's mixes
};

class Sweep {
 public:
  explicit Sweep(const Lattice& lat);
  Trace run();

 private:
  void sweeprow(const std::vector<int>& prevcount, bool prevfull,
                TracePiece& out, std::vector<int>& count);
  void step(int k);
  void stepprefix(int k, std::size_t t, std::size_t begin, std::size_t end);
  void readoff(TracePiece& out, std::vector<int>& count) const;
  // Runs body(begin, end) over 0..count - 1 on the pool, in chunks of
  // about kChunk table entries, `each` entries an item.
  template <typename Body>
  void share(std::size_t count, std::size_t each, Body body) const {
    const std::size_t chunk = std::max<std::size_t>(1, kChunk / each);
    pool.forchunks(count, chunk,
                   [&](std::size_t b, std::size_t e, int) { body(b, e); });
  }
  // The rank of an admissible mask among all of them in numeric order: the
  // masks below 2^b number fib[b + 2], so bit b adds fib[b + 2].
  std::size_t rank(RowMask m) const {
    std::size_t r = 0;
    for (; m; m &= m - 1) r += fib[std::countr_zero(m) + 2];
    return r;
  }

  const Lattice& lat;
  Workers& pool;
  // Every step writes each entry of its mix table once, from entries of
  // the last: the entries split among the workers with nothing shared, in
  // chunks large enough that handing one out costs nothing next to it.
  static constexpr std::size_t kChunk = 1 << 14;
  int lo = 0;     // first column where a centre fits
  int width = 0;  // columns lo .. lo + width - 1 fit; bit x is column lo + x
  int reachcols = 0;  // a centre overlaps the previous row's centres up to
                      // this many columns away (0 or 1)
  std::vector<std::size_t> fib;  // fib[b + 2]: admissible masks of b bits
  // The admissible patterns (bit x: column lo + x) in Profile order, and
  // the admissible masks of up to width + 1 bits in numeric order (so
  // ascending[r] has rank r).
  std::vector<RowMask> patterns, ascending;
  // Before step k a mix is (prefix: pattern columns 0..k-1, suffix: parent
  // columns k-1..width-1 at bits 0..width-k), stored at
  // rank(prefix) * fib[width - k + 3] + rank(suffix).  Step k reads `from`
  // and writes `to`, then they swap.
  std::vector<std::uint64_t> from, to;
  std::vector<std::size_t> shiftedrank;  // rank(ascending[r] << 1): where
                                         // each step finds suffix r
};

Sweep::Sweep(const Lattice& l) : lat(l), pool(workers()) {
  PACKER_CHECK(atmost(lat.radr, 1) && lat.reach == 1 && lat.gap == 2);
  // Radius up to 1: rows one apart overlap at most one column sideways.
  PACKER_CHECK(!lat.intersectcircle[1][2]);
  reachcols = lat.intersectcircle[1][1] ? 1 : 0;
  const RowMask cols = centrerows(lat).cols;
  if (cols == 0) return;
  lo = std::countr_zero(cols);
  width = std::popcount(cols);
  PACKER_CHECK(cols == ((RowMask{1} << width) - 1) << lo);
  const SweepSizes sizes(width);
  fib = sizes.fib;
  patterns = patternsinorder((RowMask{1} << width) - 1, 2);
  PACKER_CHECK(patterns.size() < 0xffffffffu);
  ascending = patternsinorder((RowMask{1} << (width + 1)) - 1, 2);
  std::sort(ascending.begin(), ascending.end());
  from.resize(sizes.largest);
  to.resize(sizes.largest);
  shiftedrank.resize(fib[width + 2]);
  for (std::size_t r = 0; r < shiftedrank.size(); ++r)
    shiftedrank[r] = rank(ascending[r] << 1);
}

Trace Sweep::run() {
  Trace trace;
  trace.rows.resize(lat.n + 1);
  std::vector<int> prevcount{0}, count;
  bool prevfull = false;  // the previous row holds every pattern, else
                          // only the empty one
  for (int i = 1; i <= lat.n; ++i) {
    TracePiece& out = trace.rows[i].whole();
    if (lat.borderok[i] == 0) {
      // Only the empty pattern: every parent reaches the empty Profile,
      // and the best of them (the first with the top count) keeps it.
      auto top = std::max_element(prevcount.begin(), prevcount.end());
      out.papa.assign(1, static_cast<int>(top - prevcount.begin()));
      out.placed.clear();
      out.placed.push_back(0);
      count.assign(1, *top);
      prevfull = false;
    } else {
      sweeprow(prevcount, prevfull, out, count);
      prevfull = true;
    }
    trace.states += static_cast<long long>(count.size());
    reportrow("search", i, lat.n, static_cast<long long>(count.size()));
    std::swap(prevcount, count);
  }
  auto top = std::max_element(prevcount.begin(), prevcount.end());
  trace.sol = *top;
  trace.cr = static_cast<int>(top - prevcount.begin());
  return trace;
}

void Sweep::sweeprow(const std::vector<int>& prevcount, bool prevfull,
                     TracePiece& out, std::vector<int>& count) {
  // Before step 0 every mix is a whole parent, shifted past the missing
  // column -1; parent patterns absent from the previous row have no value.
  share(fib[width + 3], 1, [&](std::size_t b, std::size_t e) {
    std::fill(from.begin() + b, from.begin() + e, 0);
  });
  share(prevcount.size(), 1, [&](std::size_t b, std::size_t e) {
    for (std::size_t j = b; j < e; ++j)
      from[rank((prevfull ? patterns[j] : 0) << 1)] = pack(prevcount[j], j);
  });
  for (int k = 0; k < width; ++k) {
    step(k);
    std::swap(from, to);
  }
  readoff(out, count);
}

// Step k turns parent column k - 1 into pattern column k, from `from` into
// `to`.
void Sweep::step(int k) {
  const std::size_t prefixes = fib[k + 2];
  const std::size_t suffixes = fib[width - k + 2];  // parent columns k..
  // Work items are a prefix's suffixes in blocks of kChunk: the first steps
  // have a single prefix, and as many entries as the middle ones.
  const std::size_t blocks = (suffixes + kChunk - 1) / kChunk;
  share(prefixes * blocks, std::min(suffixes, kChunk),
        [&](std::size_t b, std::size_t e) {
          for (std::size_t item = b; item < e; ++item) {
            const std::size_t first = item % blocks * kChunk;
            stepprefix(k, item / blocks, first,
                       std::min(suffixes, first + kChunk));
          }
        });
}

// Step k for prefix t and the suffixes begin..end - 1.
void Sweep::stepprefix(int k, std::size_t t, std::size_t begin,
                       std::size_t end) {
  const std::size_t prefixes = fib[k + 2];
  const std::size_t oldsuffixes = fib[width - k + 3];
  const std::size_t suffixes = fib[width - k + 2];  // parent columns k..
  const RowMask prefix = ascending[t];
  const bool m1 = k >= 1 && (prefix >> (k - 1) & 1);  // pattern col k-1
  const bool m2 = k >= 2 && (prefix >> (k - 2) & 1);  // pattern col k-2
  // A parent centre at k - 1 overlaps pattern column k - 1, and with a
  // reach of one column also k - 2 and k.
  const bool withfree = !m1 && (reachcols == 0 || !m2);
  const std::uint64_t* in = &from[t * oldsuffixes];
  std::uint64_t* empty = &to[t * suffixes];
  std::uint64_t* taken = m1 ? nullptr : &to[(t + prefixes) * suffixes];
  for (std::size_t r = begin; r < end; ++r) {
    const RowMask q = ascending[r];  // parent columns k.. at bits 0..
    const std::size_t shifted = shiftedrank[r];
    const bool pk = q & 1;        // parent column k
    const bool pk1 = q >> 1 & 1;  // parent column k + 1
    // Parent column k - 1 empty, or taken (a valid parent only when its
    // column k is empty).
    const std::uint64_t without = in[shifted];
    const std::uint64_t with = k >= 1 && !pk ? in[shifted + 1] : 0;
    empty[r] = std::max(without, withfree ? with : 0);
    // Pattern column k taken: k - 1 must be empty, and no parent centre
    // in reach.
    if (taken)
      taken[r] = !pk && (reachcols == 0 || !pk1)
                     ? (reachcols == 0 ? std::max(without, with) : without)
                     : 0;
  }
}

// Last, drops parent column width - 1 (suffix bit 0) and reads off each
// pattern's best parent.
void Sweep::readoff(TracePiece& out, std::vector<int>& count) const {
  count.resize(patterns.size());
  out.papa.resize(patterns.size());
  out.placed.resize(patterns.size());
  if (width) out.placed.fit(RowMask{1} << (lo + width - 1));
  share(patterns.size(), 1, [&](std::size_t b, std::size_t e) {
    for (std::size_t idx = b; idx < e; ++idx) {
      const RowMask m = patterns[idx];
      const bool m1 = m >> (width - 1) & 1;
      const bool m2 = width >= 2 && (m >> (width - 2) & 1);
      const bool withfree = !m1 && (reachcols == 0 || !m2);
      const std::size_t at = rank(m) * 2;
      std::uint64_t v = std::max(from[at], withfree ? from[at + 1] : 0);
      PACKER_CHECK(v != 0);  // the empty parent accepts every pattern
      count[idx] = countof(v) + std::popcount(m);
      out.papa[idx] = indexof(v);
      out.placed.set(idx, m << lo);
    }
  });
}

}  // namespace

Trace searchsweep(const Lattice& lat) { return Sweep(lat).run(); }

}  // namespace packer
