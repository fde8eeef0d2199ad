// The radii at which an answer can change, and telling a user when the
// radius typed and the radius as read fall on different sides of one.
#include "thresholds.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "radius_util.h"

namespace packer {
namespace {

TEST(Thresholds, ThresholdsAreTheSumsOfTwoSquaresUpToNSquared) {
  EXPECT_EQ(thresholds(3), (std::vector<std::uint64_t>{1, 2, 4, 5, 8, 9}));
  EXPECT_EQ(thresholds(1), (std::vector<std::uint64_t>{1}));
  // 3, 6, 7 and 12 are no sum of two squares, 25 = 9 + 16 is.
  auto t = thresholds(5);
  for (std::uint64_t d : {3, 6, 7, 12, 21})
    EXPECT_EQ(std::count(t.begin(), t.end(), d), 0) << d;
  EXPECT_EQ(t.back(), 25u);
}

TEST(Thresholds, BoundsAreWrittenExactly) {
  EXPECT_EQ(boundtext(0), "0");
  EXPECT_EQ(boundtext(1), "0.5");
  EXPECT_EQ(boundtext(4), "1");
  EXPECT_EQ(boundtext(9), "1.5");
  EXPECT_EQ(boundtext(5), "sqrt(5)/2");
  EXPECT_EQ(boundtext(kInfinity), "inf");
}

TEST(Thresholds, TheSideOfAThresholdIsDecidedOnTheDigitsTyped) {
  EXPECT_EQ(sideof("2", 16), Side::atmost);  // equal: decides as below
  EXPECT_EQ(sideof("2.0000000000000000001", 16), Side::above);
  EXPECT_EQ(sideof("1.99999999999999999999999", 16), Side::atmost);
  // sqrt(5)/2 = 1.11803398874989484820458683436563811772030917980576...
  EXPECT_EQ(sideof("1.1180339887498948482045868343656381177203", 5),
            Side::atmost);
  EXPECT_EQ(sideof("1.1180339887498948482045868343656381177204", 5),
            Side::above);
  EXPECT_EQ(sideof("-3", 5), Side::atmost);
  EXPECT_EQ(sideof("0", 1), Side::atmost);
  EXPECT_EQ(sideof("1e-30", 1), Side::atmost);
  EXPECT_EQ(sideof("1e30", 3969), Side::above);
  EXPECT_EQ(sideof("0.0315e2", 4 * 10), Side::atmost);  // 3.15^2 < 10
  // Past 12,000 digits only a nonzero one counts.
  const std::string zeros(12000, '0');
  EXPECT_EQ(sideof("2." + zeros + "1", 16), Side::above);
  EXPECT_EQ(sideof("2." + zeros + "0", 16), Side::atmost);
  EXPECT_EQ(sideof("1." + std::string(13000, '9'), 16), Side::atmost);
}

TEST(Thresholds, ACrossingIsReportedOnlyWhereItDecides) {
  auto crossed = [](int n, const char* text) {
    return crossedthreshold(n, text, radius(text));
  };
  // Typed above 2, read as 2 (the neighbours above 2 are 2^-62 apart).
  EXPECT_EQ(crossed(4, "2.0000000000000000001"), 16u);
  EXPECT_EQ(crossed(4, "2"), 0u);
  EXPECT_EQ(crossed(4, "2.000000000000000001"), 0u);  // reads above 2
  // Typed below sqrt(5)/2, read above it; past n / 2 it decides nothing,
  // and 3 is no sum of two squares.
  EXPECT_EQ(crossed(9, "1.11803398874989484820"), 5u);
  EXPECT_EQ(crossed(2, "1.11803398874989484820"), 0u);
  EXPECT_EQ(crossed(9, "0.86602540378443864676"), 0u);
  EXPECT_EQ(crossed(9, "-2.0000000000000000001"), 0u);
}

}  // namespace
}  // namespace packer
