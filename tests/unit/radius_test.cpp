// Reading the radius exactly: rounding to a 64-bit significand at halfway
// points, the range, long tokens, and agreement with the platform's own
// reader where that reader has the same format.
#include "radius.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "radius_util.h"

namespace packer {
namespace {

constexpr std::uint64_t kTop = std::uint64_t{1} << 63;

// The exact decimal text of m * 2^-k (k >= 0): m * 5^k with the point k
// digits from the right.
std::string exactdecimal(unsigned __int128 m, int k) {
  std::vector<int> digits;  // least significant first
  for (; m; m /= 10) digits.push_back(static_cast<int>(m % 10));
  for (int i = 0; i < k; ++i) {
    int carry = 0;
    for (int& d : digits) {
      d = d * 5 + carry;
      carry = d / 10;
      d %= 10;
    }
    for (; carry; carry /= 10) digits.push_back(carry % 10);
  }
  while (static_cast<int>(digits.size()) <= k) digits.push_back(0);
  std::string out;
  for (std::size_t i = digits.size(); i-- > 0;) {
    out += static_cast<char>('0' + digits[i]);
    if (static_cast<int>(i) == k && k > 0) out += '.';
  }
  return out;
}

Radius read(const std::string& text) {
  Radius r;
  EXPECT_EQ(readradius(text, r), ReadRadius::ok) << text;
  return r;
}

TEST(ReadRadius, SimpleValuesAreExact) {
  EXPECT_EQ(read("1"), (Radius{kTop, -63, false}));
  EXPECT_EQ(read("0.75"), (Radius{kTop | kTop >> 1, -64, false}));
  EXPECT_EQ(read("-4"), (Radius{kTop, -61, true}));
  EXPECT_EQ(read("+2.5e0"), read("25E-1"));
  EXPECT_EQ(read("000.000"), Radius{});
  EXPECT_EQ(read("-0"), Radius{});
  EXPECT_EQ(read("0e999999999999999999999"), Radius{});
  // 0.1 is 0xCCCCCCCCCCCCCCCC.CCC... * 2^-67: the tail rounds up.
  EXPECT_EQ(read("0.1"), (Radius{0xCCCCCCCCCCCCCCCDu, -67, false}));
}

TEST(ReadRadius, HalfwayPointsRoundToEven) {
  std::mt19937_64 rng(5);
  for (int trial = 0; trial < 300; ++trial) {
    std::uint64_t m = rng() | kTop;
    int k = 1 + static_cast<int>(rng() % 90);  // the value m * 2^(1 - k)
    // h lies halfway between m and m + 1 in units of 2^(1 - k).
    unsigned __int128 h = static_cast<unsigned __int128>(m) * 2 + 1;
    std::string text = exactdecimal(h, k);
    Radius low{m, 1 - k, false}, high = nextup(low);
    EXPECT_EQ(read(text), m % 2 ? high : low) << text;
    // A hair above or below decides; so does the same value with the
    // point moved into an exponent.
    EXPECT_EQ(read(text + "0000000000000000000000001"), high) << text;
    std::string below = text;
    below.back() = '4';  // the exact text of h ends in 5
    EXPECT_EQ(read(below + "99999999999999999999"), low) << below;
    std::string digits = text;
    digits.erase(digits.find('.'), 1);
    EXPECT_EQ(read(digits + "e-" + std::to_string(k)), read(text)) << text;
  }
}

TEST(ReadRadius, TheRangeEndsLikeTheExtendedFormat) {
  // The largest finite value, and the least positive one (a subnormal
  // there, with a single significant bit).
  EXPECT_EQ(read("1.18973149535723176502e4932"),
            (Radius{~std::uint64_t{0}, kMaxExp, false}));
  EXPECT_EQ(read("3.6451995318824746025e-4951"),
            (Radius{kTop, kMinExp - 63, false}));
  Radius r;
  EXPECT_EQ(readradius("1.2e4932", r), ReadRadius::toolarge);
  EXPECT_EQ(readradius("1e99999999999999", r), ReadRadius::toolarge);
  // (2^65 - 1) * 2^16319, halfway to 2^16384, is 1.18973149535723176505
  // 351158982948866796625e4932 and some: a hair above it is too large,
  // just below it reads as the largest value.
  EXPECT_EQ(readradius("1.18973149535723176505351158983e4932", r),
            ReadRadius::toolarge);
  EXPECT_EQ(read("1.18973149535723176505351158982e4932"),
            (Radius{~std::uint64_t{0}, kMaxExp, false}));
  // Half the least positive value rounds to even, that is to zero; one and
  // a half of it rounds to two.
  std::string half = exactdecimal(1, -(kMinExp - 1));
  EXPECT_EQ(read(half), Radius{});
  EXPECT_EQ(read(half + "1"), (Radius{kTop, kMinExp - 63, false}));
  EXPECT_EQ(read(exactdecimal(3, -(kMinExp - 1))),
            (Radius{kTop, kMinExp + 1 - 63, false}));
  EXPECT_EQ(read("1e-5000"), Radius{});
}

TEST(ReadRadius, LongTokensNextToThresholds) {
  // sqrt(5)/2 to 40 digits lies below the threshold, but the nearest
  // 64-bit value lies above it: circles sqrt(5) apart overlap.
  Radius r = read("1.118033988749894848204586834365638117720");
  EXPECT_TRUE(closerthandiameter(5, r));
  EXPECT_EQ(r, read("1.11803398874989484820"));
  // Hundreds of digits: 1.5 plus 10^-300 is 1.5; plus 10^-19 is not.
  std::string zeros(298, '0');
  EXPECT_EQ(read("1.5" + zeros + "1"), read("1.5"));
  EXPECT_EQ(read("1.5000000000000000001"), nextup(read("1.5")));
  EXPECT_EQ(read(std::string(300, '0') + "1.5"), read("1.5"));
  EXPECT_EQ(read("15" + std::string(298, '0') + "e-299"), read("1.5"));
}

TEST(HalfSqrtBelow, TheLastValueNotAboveTheThreshold) {
  EXPECT_EQ(halfsqrtbelow(1), read("0.5"));
  EXPECT_EQ(halfsqrtbelow(4), read("1"));
  EXPECT_EQ(halfsqrtbelow(9), read("1.5"));
  EXPECT_EQ(halfsqrtbelow(676), read("13"));
  for (std::uint64_t d : {2ull, 5ull, 8ull, 13ull, 1352ull, 7938ull}) {
    Radius r = halfsqrtbelow(d), up = nextup(r);
    // 4 r^2 <= d < 4 up^2: r is not above sqrt(d) / 2, the next value is.
    EXPECT_FALSE(closerthandiameter(d, r)) << d;
    EXPECT_TRUE(closerthandiameter(d, up)) << d;
  }
}

// Where long double is the 80-bit format, strtold rounds the same way:
// agreement on many tokens, random and halfway, is the check that the
// answers there stay what they were.
TEST(ReadRadius, AgreesWithTheExtendedFormatsOwnReader) {
  if (LDBL_MANT_DIG != 64) GTEST_SKIP() << "long double is not 80-bit here";
  std::mt19937_64 rng(9);
  auto tokens = std::vector<std::string>{};
  for (int trial = 0; trial < 20000; ++trial) {
    std::string t;
    int length = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < length; ++i) t += static_cast<char>('0' + rng() % 10);
    if (rng() % 2) t.insert(t.begin() + rng() % (t.size() + 1), '.');
    if (t == ".") t = "0";
    // Exponents near 1, near the largest values and near the least.
    int shape = static_cast<int>(rng() % 4);
    long e = shape == 1   ? static_cast<long>(rng() % 81) - 40
             : shape == 2 ? static_cast<long>(rng() % 200) + 4850
                          : -static_cast<long>(rng() % 200) - 4880;
    if (shape) t += 'e', t += std::to_string(e);
    tokens.push_back(t);
  }
  for (int trial = 0; trial < 2000; ++trial) {
    std::uint64_t m = rng() | kTop;
    std::string h = exactdecimal(static_cast<unsigned __int128>(m) * 2 + 1,
                                 1 + static_cast<int>(rng() % 70));
    tokens.push_back(h);
    tokens.push_back(h.substr(0, 25 + rng() % 15));
  }
  for (const std::string& t : tokens) {
    Radius mine;
    ReadRadius status = readradius(t, mine);
    long double theirs = std::strtold(t.c_str(), nullptr);
    if (std::isinf(theirs)) {
      EXPECT_EQ(status, ReadRadius::toolarge) << t;
      continue;
    }
    ASSERT_EQ(status, ReadRadius::ok) << t;
    Radius want;
    if (theirs != 0) {
      int k = 0;
      long double f = std::frexp(theirs, &k);
      want = {static_cast<std::uint64_t>(std::ldexp(f, 64)), k - 64, false};
    }
    EXPECT_EQ(mine, want) << t;
  }
}

}  // namespace
}  // namespace packer
