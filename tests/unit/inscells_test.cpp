// Extending a Profile by one row pattern: overlap, cover, row distance.
#include <gtest/gtest.h>

#include "radius_util.h"
#include "reference.h"

namespace packer {
namespace {

int columns(std::initializer_list<int> cols) {
  int mask = 0;
  for (int c : cols) mask |= 1 << c;
  return mask;
}

TEST(Inscells, EmptyProfileTakesTheNewCellsInColumnOrder) {
  Lattice lat = buildtables(10, radius("1.25"));
  Inserter ins(lat);
  ASSERT_TRUE(ins.inscells({}, 3, columns({7, 2, 5})));
  EXPECT_EQ(ins.nw, (Profile{{3, 2}, {3, 5}, {3, 7}}));
}

TEST(Inscells, EmptyMaskKeepsWhatTheRowDistanceKeeps) {
  Lattice lat =
      buildtables(10, radius("1.25"));  // keeps rows less than 1.5 back
  Inserter ins(lat);
  ASSERT_TRUE(ins.inscells({{2, 4}, {3, 1}, {3, 8}}, 4, 0));
  EXPECT_EQ(ins.nw, (Profile{{3, 1}, {3, 8}}));
  // At exactly 2r the old cell goes: 2 + 1.5 is not above 5 - 1.5.
  Lattice eight = buildtables(8, radius("1.5"));
  Inserter ins8(eight);
  ASSERT_TRUE(ins8.inscells({{2, 2}}, 4, 0));
  EXPECT_TRUE(ins8.nw.empty());
}

TEST(Inscells, RejectsAnyOverlapEvenAfterEarlierColumnsFit) {
  Lattice lat = buildtables(10, radius("1.25"));
  Inserter ins(lat);
  EXPECT_FALSE(ins.inscells({{3, 5}}, 4, columns({5})));     // same column
  EXPECT_FALSE(ins.inscells({{3, 5}}, 4, columns({1, 7})));  // 1 + 4 < 6.25
  EXPECT_TRUE(ins.inscells({{3, 5}}, 4, columns({1, 8})));   // 1 + 9 > 6.25
  EXPECT_FALSE(ins.inscells({{2, 5}}, 4, columns({5})));     // 4 < 6.25
}

TEST(Inscells, DropsAnOldCellThatANewCellShields) {
  // At r = 1.6 the circle at (1, 0) still reaches row 4 at columns 0 and
  // 1; a new circle at (3, 3) reaches all of row 4's columns 0..6 there.
  Lattice lat = buildtables(6, radius("1.6"));
  Inserter ins(lat);
  ASSERT_TRUE(ins.inscells({{1, 0}}, 3, columns({3})));
  EXPECT_EQ(ins.nw, (Profile{{3, 3}}));
  ASSERT_TRUE(ins.inscells({{1, 0}}, 3, columns({4})));  // misses column 0
  EXPECT_EQ(ins.nw, (Profile{{1, 0}, {3, 4}}));
}

TEST(Inscells, LastRowCoversEveryOldCell) {
  Lattice lat = buildtables(6, radius("1.25"));
  Inserter ins(lat);
  ASSERT_TRUE(ins.inscells({{5, 2}}, 6, columns({5})));
  EXPECT_EQ(ins.nw, (Profile{{6, 5}}));
  ASSERT_TRUE(ins.inscells({{5, 2}}, 6, 0));  // stays by the row distance
  EXPECT_EQ(ins.nw, (Profile{{5, 2}}));
}

}  // namespace
}  // namespace packer
