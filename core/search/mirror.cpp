#include "mirror.h"

#include <algorithm>
#include <bit>

#include "check.h"

namespace packer {

void MirrorRow::reset(int width, int depth) {
  w = width;
  m = depth;
  distinct.reset(m);
  best.clear();
  keys.clear();
  count.clear();
  start.clear();
  buckets.reset(1);
}

void MirrorRow::add(const RowMask* key, int c) {
  bool inserted = false;
  const int d = distinct.findorinsert(key + w - m, inserted);
  if (inserted)
    best.push_back(c);
  else
    best[d] = std::max(best[d], c);
}

// A counting sort by bucket, then count, both small integers: sorting the
// entries by comparison would cost a log factor on rows of a million.
void MirrorRow::index() {
  const int entries = distinct.size();
  std::vector<int> bucketof(entries);
  int least = 0, most = 0;
  for (int e = 0; e < entries; ++e) {
    bool inserted = false;
    bucketof[e] = buckets.findorinsert(distinct.key(e) + m - 1, inserted);
    least = e ? std::min(least, best[e]) : best[e];
    most = e ? std::max(most, best[e]) : best[e];
  }
  const std::size_t levels = static_cast<std::size_t>(most - least) + 1;
  const std::size_t slots = static_cast<std::size_t>(buckets.size()) * levels;
  std::vector<int> at(slots + 1, 0);
  auto slotof = [&](int e) {
    return bucketof[e] * levels + static_cast<std::size_t>(most - best[e]);
  };
  for (int e = 0; e < entries; ++e) ++at[slotof(e) + 1];
  for (std::size_t s = 0; s < slots; ++s) at[s + 1] += at[s];
  start.resize(buckets.size() + 1);
  for (int b = 0; b <= buckets.size(); ++b) start[b] = at[b * levels];
  keys.resize(static_cast<std::size_t>(entries) * m);
  count.resize(entries);
  for (int e = 0; e < entries; ++e) {
    const int to = at[slotof(e)]++;
    std::copy_n(distinct.key(e), m, &keys[static_cast<std::size_t>(to) * m]);
    count[to] = best[e];
  }
  order.resize(buckets.size());
  for (int b = 0; b < buckets.size(); ++b) order[b] = b;
  std::sort(order.begin(), order.end(),
            [&](int a, int b) { return count[start[a]] > count[start[b]]; });
  top.resize(order.size());
  for (std::size_t k = 0; k < order.size(); ++k)
    top[k] = count[start[order[k]]];
  distinct = KeyTable();
  std::vector<int>().swap(best);
}

void MirrorRow::release() {
  distinct = KeyTable();
  buckets = KeyTable();
  for (std::vector<int>* v : {&best, &start, &order, &top, &count})
    std::vector<int>().swap(*v);
  std::vector<RowMask>().swap(keys);
}

bool MirrorRow::fits(const Lattice& lat, int row, const RowMask* key, int need,
                     MirrorScratch& scratch) const {
  if (need <= 0) return true;  // nothing more is needed
  // blocked[b]: the columns of row row+1+b that the window's centres block;
  // row row-a lies a+b+1 rows before it, and rows more than w apart never
  // overlap.
  RowMask blocked[kAxis];
  for (int b = 0; b < m; ++b) {
    blocked[b] = 0;
    for (int a = 0; a + b + 1 <= w; ++a)
      for (RowMask x = key[w - 1 - a]; x; x &= x - 1)
        blocked[b] |= lat.blocks[a + b + 1][std::countr_zero(x)];
  }
  // The turned state's newest row lies in row row+1, in the columns left
  // free there, and its bucket must hold `need` circles.  Where few buckets
  // do, they are tried; else the admissible patterns of the free columns,
  // gathered depth-first, leftmost centre first, are looked up.  Looking up
  // every pattern alone, fits() took 10 % of the run at n = 27 and radius
  // 1.55, where most tests need more circles than most buckets hold.
  const RowMask open = lat.borderok[row + 1] & ~blocked[0];
  // Tries bucket b's entries with `need` circles, most first, until one
  // fits or the limit is met (then true: the state is kept).
  std::size_t tested = 0;
  auto tries = [&](int b) {
    for (int e = start[b]; e < start[b + 1] && count[e] >= need; ++e) {
      if (++tested > kCandidates) return true;
      const RowMask* h = &keys[static_cast<std::size_t>(e) * m];
      int k = 1;
      while (k < m && !(h[m - 1 - k] & blocked[k])) ++k;
      if (k == m) return true;
    }
    return false;
  };
  const std::size_t eligible = static_cast<std::size_t>(
      std::partition_point(top.begin(), top.end(),
                           [&](int c) { return c >= need; }) -
      top.begin());
  if (eligible <= trybuckets) {
    for (std::size_t k = 0; k < eligible; ++k)
      if (!(buckets.key(order[k])[0] & ~open) && tries(order[k])) return true;
    return false;
  }
  scratch.patterns.clear();
  scratch.patterns.push_back(0);
  for (std::size_t k = 0; k < scratch.patterns.size(); ++k) {
    const RowMask p = scratch.patterns[k];
    const int from = p ? 64 - std::countl_zero(p) - 1 + lat.gap : 0;
    for (RowMask next = from < 64 ? open >> from << from : 0; next;
         next &= next - 1) {
      if (scratch.patterns.size() == kPatterns) return true;
      scratch.patterns.push_back(p | (next & -next));
    }
  }
  for (RowMask p : scratch.patterns) {
    const int b = buckets.find(&p);
    if (b >= 0 && tries(b)) return true;
  }
  return false;
}

}  // namespace packer
