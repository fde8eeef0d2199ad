// Reading the side and the radius: what is accepted, what is refused.
#include "input.h"

#include <gtest/gtest.h>

#include <sstream>

#include "radius_util.h"

namespace packer {
namespace {

Input read(const std::string& text) {
  std::istringstream in(text);
  return readinput(in);
}

TEST(Input, AcceptsTheTwoNumbersInAnyLayout) {
  for (const char* text :
       {"3 0.5", "  3\n\n0.5\n", "\t+3\t5e-1 and more", "03 .5", "3 0.50000"}) {
    Input in = read(text);
    EXPECT_EQ(in.error, "") << text;
    EXPECT_EQ(in.n, 3) << text;
    EXPECT_EQ(in.radr, (Radius{std::uint64_t{1} << 63, -64, false})) << text;
  }
  EXPECT_EQ(read("26 -4").radr, (Radius{std::uint64_t{1} << 63, -61, true}));
  EXPECT_EQ(read("1 1e-5000").error, "");  // underflow: zero
  EXPECT_EQ(read("1 1e-5000").radr, Radius{});
}

TEST(Input, ReadsTheRadiusToSixtyFourBits) {
  Input in = read("7 1.5000000000000000001");
  EXPECT_EQ(in.radr, nextup(radius("1.5")));
}

// The refusals the golden cases err_* do not show.
TEST(Input, RefusesWhatIsNotTwoGoodNumbers) {
  struct Case {
    const char* text;
    const char* error;
  };
  for (Case c : {
           Case{"5 1.5x", "the radius must be a decimal number, not '1.5x'"},
           Case{"5 inf", "the radius must be a decimal number, not 'inf'"},
           Case{"5 0x1p1", "the radius must be a decimal number, not '0x1p1'"},
           Case{"5 1e", "the radius must be a decimal number, not '1e'"},
           Case{"5 .", "the radius must be a decimal number, not '.'"},
           Case{"5 1e5000", "the radius '1e5000' is too large"},
           Case{"5 -1.2e4932", "the radius '-1.2e4932' is too large"},
       }) {
    Input in = read(c.text);
    EXPECT_EQ(in.error, c.error) << c.text;
  }
  // Unprintable bytes are shown escaped, and long tokens cut short.
  EXPECT_EQ(read(std::string("5\0", 2) + " 1").error,
            "the side n must be a whole number, not '5\\x00'");
  EXPECT_EQ(read("5 " + std::string(1000001, '1')).error,
            "the radius '" + std::string(40, '1') +
                "...' is longer than 1000000 characters");
}

TEST(Input, ReadsLongRadiiExactly) {
  // A long token is a way to probe a threshold: every digit counts, the
  // first 12,000 exactly and any nonzero one after them.
  Input one = read("5 1." + std::string(399, '0'));
  EXPECT_EQ(one.error, "");
  EXPECT_EQ(one.radr, radius("1"));
  const std::string zeros(100000, '0');
  EXPECT_EQ(read("5 1." + zeros + "1").radr, radius("1"));
  EXPECT_EQ(read("5 0.5" + zeros + "1").radr, radius("0.5"));
  // Exactly halfway between 1 and the next value above it, 1 + 2^-63:
  // ties to even give 1; anything beyond the halfway point, however far
  // out, rounds up.
  const std::string half =
      "1.0000000000000000000542101086242752217003726400434970855712890625";
  EXPECT_EQ(read("5 " + half + zeros).radr, radius("1"));
  EXPECT_EQ(read("5 " + half + zeros + "1").radr, nextup(radius("1")));
  EXPECT_EQ(read("5 " + zeros + "3." + zeros).radr, radius("3"));
}

}  // namespace
}  // namespace packer
