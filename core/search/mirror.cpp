#include "mirror.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <memory>
#include <utility>

#include "check.h"
#include "workers.h"

namespace packer {

void MirrorRow::reset(int width, int depth) {
  PACKER_CHECK(depth >= 1 && depth <= std::min(width, kMaxDepth));
  w = width;
  m = depth;
  entries.reset();
  ranked.clear();
  buckets.reset(1);
}

// The entries are split into partitions by a hash of their newest row, so
// that equal rows meet in one partition, and each partition is indexed on
// its own, on as many workers as there are (indexpart()).  fits() decides
// the same whatever the order of equal counts and of the buckets, so
// neither the partitions nor the order the entries came in, which the
// shards and so the threads decide, change an answer.  In one piece on
// one worker, the simpler form, the rows waited for it 1.4 to 1.9 s of a
// 9.4 to 11.4 s run at n = 32 and radius 1.55 on two threads; in
// partitions 0.6 s of 8.4 to 9.1.
void MirrorRow::index(std::vector<std::vector<MirrorEntry>>& parts,
                      Workers& pool, std::vector<MirrorScratch>& scratch) {
  PACKER_CHECK(scratch.size() >= static_cast<std::size_t>(pool.size()));
  std::size_t size = 0;
  for (const auto& part : parts) size += part.size();
  const std::size_t nparts = std::bit_floor(
      std::clamp<std::size_t>(size / partentries, 1, kPartitions));
  const int bits = std::countr_zero(nparts);
  auto partof = [&](const MirrorEntry& e) {
    return bits ? static_cast<std::size_t>(hashkey(&e.newest, 1) >> (64 - bits))
                : 0;
  };
  // Shared where there are partitions (twice `partentries` or more):
  // waking the workers costs more than a few thousand entries.
  auto each = [&](std::size_t count,
                  const std::function<void(std::size_t, int)>& body) {
    pool.foreach (count, nparts > 1, body);
  };
  // at[s * nparts + p]: where part s's entries of partition p go in
  // `entries`, partition by partition, each in the order of the parts.
  const std::size_t nsources = parts.size();
  std::vector<std::size_t> at(nsources * nparts, 0);
  each(nsources, [&](std::size_t s, int) {
    for (const MirrorEntry& e : parts[s]) ++at[s * nparts + partof(e)];
  });
  std::vector<std::size_t> partstart(nparts + 1, 0);
  for (std::size_t p = 0, sum = 0; p < nparts; ++p) {
    partstart[p] = sum;
    for (std::size_t s = 0; s < nsources; ++s)
      sum += std::exchange(at[s * nparts + p], sum);
  }
  partstart[nparts] = size;
  // Not zeroed first, as resizing a vector would, on one worker: at n = 32
  // and radius 1.55 on two threads the index then took 0.69 s, not 0.99.
  entries = std::make_unique_for_overwrite<MirrorEntry[]>(size);
  each(nsources, [&](std::size_t s, int) {
    for (const MirrorEntry& e : parts[s])
      entries[at[s * nparts + partof(e)]++] = e;
    std::vector<MirrorEntry>().swap(parts[s]);
  });
  std::vector<std::vector<Bucket>> partbuckets(nparts);
  std::vector<std::size_t> partkept(nparts);
  each(nparts, [&](std::size_t p, int worker) {
    partkept[p] = indexpart(partstart[p], partstart[p + 1], scratch[worker],
                            partbuckets[p]);
  });
  // The partitions' kept entries, moved together in order.
  std::size_t kept = 0;
  for (std::size_t p = 0; p < nparts; ++p) {
    const std::size_t from = partstart[p];
    if (kept != from) {
      std::copy(entries.get() + from, entries.get() + from + partkept[p],
                entries.get() + kept);
      for (Bucket& b : partbuckets[p]) {
        b.first -= static_cast<int>(from - kept);
        b.end -= static_cast<int>(from - kept);
      }
    }
    kept += partkept[p];
  }
  // Where merging removes few (radius 1.55, n = 26 to 32: 0.3 % or less),
  // copying all the kept entries to free them took up to a quarter of
  // this at n = 29; where it removes many (26 2.1: two thirds), it frees
  // them.
  if (kept < size - size / 4) {
    auto fit = std::make_unique_for_overwrite<MirrorEntry[]>(kept);
    std::copy(entries.get(), entries.get() + kept, fit.get());
    entries = std::move(fit);
  }
  ranked.clear();
  for (const auto& part : partbuckets)
    ranked.insert(ranked.end(), part.begin(), part.end());
  std::sort(ranked.begin(), ranked.end(),
            [](const Bucket& x, const Bucket& y) { return x.most > y.most; });
  // Indexed in that order, so that a newest row looks up its place in
  // `ranked` (a key's index is its place in insertion order).
  buckets.reset(1);
  for (const Bucket& b : ranked) {
    bool inserted = false;
    buckets.findorinsert(&b.newest, inserted);
  }
}

// Indexes the partition entries[first .. end): by bucket (a counting
// sort), each bucket's entries by count, most first, equal rows merged.
// Returns how many entries it keeps, from `first` on; their buckets are
// appended to `out`.  Sorting the partition into one order of its rows
// instead took 0.11 s of 1.0 at n = 28 and radius 1.55 (in one piece).
std::size_t MirrorRow::indexpart(std::size_t first, std::size_t end,
                                 MirrorScratch& scratch,
                                 std::vector<Bucket>& out) {
  KeyTable& rows = scratch.rows;
  rows.reset(1);
  scratch.bucketof.clear();
  for (std::size_t e = first; e < end; ++e) {
    bool inserted = false;
    scratch.bucketof.push_back(rows.findorinsert(&entries[e].newest, inserted));
  }
  const int nbuckets = rows.size();
  // Bucket b's entries: sorted[start[b] .. start[b + 1]).
  std::vector<int>& start = scratch.start;
  start.assign(nbuckets + 1, 0);
  for (int b : scratch.bucketof) ++start[b + 1];
  for (int b = 0; b < nbuckets; ++b) start[b + 1] += start[b];
  scratch.next.assign(start.begin(), start.end() - 1);
  scratch.sorted.resize(end - first);
  for (std::size_t e = first; e < end; ++e)
    scratch.sorted[scratch.next[scratch.bucketof[e - first]]++] = entries[e];
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
  std::size_t kept = first;
  auto sorted = scratch.sorted.begin();
  for (int b = 0; b < nbuckets; ++b) {
    const std::size_t bucketfirst = kept;
    std::sort(sorted + start[b], sorted + start[b + 1], byolder);
    for (int e = start[b]; e < start[b + 1]; ++e)
      if (e == start[b] || sorted[e].older != sorted[e - 1].older)
        entries[kept++] = sorted[e];
    std::sort(entries.get() + bucketfirst, entries.get() + kept, bycount);
    out.push_back({rows.key(b)[0], static_cast<int>(bucketfirst),
                   static_cast<int>(kept), entries[bucketfirst].count});
  }
  return kept - first;
}

void MirrorRow::release() {
  buckets = KeyTable();
  entries.reset();
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
