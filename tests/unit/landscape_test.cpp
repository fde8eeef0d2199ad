// The radius landscape: thresholds, exact bounds, and the same steps
// whatever the number of threads.
#include "landscape.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace packer {
namespace {

TEST(Landscape, ThresholdsAreTheSumsOfTwoSquaresUpToNSquared) {
  EXPECT_EQ(thresholds(3), (std::vector<std::uint64_t>{1, 2, 4, 5, 8, 9}));
  EXPECT_EQ(thresholds(1), (std::vector<std::uint64_t>{1}));
  // 3, 6, 7 and 12 are no sum of two squares, 25 = 9 + 16 is.
  auto t = thresholds(5);
  for (std::uint64_t d : {3, 6, 7, 12, 21})
    EXPECT_EQ(std::count(t.begin(), t.end(), d), 0) << d;
  EXPECT_EQ(t.back(), 25u);
}

TEST(Landscape, BoundsAreWrittenExactly) {
  EXPECT_EQ(boundtext(0), "0");
  EXPECT_EQ(boundtext(1), "0.5");
  EXPECT_EQ(boundtext(4), "1");
  EXPECT_EQ(boundtext(9), "1.5");
  EXPECT_EQ(boundtext(5), "sqrt(5)/2");
  EXPECT_EQ(boundtext(kInfinity), "inf");

}

TEST(Landscape, StepsFallAndDoNotDependOnThreads) {
  for (int n : {1, 4, 7, 10}) {
    std::vector<Step> one = landscape(n, 1), two = landscape(n, 2);
    ASSERT_EQ(one.size(), two.size()) << n;
    for (std::size_t k = 0; k < one.size(); ++k) {
      EXPECT_EQ(one[k].from, two[k].from);
      EXPECT_EQ(one[k].to, two[k].to);
      EXPECT_EQ(one[k].count, two[k].count);
    }
    EXPECT_EQ(one.front().from, 0u);
    EXPECT_EQ(one.front().count, (n - 1) * (n - 1));
    EXPECT_EQ(one.back().to, kInfinity);
    EXPECT_EQ(one.back().count, 0);
  }
}

}  // namespace
}  // namespace packer
