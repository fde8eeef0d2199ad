// The row-mask storage of a trace, in each of its regimes: masks that fit
// in 32 bits, and masks with centres in column 32 or beyond arriving first,
// after narrow ones, or by set().
#include "trace.h"

#include <gtest/gtest.h>

#include <random>

#include "answer.h"

namespace packer {
namespace {

constexpr RowMask kWide = RowMask{1} << 32;

void expectholds(const MaskColumn& column, const std::vector<RowMask>& want) {
  ASSERT_EQ(column.size(), want.size());
  for (std::size_t k = 0; k < want.size(); ++k)
    EXPECT_EQ(column[k], want[k]) << "mask " << k;
}

TEST(MaskColumn, HoldsEveryMaskWhateverOrderTheWideOnesComeIn) {
  const std::vector<std::vector<RowMask>> orders = {
      {1, 0xffffffffu, 0},                    // all narrow
      {kWide, 5, kWide | 3},                  // a wide one first
      {RowMask{1} << 63, 0, ~RowMask{0}},     // the highest column first
      {2, 0, 7, kWide << 30 | 1, 9, kWide}};  // wide after narrow
  for (const auto& masks : orders) {
    MaskColumn column;
    for (RowMask m : masks) column.push_back(m);
    expectholds(column, masks);
  }
}

TEST(MaskColumn, SetAfterPushAndResizeKeepEveryMask) {
  std::mt19937_64 rng(3);
  for (int trial = 0; trial < 200; ++trial) {
    MaskColumn column;
    std::vector<RowMask> want;
    for (int k = 0; k < trial % 7; ++k) {
      // Mostly narrow, so that the column widens at varying points.
      RowMask m = rng() % 4 == 0 ? rng() : rng() & 0xffffffffu;
      column.push_back(m);
      want.push_back(m);
    }
    std::size_t size = want.size() + trial % 3;
    column.resize(size);
    want.resize(size);
    expectholds(column, want);
    for (std::size_t k = 0; k < size; ++k)
      if (rng() % 2) {
        RowMask m = rng() % 3 == 0 ? rng() : rng() & 0xffffffffu;
        column.set(k, m);
        want[k] = m;
      }
    expectholds(column, want);
    column.clear();
    column.push_back(3);
    expectholds(column, {3});  // narrow again after clear()
  }
}

}  // namespace
}  // namespace packer
