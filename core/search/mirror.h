// The rows past the middle of the square, each state checked against the
// rows before the middle turned upside down.
//
// The square looks the same turned over: row k is row n - k turned.  So a
// packing of rows i+1..n, turned over, is a packing of rows 1..j, j = n - i
// - 1, and the search has already kept, in row j, a state for the window it
// ends in (turned back: rows i+1..i+w, next to row i) with at least as many
// circles, when it is part of a packing of the square with T = mincount[n]
// circles or more:
//
// - Take a packing Q of the square with at least T circles.  Turned over,
//   it is one too, so every state on its path passes every drop rule (the
//   argument in bounds.cpp: the rows of row k's bound are no fewer than Q
//   has after row k, and the guesses of rows filled earlier were no
//   higher), and each state's count is at least the circles Q has in its
//   rows.
// - Its state in row i (window K, count c) and its state in row j turned
//   over (window H, count d) fit side by side, as Q's rows do: a window
//   holds some of the centres of its rows (a key leaves out those that a
//   newer centre covers), and fewer centres block no more.  So does the
//   entry kept for H's newest rows (below), whose count is at least d; and
//   c + d is at least Q's circles, so at least T.
//
// So a state of row i for which no entry of row j, turned over, fits beside
// its window with T - c circles or more is on no packing of T or more, and
// can go: the argument of bounds.cpp (only states on no such packing go)
// covers it, and the answer is the same.  Past the middle that leaves
// little more than the states that complete: at n = 26 and radius 1.55 the
// answer's search held 8.2 million states, 3.0 million of them after row
// 13, and with every candidate tried (see kCandidates) 5.2 million, 60,000
// after row 13; at n = 34 and radius 2.236067, 17.9 million (2.9 after row
// 17) and 15.0 million (60,000).
//
// An entry keeps only a state's newest rows, merged with every state that
// shares them, keeping the most circles: the rows nearest the middle decide
// nearly every test, and a whole window would copy every state before the
// middle.  With the newest two rows the answer's searches above held 5.20
// and 15.02 million states, in 161 and 427 MiB at the peak of the run;
// with whole windows 5.19 and 14.99 million, in 310 and 988 MiB; with the
// newest row alone 6.21 and 15.56 million.  Where a window is two rows
// (radius up to 3/2) an entry keeps one: two took the run at n = 36 and
// radius 1.414213 to 5.5 GiB against 3.1 without the check, and one row
// to 3.2.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include "keytable.h"
#include "lattice.h"

namespace packer {

class Workers;

// A state of a row before the middle, or some states that share its newest
// rows: those rows and the most circles.
struct MirrorEntry {
  RowMask newest;  // the row next to the middle, turned
  RowMask older;   // the row before it (0 where an entry keeps one)
  int count;
};

// Scratch of MirrorRow::fits() and index(), one a worker, sized once (it
// grows to the largest use), on cache lines of its own: fits() writes it
// for every parent it tests.
struct alignas(64) MirrorScratch {
  std::vector<RowMask> patterns;  // of the nearest row, for fits()
  // index(), for one partition: its newest rows, each entry's bucket, the
  // buckets' starts and next places, the entries sorted by bucket.
  KeyTable rows;
  std::vector<int> bucketof, start, next;
  std::vector<MirrorEntry> sorted;
};

// The states of one row before the middle, turned over: bucketed by the
// row that lies next to the middle (the window's newest), each bucket's
// entries by count, most first.
class MirrorRow {
 public:
  // Empties the row for states of windows of `width` masks, whose newest
  // `depth` rows (1..width, at most kMaxDepth) an entry keeps.
  void reset(int width, int depth);
  // Keeps the entries of `parts` (each of the newest `depth` rows of some
  // states), merging equal rows, and empties them; on the workers of
  // `pool`, with scratch[k] for worker k, where the entries are many.
  void index(std::vector<std::vector<MirrorEntry>>& parts, Workers& pool,
             std::vector<MirrorScratch>& scratch);
  // Frees the memory.
  void release();

  // Whether some state of this row, turned over into rows row+1..row+w,
  // fits beside `key`, the window of a state of row `row` (rows row-w+1
  // ..row), with at least `need` circles.  True also where more than
  // kCandidates entries have `need` circles, or where too many buckets
  // could hold one and there are too many nearest rows to try (both over
  // kPatterns): keeping a state is always safe, and these limits read the
  // entries alone, not their order, so they decide alike on every number
  // of threads.
  bool fits(const Lattice& lat, int row, const RowMask* key, int need,
            MirrorScratch& scratch) const;

  // The rows of a window of `width` (2 or more) an entry keeps: all but
  // the oldest, at most two (see above).
  static int depth(int width) { return std::clamp(width - 1, 1, kMaxDepth); }
  static constexpr int kMaxDepth = 2;
  static constexpr std::size_t kPatterns = 256;
  // 256: a test that fails reads every candidate, and at n = 34 and
  // radius 2.5, with 10 million tests, 4,096 took the tests 8.1 s of a
  // 21 s run, and 256 3.2 s, the answer's search holding 37.4 million
  // states instead of 33.4 (46.7 without the check).
  static constexpr std::size_t kCandidates = 256;
  // The most buckets fits() tries one by one rather than looking up
  // patterns (the tests try both ways).
  std::size_t trybuckets = kPatterns;
  // About how many entries a partition of index() holds: the partitions
  // are a power of two, at most kPartitions (the tests make them small).
  std::size_t partentries = 4096;
  static constexpr std::size_t kPartitions = 256;

 private:
  int w = 0;  // masks in a state's window
  int m = 0;  // of which an entry keeps the newest
  // A bucket: the newest row its entries share, where they lie in
  // `entries`, and the most circles of any.
  struct Bucket {
    RowMask newest;
    int first, end;  // entries[first .. end), most circles first
    int most;
  };
  std::size_t indexpart(std::size_t first, std::size_t end,
                        MirrorScratch& scratch, std::vector<Bucket>& out);
  std::unique_ptr<MirrorEntry[]> entries;  // by bucket (index())
  // The buckets by their most circles, most first, so that those with
  // enough are a prefix read in turn.
  std::vector<Bucket> ranked;
  KeyTable buckets;  // newest row -> its place in ranked
};

}  // namespace packer
