// The rows before the middle turned over: MirrorRow::fits() against a
// test of every pair of centres, on random windows.
#include "mirror.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "radius_util.h"
#include "workers.h"

namespace packer {
namespace {

// A random subset of `allowed`; spaced `gap` apart when gap > 0.
RowMask randomrow(std::mt19937& rng, RowMask allowed, int gap) {
  RowMask row = 0;
  int last = -64;
  for (RowMask m = allowed; m; m &= m - 1) {
    const int c = std::countr_zero(m);
    if (rng() % 3 != 0 || c - last < gap) continue;
    row |= RowMask{1} << c;
    last = c;
  }
  return row;
}

// Whether window `key` (rows row-w+1..row) and the newest `depth` rows of
// window `h` of row n - row - 1, turned over (rows row+1..row+depth), have
// two centres that overlap.
bool clash(const Lattice& lat, const RowMask* key, const RowMask* h, int w,
           int depth) {
  for (int a = 0; a < w; ++a)
    for (int b = 0; b < depth; ++b)
      for (RowMask x = key[w - 1 - a]; x; x &= x - 1)
        for (RowMask y = h[w - 1 - b]; y; y &= y - 1) {
          const int dc = std::abs(std::countr_zero(x) - std::countr_zero(y));
          if (lat.intersectcircle[a + b + 1][dc]) return true;
        }
  return false;
}

TEST(Mirror, AStateFitsExactlyWhenSomeTurnedStateWithEnoughCirclesDoes) {
  std::mt19937 rng(5);
  // Indexed in one piece or in partitions, these on one worker or three.
  Workers one(1), three(3);
  std::vector<MirrorScratch> scratch(3);
  int fitted = 0, refused = 0;
  for (const char* r : {"1.1", "1.55", "2.1", "2.6"})
    for (int n : {9, 12, 16}) {
      const Lattice lat = buildtables(n, radius(r));
      const int w = lat.reach;
      for (int trial = 0; trial < 60; ++trial) {
        // Rows past the middle: row n - row - 1 lies before row.
        const int row = n / 2 + 1 + static_cast<int>(rng() % (n - n / 2 - 1));
        const int j = n - row - 1;
        // Entries of the newest row and of the newest two, tried bucket by
        // bucket and looked up by the nearest row's patterns.
        const int depth = 1 + trial % std::min(w, MirrorRow::kMaxDepth);
        MirrorRow mirror;
        mirror.reset(w, depth);
        if (trial / 2 % 2) mirror.trybuckets = 0;
        mirror.partentries = trial % 3 == 0 ? 4096 : trial % 3;
        // Row j's states: their newest row is a row pattern of row j
        // (which, turned, is row row + 1), as in a search.
        std::vector<RowMask> keys;
        std::vector<int> counts;
        std::vector<std::vector<MirrorEntry>> parts(2);  // as two shards
        const int states = 1 + static_cast<int>(rng() % 40);
        for (int s = 0; s < states; ++s) {
          for (int k = 0; k < w; ++k) {
            const int at = j - (w - 1 - k);
            keys.push_back(at < 1 ? 0
                                  : randomrow(rng, lat.borderok[at],
                                              k == w - 1 ? lat.gap : 0));
          }
          counts.push_back(static_cast<int>(rng() % 8));
          parts[s % 2].push_back({keys.back(),
                                  depth == 2 ? keys[keys.size() - 2] : 0,
                                  counts.back()});
        }
        mirror.index(parts, trial / 3 % 2 ? three : one, scratch);
        for (int probe = 0; probe < 20; ++probe) {
          RowMask key[kAxis];
          for (int k = 0; k < w; ++k) {
            const int at = row - (w - 1 - k);
            key[k] = at < 1 ? 0 : randomrow(rng, lat.borderok[at], lat.gap);
          }
          const int need = static_cast<int>(rng() % 9) - 1;
          bool want = need <= 0;
          for (int s = 0; s < states && !want; ++s)
            want =
                counts[s] >= need && !clash(lat, key, &keys[s * w], w, depth);
          EXPECT_EQ(mirror.fits(lat, row, key, need, scratch[0]), want)
              << "n " << n << " r " << r << " row " << row << " depth " << depth
              << " partentries " << mirror.partentries;
          (want ? fitted : refused) += need > 0;
        }
      }
    }
  // Both answers are met often enough to matter.
  EXPECT_GT(fitted, 500);
  EXPECT_GT(refused, 500);
}

// Past kCandidates entries with enough circles, a state is kept without
// trying them all (the search may keep any state); up to it, each is tried.
// Every entry here clashes with the window, so only the count decides.
TEST(Mirror, ManyCandidatesKeepAStateWithoutTryingThem) {
  const Lattice lat = buildtables(20, radius("1.55"));
  const int w = lat.reach, row = 12, c0 = 8;
  std::vector<RowMask> key(w, 0);
  key[w - 1] = RowMask{1} << c0;  // blocks column c0 two rows on
  for (std::size_t entries :
       {MirrorRow::kCandidates - 56, MirrorRow::kCandidates,
        MirrorRow::kCandidates + 1, MirrorRow::kCandidates + 44})
    for (std::size_t trybuckets : {MirrorRow::kPatterns, std::size_t{0}}) {
      MirrorRow mirror;
      mirror.reset(w, 2);
      mirror.trybuckets = trybuckets;
      // One bucket (an empty newest row), older rows all different and
      // all holding column c0; half with more circles than needed.
      std::vector<std::vector<MirrorEntry>> parts(1);
      for (std::size_t e = 0; e < entries; ++e)
        parts[0].push_back({0, RowMask{1} << c0 | RowMask{e + 1} << (c0 + 1),
                            5 + static_cast<int>(e % 2)});
      Workers alone(1);
      std::vector<MirrorScratch> scratch(1);
      mirror.index(parts, alone, scratch);
      EXPECT_EQ(mirror.fits(lat, row, key.data(), 5, scratch[0]),
                entries > MirrorRow::kCandidates)
          << entries << " entries, trybuckets " << trybuckets;
      // With more circles needed than any entry has, none is a candidate.
      EXPECT_FALSE(mirror.fits(lat, row, key.data(), 7, scratch[0]));
    }
}

}  // namespace
}  // namespace packer
