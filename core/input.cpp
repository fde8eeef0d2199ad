#include "input.h"

#include <cerrno>
#include <cstring>
#include <ios>

#include "lattice.h"

namespace packer {

// Capping a token keeps a huge input from being held in memory; a radius
// this long is still read exactly (radius.cpp).
constexpr std::size_t kMaxToken = 1000000;

static bool isspacechar(int ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' ||
         ch == '\r';
}

// Skips white space and reads one token into `token`.  Returns false at the
// end of the input; a token longer than kMaxToken is cut there and `cut` set.
static bool readtoken(std::streambuf& buf, std::string& token, bool& cut) {
  using traits = std::streambuf::traits_type;
  int ch = buf.sgetc();
  while (ch != traits::eof() && isspacechar(ch)) ch = buf.snextc();
  if (ch == traits::eof()) return false;
  token.clear();
  cut = false;
  while (ch != traits::eof() && !isspacechar(ch)) {
    if (token.size() == kMaxToken) {
      cut = true;
      break;
    }
    token.push_back(static_cast<char>(ch));
    ch = buf.snextc();
  }
  return true;
}

// The token as it can be shown in a one-line message.
static std::string shown(const std::string& token, bool cut) {
  static const char* hex = "0123456789abcdef";
  std::string out = "'";
  for (std::size_t k = 0; k < token.size() && k < 40; ++k) {
    auto ch = static_cast<unsigned char>(token[k]);
    if (ch >= 0x20 && ch < 0x7f && ch != '\\' && ch != '\'') {
      out += static_cast<char>(ch);
    } else {
      out += "\\x";
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  if (cut || token.size() > 40) out += "...";
  return out + "'";
}

static bool isdecimaldigit(char ch) { return ch >= '0' && ch <= '9'; }

// Optional sign, then one or more digits.
static bool iswhole(const std::string& t) {
  std::size_t k = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  if (k == t.size()) return false;
  for (; k < t.size(); ++k)
    if (!isdecimaldigit(t[k])) return false;
  return true;
}

// Optional sign, digits with an optional point (at least one digit in
// all), then an optional exponent: what a decimal extraction reads whole.
static bool isdecimal(const std::string& t) {
  std::size_t k = 0, digits = 0;
  if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
  for (; k < t.size() && isdecimaldigit(t[k]); ++k) ++digits;
  if (k < t.size() && t[k] == '.')
    for (++k; k < t.size() && isdecimaldigit(t[k]); ++k) ++digits;
  if (digits == 0) return false;
  if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
    ++k;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    std::size_t start = k;
    for (; k < t.size() && isdecimaldigit(t[k]); ++k) {
    }
    if (k == start) return false;
  }
  return k == t.size();
}

static Input readtokens(std::istream& in) {
  Input result;
  std::streambuf* buf = in.rdbuf();
  std::string token;
  bool cut = false;
  if (!buf || !readtoken(*buf, token, cut)) {
    result.error = "expected the side n and the radius, found no input";
    return result;
  }
  if (cut || !iswhole(token)) {
    result.error =
        "the side n must be a whole number, not " + shown(token, cut);
    return result;
  }
  long value = 0;
  bool negative = token[0] == '-';
  for (char ch : token)
    if (isdecimaldigit(ch) && value <= kMaxSide)
      value = value * 10 + (ch - '0');
  if (negative) value = -value;
  if (value < 1 || value > kMaxSide) {
    result.error = "the side n must be from 1 to " + std::to_string(kMaxSide) +
                   ", not " + shown(token, cut);
    return result;
  }
  result.n = static_cast<int>(value);

  if (!readtoken(*buf, token, cut)) {
    result.error = "expected the radius after the side n";
    return result;
  }
  if (cut) {
    result.error = "the radius " + shown(token, cut) + " is longer than " +
                   std::to_string(kMaxToken) + " characters";
    return result;
  }
  if (!isdecimal(token)) {
    result.error =
        "the radius must be a decimal number, not " + shown(token, cut);
    return result;
  }
  // An underflow leaves a tiny radius or zero, which is a valid (small)
  // answer.
  result.radiustext = token;
  if (readradius(token, result.radr) == ReadRadius::toolarge) {
    result.error = "the radius " + shown(token, cut) + " is too large";
    return result;
  }
  return result;
}

Input readinput(std::istream& in) {
  // A read that fails (a closed descriptor, a directory) throws from inside
  // the stream buffer.
  try {
    return readtokens(in);
  } catch (const std::ios_base::failure&) {
    Input result;
    result.error = std::string("cannot read standard input: ") +
                   (errno ? std::strerror(errno) : "read error");
    result.unreadable = true;
    return result;
  }
}

}  // namespace packer
