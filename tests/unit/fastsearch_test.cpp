// The fast engines against the straightforward search: the same answer,
// byte for byte, on many squares and on both sides of every threshold.
#include "fastsearch.h"

#include <gtest/gtest.h>

#include <random>

#include "radius_util.h"
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

// floor(sqrt(v))
unsigned __int128 isqrt(unsigned __int128 v) {
  unsigned __int128 root = 0;
  for (int b = 63; b >= 0; --b) {
    unsigned __int128 t = root | static_cast<unsigned __int128>(1) << b;
    if (t * t <= v) root = t;
  }
  return root;
}

// Radii on both sides of each threshold where 4r^2 crosses a sum of two
// squares or 2r an integer, and some round and random values.
std::vector<Radius> radii() {
  std::vector<Radius> out;
  for (const char* text : {"0.6", "0.75", "1", "1.05", "1.1", "1.2", "1.25",
                           "1.5", "1.75", "2", "2.2", "2.5", "3", "3.5", "4.5"})
    out.push_back(radius(text));
  // Every sum of two squares up to 52 (radii up to about 3.6), the perfect
  // squares among them being where 2r crosses an integer.
  for (int d = 2; d <= 52; ++d) {
    bool sum = false;
    for (int i = 0; i * i <= d; ++i)
      for (int j = i; i * i + j * j <= d; ++j) sum = sum || i * i + j * j == d;
    if (!sum) continue;
    // sqrt(d) / 2 = s * 2^exp with s rounded down to 64 bits: the value
    // itself when d is a square, else the last one below it.
    int exp = d < 4 ? -64 : d < 16 ? -63 : -62;
    auto s = isqrt(static_cast<unsigned __int128>(d) << (-2 * exp - 2));
    Radius r{static_cast<std::uint64_t>(s), exp, false};
    out.push_back(nextdown(r));
    out.push_back(r);
    out.push_back(nextup(r));
  }
  std::mt19937 rng(11);
  for (int k = 0; k < 10; ++k)  // 0.51 to 3.2, five decimals
    out.push_back(radius(std::to_string(51000 + rng() % 269001) + "e-5"));
  return out;
}

std::string run(Trace (*search)(const Lattice&), int n, const Radius& r) {
  Lattice lat = buildtables(n, r);
  return answer(search(lat), n);
}

TEST(Differential, FastEngineMatchesTheStraightforwardSearch) {
  int compared = 0;
  for (const Radius& r : radii())
    for (int n = 1; n <= 14; ++n) {
      std::string want = run(searchreference, n, r);
      EXPECT_EQ(run(searchfast, n, r), want)
          << "n " << n << " r " << r.sig << " * 2^" << r.exp;
      if (atmost(r, 1)) {
        EXPECT_EQ(run(searchgrouped, n, r), want)
            << "grouped, n " << n << " r " << r.sig << " * 2^" << r.exp;
      }
      ++compared;
    }
  EXPECT_GT(compared, 1000);
}

TEST(Differential, LargerSquaresTheStraightforwardSearchFinishes) {
  struct Case {
    int n;
    const char* r;
  };
  for (Case c : {Case{14, "0.7"}, Case{14, "0.9"}, Case{14, "1.05"},
                 Case{14, "1.118034"}, Case{16, "1.5"}, Case{20, "1.75"},
                 Case{20, "2"}, Case{24, "2.5"}})
    EXPECT_EQ(run(searchfast, c.n, radius(c.r)),
              run(searchreference, c.n, radius(c.r)))
        << "n " << c.n << " r " << c.r;
}

TEST(ClosedForms, CheckerboardAndEveryOtherRowAtTheLargestSide) {
  // Just above one half only direct neighbours collide: a checkerboard of
  // the 25 x 25 interior points.  At radius 1 diagonal neighbours collide
  // too: every other row and column.
  for (auto [r, want] : {std::pair{"0.5000001", 313}, std::pair{"1", 169}}) {
    Trace t = searchfast(buildtables(26, radius(r)));
    EXPECT_EQ(t.sol, want);
  }
}

}  // namespace
}  // namespace packer
