// The radius landscape: decimals inside their steps, and the same steps
// whatever the number of threads.
#include "landscape.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace packer {
namespace {

using Decimals = std::pair<std::string, std::string>;

TEST(Landscape, StepDecimalsLieInsideTheirSteps) {
  // FROM rounded up and TO rounded down: sqrt(5)/2 = 1.1180339887...
  EXPECT_EQ(stepdecimals({4, 5, 17}), Decimals("1.000001", "1.118033"));
  EXPECT_EQ(stepdecimals({5, 8, 13}), Decimals("1.118034", "1.414213"));
  EXPECT_EQ(stepdecimals({0, 1, 16}), Decimals("0.000000", "0.500000"));
  EXPECT_EQ(stepdecimals({4, kInfinity, 0}), Decimals("1.000001", "inf"));
}

TEST(Landscape, StepsFallAndDoNotDependOnThreads) {
  for (int n : {1, 4, 7, 10}) {
    Workers alone(1), pair(2);
    std::vector<Step> one = landscape(n, alone), two = landscape(n, pair);
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
