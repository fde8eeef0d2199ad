#include "mirror.h"

#include <algorithm>
#include <bit>

#include "check.h"

namespace packer {

void MirrorRow::reset(int width, int depth) {
  PACKER_CHECK(depth >= 1 && depth <= std::min(width, kMaxDepth));
  w = width;
  m = depth;
  entries.clear();
  ranked.clear();
  buckets.reset(1);
}

// The entries by bucket (a counting sort), each bucket's by count, most
// first.  fits() decides the same whatever the order of equal counts and
// of the buckets, so neither depends on the order the entries came in,
// which the shards and so the threads decide.  Sorting all of them into
// one order of their rows instead took 0.11 s of 1.0 at n = 28 and radius
// 1.55.
void MirrorRow::index(std::vector<std::vector<MirrorEntry>>& parts) {
  std::size_t size = 0;
  for (const auto& part : parts) size += part.size();
  std::vector<int> bucketof;
  bucketof.reserve(size);
  for (const auto& part : parts)
    for (const MirrorEntry& e : part) {
      bool inserted = false;
      bucketof.push_back(buckets.findorinsert(&e.newest, inserted));
    }
  std::vector<int> start(buckets.size() + 1, 0);  // bucket b: entries
                                                  // start[b] .. start[b + 1]
  for (int b : bucketof) ++start[b + 1];
  for (int b = 0; b < buckets.size(); ++b) start[b + 1] += start[b];
  entries.resize(size);
  std::vector<int> next(start.begin(), start.end() - 1);
  std::size_t at = 0;
  for (auto& part : parts) {
    for (const MirrorEntry& e : part) entries[next[bucketof[at++]]++] = e;
    std::vector<MirrorEntry>().swap(part);
  }
  // Equal rows merged, keeping the most circles: windows of four rows or
  // more give several groups the same newest two (at n = 34 and radius
  // 2.236067, 5.7 million entries in all, 0.95 million of them different;
  // 522 MiB at the peak unmerged, 427 merged).
  auto byolder = [](const MirrorEntry& x, const MirrorEntry& y) {
    return x.older != y.older ? x.older < y.older : x.count > y.count;
  };
  auto bycount = [](const MirrorEntry& x, const MirrorEntry& y) {
    return x.count > y.count;
  };
  std::size_t kept = 0;
  for (int b = 0; b < buckets.size(); ++b) {
    const std::size_t first = kept;
    std::sort(entries.begin() + start[b], entries.begin() + start[b + 1],
              byolder);
    for (int e = start[b]; e < start[b + 1]; ++e)
      if (e == start[b] || entries[e].older != entries[e - 1].older)
        entries[kept++] = entries[e];
    std::sort(entries.begin() + first, entries.begin() + kept, bycount);
    start[b] = static_cast<int>(first);
  }
  start[buckets.size()] = static_cast<int>(kept);
  entries.resize(kept);
  entries.shrink_to_fit();
  ranked.resize(buckets.size());
  for (int b = 0; b < buckets.size(); ++b)
    ranked[b] = {buckets.key(b)[0], start[b], start[b + 1],
                 entries[start[b]].count};
  std::sort(ranked.begin(), ranked.end(),
            [](const Bucket& x, const Bucket& y) { return x.most > y.most; });
  // Indexed again in that order, so that a newest row looks up its place in
  // `ranked` (a key's index is its place in insertion order).
  buckets.reset(1);
  for (const Bucket& b : ranked) {
    bool inserted = false;
    buckets.findorinsert(&b.newest, inserted);
  }
}

void MirrorRow::release() {
  buckets = KeyTable();
  std::vector<MirrorEntry>().swap(entries);
  std::vector<Bucket>().swap(ranked);
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
  // Tries bucket b's entries with `need` circles until one fits (true),
  // or true once the entries with `need` circles of the buckets tried
  // number more than kCandidates: so the answer is whether one fits or
  // there are that many, whatever order they are tried in.
  //
  // The entries are read in order, most circles first, counting as they
  // go: that ends where the count alone or a fit ends it, and decides as
  // counting the bucket's candidates first would.  A bucket's first entry
  // seldom has `need` circles, and its count is read from `ranked`, beside
  // the other buckets', rather than from the entries.  Finding where the
  // candidates end by bisection instead, a cache miss a step, fits() took
  // 7.3 % of the run at n = 26 and radius 1.55, and row 14, whose 783,000
  // parents it tests, 155 to 224 ms; this way 4.4 % and 110 to 120 ms,
  // with the same states.
  std::size_t total = 0;
  auto tries = [&](const Bucket& b) {
    if (b.most < need) return false;  // without reading the entries
    for (int e = b.first; e < b.end && entries[e].count >= need; ++e) {
      if (++total > kCandidates) return true;
      if (m == 1 || !(entries[e].older & blocked[1])) return true;
    }
    return false;
  };
  const std::size_t eligible = static_cast<std::size_t>(
      std::partition_point(ranked.begin(), ranked.end(),
                           [&](const Bucket& b) { return b.most >= need; }) -
      ranked.begin());
  if (eligible <= trybuckets) {
    for (std::size_t k = 0; k < eligible; ++k)
      if (!(ranked[k].newest & ~open) && tries(ranked[k])) return true;
    return false;
  }
  // Each pattern is looked up as it is found, so that one that fits ends
  // the search (n = 34, radius 2.5: 10 million tests, 4 million of them
  // passed).
  auto found = [&](RowMask p) {
    const int b = buckets.find(&p);
    return b >= 0 && tries(ranked[b]);
  };
  scratch.patterns.clear();
  scratch.patterns.push_back(0);
  if (found(0)) return true;
  for (std::size_t k = 0; k < scratch.patterns.size(); ++k) {
    const RowMask p = scratch.patterns[k];
    const int from = p ? 64 - std::countl_zero(p) - 1 + lat.gap : 0;
    for (RowMask next = from < 64 ? open >> from << from : 0; next;
         next &= next - 1) {
      if (scratch.patterns.size() == kPatterns) return true;
      scratch.patterns.push_back(p | (next & -next));
      if (found(scratch.patterns.back())) return true;
    }
  }
  return false;
}

}  // namespace packer
