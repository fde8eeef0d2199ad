#include "radius.h"

#include <algorithm>
#include <string>
#include <vector>

#include "check.h"

namespace packer {

namespace {

using u128 = unsigned __int128;

int bitlength(u128 v) {
  int bits = 0;
  for (; v; v >>= 1) ++bits;
  return bits;
}

int sign(u128 a, u128 b) { return a < b ? -1 : a > b ? 1 : 0; }

// The sign of a * 2^s - b for a > 0, without forming a value that does not
// fit: a shift that would pass 128 bits already decides the comparison.
int comparepow(u128 a, int s, u128 b) {
  if (s >= 0) {
    if (bitlength(a) + s > 128) return 1;  // a * 2^s >= 2^128 > b
    return sign(a << s, b);
  }
  if (b == 0) return 1;
  if (bitlength(b) - s > 128) return -1;  // b * 2^-s >= 2^128 > a
  return sign(a, b << -s);
}

// A natural number of any size, least significant 32-bit limb first, with
// no high zero limbs.  Reading a radius needs only these few operations on
// numbers of at most about 100,000 bits.
struct Natural {
  std::vector<std::uint32_t> limbs;

  void trim() {
    while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
  }
  // this = this * m + add
  void muladd(std::uint32_t m, std::uint32_t add) {
    std::uint64_t carry = add;
    for (auto& limb : limbs) {
      carry += static_cast<std::uint64_t>(limb) * m;
      limb = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry) limbs.push_back(static_cast<std::uint32_t>(carry));
  }
  void multiplypow10(int e) {
    for (; e >= 9; e -= 9) muladd(1000000000, 0);
    static const std::uint32_t pow10[] = {
        1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    muladd(pow10[e], 0);
  }
  Natural shifted(int bits) const {
    Natural out;
    out.limbs.assign(bits / 32, 0);
    int s = bits % 32;
    std::uint32_t carry = 0;
    for (std::uint32_t limb : limbs) {
      out.limbs.push_back(limb << s | carry);
      carry = s ? limb >> (32 - s) : 0;
    }
    out.limbs.push_back(carry);
    out.trim();
    return out;
  }
  int bits() const {
    if (limbs.empty()) return 0;
    int top = 0;
    for (std::uint32_t v = limbs.back(); v; v >>= 1) ++top;
    return 32 * static_cast<int>(limbs.size() - 1) + top;
  }
  friend int compare(const Natural& a, const Natural& b) {
    if (a.limbs.size() != b.limbs.size())
      return a.limbs.size() < b.limbs.size() ? -1 : 1;
    for (std::size_t k = a.limbs.size(); k-- > 0;)
      if (a.limbs[k] != b.limbs[k]) return a.limbs[k] < b.limbs[k] ? -1 : 1;
    return 0;
  }
  friend Natural operator*(const Natural& a, const Natural& b) {
    Natural out;
    out.limbs.assign(a.limbs.size() + b.limbs.size(), 0);
    for (std::size_t i = 0; i < a.limbs.size(); ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < b.limbs.size(); ++j) {
        carry += out.limbs[i + j] +
                 static_cast<std::uint64_t>(a.limbs[i]) * b.limbs[j];
        out.limbs[i + j] = static_cast<std::uint32_t>(carry);
        carry >>= 32;
      }
      out.limbs[i + b.limbs.size()] = static_cast<std::uint32_t>(carry);
    }
    out.trim();
    return out;
  }
  // this -= b, for b <= this
  void subtract(const Natural& b) {
    std::int64_t borrow = 0;
    for (std::size_t k = 0; k < limbs.size(); ++k) {
      std::int64_t v = static_cast<std::int64_t>(limbs[k]) - borrow -
                       (k < b.limbs.size() ? b.limbs[k] : 0);
      borrow = v < 0;
      limbs[k] = static_cast<std::uint32_t>(v + (borrow << 32));
    }
    PACKER_CHECK(borrow == 0);
    trim();
  }
};

// floor(x / y) for a quotient below 2^65; x is left holding the remainder.
u128 divide(Natural& x, const Natural& y) {
  u128 q = 0;
  for (int i = 64; i >= 0; --i) {
    Natural part = y.shifted(i);
    if (compare(x, part) >= 0) {
      x.subtract(part);
      q |= u128{1} << i;
    }
  }
  PACKER_CHECK(compare(x, y) < 0);
  return q;
}

// The largest decimal exponent that may matter: 10^4933 already exceeds
// the largest finite value, and 10^-4952 is below half the least positive
// one.  Exponents in the text saturate here, so no count can overflow.
constexpr long kExponentCap = 100000;

// Significant digits read exactly; beyond them only whether one is nonzero
// counts, as a last digit 1.  That rounds as the whole token does: every
// value with 64 significant bits and every point halfway between two of
// them, (2q + 1) * 2^(p - 1) with q < 2^64 and p >= kMinExp, has at most
// 20 + 16446 * log10(5) < 11,520 significant digits.  So when the token has
// further nonzero digits, its value lies strictly between two neighbours
// on the grid of kExactDigits digits, where no rounding boundary is, and
// so does the value with the last digit 1.
constexpr std::size_t kExactDigits = 12000;

// A decimal token as value = digits * 10^exponent, digits without leading
// zeros, and past kExactDigits of them only whether any further digit is
// nonzero (sticky).
struct Decimal {
  bool negative = false;
  std::string digits;
  long exponent = 0;
  bool sticky = false;
};

Decimal splitdecimal(std::string_view token) {
  Decimal out;
  std::size_t k = 0;
  if (k < token.size() && (token[k] == '+' || token[k] == '-'))
    out.negative = token[k++] == '-';
  bool point = false;
  for (; k < token.size() && token[k] != 'e' && token[k] != 'E'; ++k) {
    char ch = token[k];
    if (ch == '.') {
      point = true;
      continue;
    }
    PACKER_CHECK(ch >= '0' && ch <= '9');
    if (out.digits.size() == kExactDigits) {
      out.sticky = out.sticky || ch != '0';
      if (!point) ++out.exponent;  // a dropped digit still holds its place
      continue;
    }
    if (!out.digits.empty() || ch != '0') out.digits.push_back(ch);
    if (point) --out.exponent;
  }
  if (k < token.size()) {
    ++k;
    bool below = k < token.size() && token[k] == '-';
    if (k < token.size() && (token[k] == '+' || token[k] == '-')) ++k;
    long e = 0;
    for (; k < token.size(); ++k)
      e = std::min(e * 10 + (token[k] - '0'), kExponentCap);
    out.exponent += below ? -e : e;
  }
  return out;
}

// The digits as a natural number, nine at a time, each step one pass over
// the limbs.
Natural wholeof(const std::string& digits) {
  Natural a;
  for (std::size_t at = 0; at < digits.size(); at += 9) {
    std::size_t end = std::min(at + 9, digits.size());
    std::uint32_t chunk = 0, scale = 1;
    for (std::size_t j = at; j < end; ++j) {
      chunk = chunk * 10 + static_cast<std::uint32_t>(digits[j] - '0');
      scale *= 10;
    }
    a.muladd(scale, chunk);
  }
  return a;
}

// Rounds a / b (a, b > 0) to nearest, ties to even, with a 64-bit
// significand, into out.sig and out.exp.
ReadRadius roundquotient(const Natural& a, const Natural& b, Radius& out) {
  // Find p with 2^63 <= a / (b * 2^p) < 2^64, but not below the least
  // exponent (there the significand has fewer bits), then divide.
  int p = std::max(a.bits() - b.bits() - 64, kMinExp);
  u128 q = 0;
  Natural x, y;
  for (;; ++p) {
    x = p < 0 ? a.shifted(-p) : a;
    y = p > 0 ? b.shifted(p) : b;
    q = divide(x, y);
    if (q >> 64 == 0) break;
  }
  // Round to nearest, ties to even: compare the remainder with half y.
  int half = compare(x.shifted(1), y);
  if (half > 0 || (half == 0 && (q & 1))) ++q;
  if (q >> 64) {
    q >>= 1;
    ++p;
  }
  if (p > kMaxExp) return ReadRadius::toolarge;
  if (q == 0) {
    out = Radius{};
    return ReadRadius::ok;
  }
  // Normalise, so that equal values have equal fields.
  while (!(q >> 63)) {
    q <<= 1;
    --p;
  }
  out.sig = static_cast<std::uint64_t>(q);
  out.exp = p;
  return ReadRadius::ok;
}

}  // namespace

ReadRadius readradius(std::string_view token, Radius& out) {
  out = Radius{};
  Decimal text = splitdecimal(token);
  out.negative = text.negative;
  std::string& digits = text.digits;
  long exponent = text.exponent;
  if (text.sticky) {  // a last digit 1 stands for the nonzero ones dropped
    digits.push_back('1');
    --exponent;
  }
  if (digits.empty()) {
    out.negative = false;
    return ReadRadius::ok;
  }
  long magnitude = static_cast<long>(digits.size()) + exponent;  // 10^(m-1)..
  if (magnitude > 4933 + 1) return ReadRadius::toolarge;
  if (magnitude < -4952) {
    out.negative = false;
    return ReadRadius::ok;  // rounds to zero
  }

  // value = a / b exactly, with b a power of ten.
  Natural a = wholeof(digits), b;
  b.limbs = {1};
  if (exponent >= 0)
    a.multiplypow10(static_cast<int>(exponent));
  else
    b.multiplypow10(static_cast<int>(-exponent));
  return roundquotient(a, b, out);
}

Side sideof(std::string_view token, std::uint64_t d) {
  const Decimal text = splitdecimal(token);
  if (text.negative || text.digits.empty()) return Side::atmost;  // x <= 0
  // sqrt(d) / 2 lies in [1/2, 2^29]: far smaller or larger tokens are
  // decided by their magnitude (x lies in [10^(m-1), 10^m)).
  const long magnitude = static_cast<long>(text.digits.size()) + text.exponent;
  if (magnitude > 10) return Side::above;
  if (magnitude < -1) return Side::atmost;
  // x = A * 10^e: the sign of 4 x^2 - d is that of
  // 4 A^2 * 10^max(2e, 0) - d * 10^max(-2e, 0).
  const int e = static_cast<int>(text.exponent);
  auto sign = [&](const Natural& a) {
    Natural left = a * a, right;
    left.muladd(4, 0);
    right.limbs = {static_cast<std::uint32_t>(d),
                   static_cast<std::uint32_t>(d >> 32)};
    right.trim();
    if (e > 0) left.multiplypow10(2 * e);
    if (e < 0) right.multiplypow10(-2 * e);
    return compare(left, right);
  };
  Natural a = wholeof(text.digits);
  const int low = sign(a);
  if (!text.sticky) return low <= 0 ? Side::atmost : Side::above;
  // Further nonzero digits: A * 10^e < x < (A + 1) * 10^e.
  if (low >= 0) return Side::above;
  a.muladd(1, 1);
  return sign(a) <= 0 ? Side::atmost : Side::unknown;
}

Radius halfsqrtbelow(std::uint64_t d) {
  PACKER_CHECK(d >= 1 && d < (std::uint64_t{1} << 60));
  // sqrt(d) / 2 lies in [2^e, 2^(e + 1)) with 4^(e + 1) <= d < 4^(e + 2),
  // so sig = floor(sqrt(d * 2^(124 - 2e))) lies in [2^63, 2^64).
  int e = -1;
  while (d >> (2 * (e + 2)) != 0) ++e;
  u128 v = static_cast<u128>(d) << (124 - 2 * e);
  u128 root = 0;
  for (int b = 63; b >= 0; --b) {
    u128 t = root | u128{1} << b;
    if (t * t <= v) root = t;
  }
  return Radius{static_cast<std::uint64_t>(root), e - 63, false};
}

int compare(const Radius& radr, int twos, std::uint64_t k) {
  if (radr.sig == 0) return k ? -1 : 0;
  if (radr.negative) return -1;
  return comparepow(radr.sig, radr.exp + twos, k);
}

bool closerthandiameter(std::uint64_t d, const Radius& radr) {
  PACKER_CHECK(radr.sig != 0 && !radr.negative);
  // 4 * radr^2 = sig^2 * 2^(2 exp + 2), exactly, in 128 bits.
  u128 square = static_cast<u128>(radr.sig) * radr.sig;
  return comparepow(square, 2 * radr.exp + 2, d) > 0;
}

}  // namespace packer
