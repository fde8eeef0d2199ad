// The exact geometry: overlap and border tables, row patterns, the
// row-distance rule and the cover test.
#include "lattice.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "radius_util.h"

namespace packer {
namespace {

TEST(Overlap, DecidesExactlyAtEveryThreshold) {
  EXPECT_FALSE(closerthandiameter(4, radius("1")));  // centres 2 apart touch
  EXPECT_TRUE(closerthandiameter(3, radius("1")));
  EXPECT_TRUE(closerthandiameter(4, nextup(radius("1"))));
  EXPECT_FALSE(closerthandiameter(9, radius("1.5")));
  EXPECT_TRUE(closerthandiameter(9, nextup(radius("1.5"))));
  // The 64-bit value nearest sqrt(5)/2 lies above it, so centres sqrt(5)
  // apart overlap, although 4 * r * r rounded to 64 bits is exactly 5.
  Radius r = radius(
      "1.118033988749894848207210029666924810953787527978420257568359375");
  EXPECT_TRUE(closerthandiameter(5, r));
  EXPECT_FALSE(closerthandiameter(5, nextdown(r)));
  EXPECT_TRUE(closerthandiameter(1352, radius("18.4")));
  EXPECT_FALSE(closerthandiameter(1352, radius("18.38")));
  EXPECT_TRUE(closerthandiameter(0, radius("0.6")));
  // Far outside the lattice's distances the shifts saturate.
  EXPECT_TRUE(closerthandiameter(7938, radius("1e4000")));
  EXPECT_FALSE(closerthandiameter(1, radius("1e-4000")));
}

TEST(Tables, OverlapTableMatchesTheListedCases) {
  Lattice one = buildtables(4, radius("1.0"));
  EXPECT_FALSE(one.intersectcircle[2][0]);
  EXPECT_TRUE(one.intersectcircle[1][1]);
  EXPECT_TRUE(one.intersectcircle[0][1]);
  EXPECT_TRUE(one.intersectcircle[0][0]);
  Lattice half = buildtables(4, radius("1.5"));
  EXPECT_FALSE(half.intersectcircle[3][0]);
  EXPECT_FALSE(half.intersectcircle[0][3]);
  EXPECT_TRUE(half.intersectcircle[2][2]);
  EXPECT_TRUE(half.intersectcircle[2][1]);
  Lattice huge = buildtables(26, radius("18.4"));
  for (int i = 0; i <= 26; ++i)
    for (int j = 0; j <= 26; ++j) EXPECT_TRUE(huge.intersectcircle[i][j]);
  // Beyond 26 the table goes on: 37^2 > 4 * 18.4^2 > 36^2 + 1.
  EXPECT_FALSE(buildtables(63, radius("18.4")).intersectcircle[37][0]);
  EXPECT_TRUE(buildtables(63, radius("18.4")).intersectcircle[36][1]);
}

TEST(Tables, BorderTableAdmitsTouchingCirclesOnly) {
  Lattice one = buildtables(4, radius("1.0"));
  for (int i = 0; i < kAxis; ++i)
    for (int j = 0; j < kAxis; ++j)
      EXPECT_EQ(one.okplaceborder[i][j], i >= 1 && i <= 3 && j >= 1 && j <= 3)
          << i << " " << j;
  Lattice two = buildtables(4, radius("2.0"));
  for (int i = 0; i < kAxis; ++i)
    for (int j = 0; j < kAxis; ++j)
      EXPECT_EQ(two.okplaceborder[i][j], i == 2 && j == 2);
  Lattice wide = buildtables(4, radius("2.01"));
  for (int i = 0; i < kAxis; ++i)
    for (int j = 0; j < kAxis; ++j) EXPECT_FALSE(wide.okplaceborder[i][j]);
  // Just above 2 a circle at column 6 of an 8-square crosses the border,
  // exactly as one at column 2 does.
  Lattice eight = buildtables(8, radius("2.0000000000000000002"));
  EXPECT_FALSE(eight.okplaceborder[4][6]);
  EXPECT_FALSE(eight.okplaceborder[4][2]);
  EXPECT_TRUE(eight.okplaceborder[4][3]);
}

TEST(Tables, TheFirstRowsKeepTheirCentresAndNoOthers) {
  // At n = 10 and radius 1.5 centres fit in rows and columns 2..8.
  Lattice lat = buildtables(10, radius("1.5"));
  for (int rows = 0; rows <= 8; ++rows) {
    Lattice cut = firstrows(lat, rows);
    for (int i = 0; i <= 10; ++i) {
      const bool kept = i >= 2 && i < 2 + rows;
      EXPECT_EQ(cut.borderok[i], kept ? lat.borderok[i] : 0)
          << rows << " " << i;
      for (int c = 0; c <= 10; ++c)
        EXPECT_EQ(cut.okplaceborder[i][c], kept && lat.okplaceborder[i][c]);
    }
  }
}

TEST(RowPatterns, ListedCasesAndCounts) {
  EXPECT_EQ(validmasks(buildtables(4, radius("1.0"))),
            (std::vector<RowMask>{0, 2, 4, 8, 10}));
  EXPECT_EQ(validmasks(buildtables(5, radius("1.5"))),
            (std::vector<RowMask>{0, 4, 8}));
  EXPECT_EQ(validmasks(buildtables(6, radius("1.0"))).size(), 13u);
  EXPECT_EQ(validmasks(buildtables(12, radius("1.0"))).size(), 233u);
  EXPECT_EQ(validmasks(buildtables(26, radius("1.0"))).size(), 196418u);
  EXPECT_EQ(validmasks(buildtables(6, radius("3.01"))),
            (std::vector<RowMask>{0}));
  // 2r a hair above 3: columns 2 and 5 of a 7-square must not share a row.
  auto masks = validmasks(buildtables(7, radius("1.5000000000000000001")));
  EXPECT_EQ(std::count(masks.begin(), masks.end(), RowMask{0b100100}), 0);
  masks = validmasks(buildtables(7, radius("1.5")));
  EXPECT_EQ(std::count(masks.begin(), masks.end(), RowMask{0b100100}), 1);
}

TEST(RowPatterns, ComeOutAscendingAndInProfileOrder) {
  Lattice lat = buildtables(11, radius("1.25"));
  auto masks = validmasks(lat);
  EXPECT_TRUE(std::is_sorted(masks.begin(), masks.end()));
  std::vector<Profile> profiles;
  for (RowMask m : patternsinorder(lat.borderok[5], lat.gap)) {
    Profile p;
    for (int c = 0; c < 64; ++c)
      if (m >> c & 1) p.push_back({5, c});
    profiles.push_back(p);
  }
  EXPECT_EQ(profiles.size(), masks.size());
  EXPECT_TRUE(std::is_sorted(profiles.begin(), profiles.end()));
  EXPECT_TRUE(std::adjacent_find(profiles.begin(), profiles.end()) ==
              profiles.end());
}

TEST(RowDistance, DropsACellAtExactlyTwoRadii) {
  Lattice lat = buildtables(8, radius("1.5"));
  EXPECT_FALSE(staysafter(lat, 2, 4));  // 3.5 is not above 3.5
  EXPECT_TRUE(staysafter(lat, 3, 4));
  EXPECT_TRUE(staysafter(buildtables(8, nextup(radius("1.5"))), 2, 4));
  EXPECT_EQ(lat.reach, 2);  // offsets 1 and 2 lie below 3
  EXPECT_EQ(lat.gap, 3);
}

TEST(Cover, OldCellLeavesOnlyWhenTheNewOneShieldsIt) {
  Lattice lat = buildtables(10, radius("1.25"));
  // Straight below: the old circle reaches row 3 over columns 4..6, the new
  // one over 3..7, and neither reaches further in row 4.
  EXPECT_TRUE(covers(lat, 1, 5, 2, 5));
  // Two columns to the side, column 2 of row 3 stays exposed.
  EXPECT_FALSE(covers(lat, 1, 3, 2, 5));
  // Next to the border: (1, 0) reaches row 4 only at columns 0 and 1 at
  // r = 1.6, all inside the reach of (3, 3) but not of (3, 4).
  Lattice wide = buildtables(6, radius("1.6"));
  EXPECT_TRUE(covers(wide, 1, 0, 3, 3));
  EXPECT_FALSE(covers(wide, 1, 0, 3, 4));
  // In the last row there is nothing left to shield.
  EXPECT_TRUE(covers(lat, 8, 1, 10, 9));
}

}  // namespace
}  // namespace packer
