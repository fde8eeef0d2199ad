// The fast engines against the straightforward search: the same answer,
// byte for byte, on many squares and on both sides of every threshold.
#include "engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "reference.h"

namespace packer {
namespace {

TEST(ProfileOrder, WindowKeysCompareLikeTheirCellLists) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 20000; ++trial) {
    int width = 1 + trial % 3;
    RowMask a[3], b[3];
    Profile pa, pb;
    for (int j = 0; j < width; ++j) {
      // Few columns, so that equal rows and proper prefixes are common.
      a[j] = rng() & 0x2a;
      b[j] = rng() % 3 == 0 ? a[j] : rng() & 0x2a;
      for (int c = 0; c < 8; ++c) {
        if (a[j] >> c & 1) pa.push_back({j, c});
        if (b[j] >> c & 1) pb.push_back({j, c});
      }
    }
    EXPECT_EQ(profileless(a, b, width), pa < pb);
  }
}

// Radii on both sides of each threshold where 4r^2 crosses a sum of two
// squares or 2r an integer, and some round and random values.
std::vector<long double> radii() {
  std::vector<long double> out = {0.6L, 0.75L, 1,    1.05L, 1.1L,
                                  1.2L, 1.25L, 1.5L, 1.75L, 2,
                                  2.2L, 2.5L,  3,    3.5L,  4.5L};
  // Every sum of two squares up to 52 (radii up to about 3.6), the perfect
  // squares among them being where 2r crosses an integer.
  for (int d = 2; d <= 52; ++d) {
    bool sum = false;
    for (int i = 0; i * i <= d; ++i)
      for (int j = i; i * i + j * j <= d; ++j) sum = sum || i * i + j * j == d;
    if (!sum) continue;
    long double r = std::sqrt(static_cast<long double>(d)) / 2;
    out.push_back(std::nextafter(r, 0.0L));
    out.push_back(r);
    out.push_back(std::nextafter(r, 10.0L));
  }
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> pick(0.51, 3.2);
  for (int k = 0; k < 10; ++k) out.push_back(pick(rng));
  return out;
}

std::string run(Trace (*search)(const Lattice&), int n, long double r) {
  Lattice lat = buildtables(n, r);
  return answer(search(lat), n);
}

TEST(Differential, FastEngineMatchesTheStraightforwardSearch) {
  int compared = 0;
  for (long double r : radii())
    for (int n = 1; n <= 14; ++n) {
      std::string want = run(searchreference, n, r);
      EXPECT_EQ(run(searchfast, n, r), want)
          << "n " << n << " r " << static_cast<double>(r);
      if (r <= 1) {
        EXPECT_EQ(run(searchgrouped, n, r), want)
            << "grouped, n " << n << " r " << static_cast<double>(r);
      }
      ++compared;
    }
  EXPECT_GT(compared, 1000);
}

TEST(Differential, LargerSquaresTheStraightforwardSearchFinishes) {
  struct Case {
    int n;
    long double r;
  };
  for (Case c :
       {Case{14, 0.7L}, Case{14, 0.9L}, Case{14, 1.05L}, Case{14, 1.118034L},
        Case{16, 1.5L}, Case{20, 1.75L}, Case{20, 2}, Case{24, 2.5L}})
    EXPECT_EQ(run(searchfast, c.n, c.r), run(searchreference, c.n, c.r))
        << "n " << c.n << " r " << static_cast<double>(c.r);
}

TEST(ClosedForms, CheckerboardAndEveryOtherRowAtTheLargestSide) {
  // Just above one half only direct neighbours collide: a checkerboard of
  // the 25 x 25 interior points.  At radius 1 diagonal neighbours collide
  // too: every other row and column.
  for (auto [r, want] : {std::pair{0.5000001L, 313}, std::pair{1.0L, 169}}) {
    Trace t = searchfast(buildtables(26, r));
    EXPECT_EQ(t.sol, want);
  }
}

}  // namespace
}  // namespace packer
