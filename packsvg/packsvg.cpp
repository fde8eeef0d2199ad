// packsvg N RADIUS: draws packer's answer (read on standard input) for the
// square of side N and the given radius as an SVG picture on standard
// output:  echo "12 1.5" | packer | packsvg 12 1.5 > out.svg
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "lattice.h"
#include "options.h"
#include "process.h"

namespace {

const char* kUsage =
    "usage: packsvg N RADIUS < answer > picture.svg\n"
    "Draws a packing printed by packer for the square of side N (1 to 63)\n"
    "and circles of radius RADIUS (a decimal number, 0 or more): the square,\n"
    "its lattice points, every circle, and a title with N, the radius and\n"
    "the count.  It also takes what packrange N K prints.  Example:\n"
    "  echo \"12 1.5\" | packer | packsvg 12 1.5 > packing.svg\n";

struct Centre {
  long row, col;
};

[[noreturn]] void fail(int status, const std::string& message) {
  packer::fail("packsvg", status, message);
}

// Longest line of an answer: "row column" with both below 64, or a count
// below 64^2; anything longer is refused before more of it is read.
constexpr std::size_t kMaxLine = 32;

// The lines of an answer, one at a time, with one line of lookahead.
class Lines {
 public:
  explicit Lines(std::istream& in) : in(in) {}

  // The next line, without its "\n" or a "\r" before it; false at the end
  // of the input.  A line longer than kMaxLine is refused.
  bool next(std::string& line, const std::string& what) {
    if (held) {
      held = false;
      line = heldline;
      return true;
    }
    line.clear();
    int ch;
    while ((ch = in.get()) != EOF && ch != '\n') {
      if (line.size() == kMaxLine) fail(2, what + " is too long");
      line.push_back(static_cast<char>(ch));
    }
    if (ch == EOF && line.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  // Hands `line` out again on the next call.
  void putback(const std::string& line) {
    heldline = line;
    held = true;
  }

 private:
  std::istream& in;
  std::string heldline;
  bool held = false;
};

// At most (n - 1)^2 circles fit: their centres lie strictly inside.
void checkcount(long count, long n) {
  if (count > (n - 1) * (n - 1))
    fail(2, "the count says " + std::to_string(count) + ", but at most " +
                std::to_string((n - 1) * (n - 1)) +
                " circles fit in the square of side " + std::to_string(n));
}

// The count line of an answer.  `packrange N K` prints the radius first
// (a number or sqrt(D)/2), then packer's answer: a first line that is no
// whole number, or one followed by a line that is a lone number rather
// than a centre, is that radius and is passed over.  A count that cannot
// fit is refused on its own line: a radius of packrange's, at most n / 2,
// never exceeds the count that fits.
long readcount(Lines& lines, long n) {
  std::string first, second;
  long count = 0, after = 0;
  if (!lines.next(first, "the first line"))
    fail(2, "the answer must start with the count of circles");
  if (packer::wholenumber(first, 0, 999999999, count)) {
    checkcount(count, n);
    if (!lines.next(second, "the second line")) return count;
    if (!packer::wholenumber(second, 0, 999999999, after)) {
      lines.putback(second);
      return count;
    }
  } else if (!lines.next(second, "the count line") ||
             !packer::wholenumber(second, 0, 999999999, after)) {
    fail(2, "the answer must start with the count of circles");
  }
  checkcount(after, n);
  return after;
}

// Reads packer's answer: the count, then that many "row column" lines,
// each centre in the square, and nothing after them; no more than the
// count's lines are ever held.
std::vector<Centre> readanswer(std::istream& in, long n) {
  Lines lines(in);
  const long count = readcount(lines, n);
  std::vector<Centre> centres;
  centres.reserve(count);
  std::string line;
  for (long k = 1; lines.next(line, "centre line " + std::to_string(k)); ++k) {
    if (k > count)
      fail(2, "the count says " + std::to_string(count) +
                  " but more centres follow");
    std::size_t blank = line.find(' ');
    Centre c{};
    if (blank == std::string::npos ||
        !packer::wholenumber(line.substr(0, blank), 0, 999999999, c.row) ||
        !packer::wholenumber(line.substr(blank + 1), 0, 999999999, c.col))
      fail(2, "centre line " + std::to_string(k) + " is not \"row column\"");
    if (c.row > n || c.col > n)
      fail(2, "centre " + line + " lies outside the square of side " +
                  std::to_string(n));
    centres.push_back(c);
  }
  if (static_cast<long>(centres.size()) != count)
    fail(2, "the count says " + std::to_string(count) + " but " +
                std::to_string(centres.size()) + " centres follow");
  return centres;
}

std::string number(double v) {
  std::ostringstream out;
  out.precision(6);
  out << v;
  return out.str();
}

struct Arguments {
  long n = 0;
  std::string radiustext;  // as given, so the picture carries it exactly
};

// Reads N and RADIUS; --help and --version are answered here.
Arguments parsearguments(int argc, char** argv) {
  const packer::CommandLine args =
      packer::parsecommandline(argc, argv, "packsvg", false);
  if (!args.error.empty()) fail(2, args.error);
  packer::answerinfo(args, "packsvg", false, std::string(kUsage) + "\n", "");
  if (args.operands.size() != 2)
    fail(2, "expected N and RADIUS; see packsvg --help for the usage");
  const std::string ntext = args.operands[0];
  Arguments a;
  if (!packer::wholenumber(ntext, 1, packer::kMaxSide, a.n))
    fail(2, "N must be a whole number from 1 to " +
                std::to_string(packer::kMaxSide) + ", not '" + ntext + "'");
  const std::string& radiustext = a.radiustext = args.operands[1];
  char* end = nullptr;
  errno = 0;
  double radius = std::strtod(radiustext.c_str(), &end);
  if (radiustext.empty() || *end != '\0' || errno == ERANGE ||
      !std::isfinite(radius) || radius < 0 ||
      radiustext.find_first_of("xXnN") != std::string::npos)
    fail(2, "RADIUS must be a decimal number, 0 or more, not '" + radiustext +
                "'");
  return a;
}

// The picture of `centres` for side n and the radius as given.
std::string picture(long n, const std::string& radiustext,
                    const std::vector<Centre>& centres) {
  // The page is 640 pixels wide: a caption line, then the square scaled
  // into the rest with a small margin.  Inside the square everything is in
  // lattice units, so each circle carries the radius exactly as given.
  const double width = 640, captionheight = 40, margin = 20;
  const double scale = (width - 2 * margin) / n;
  const double height = captionheight + width;
  const double line = 1.5 / scale;  // 1.5 pixels, in lattice units
  std::string caption = "n = " + std::to_string(n) + ", radius " + radiustext +
                        ", " + std::to_string(centres.size()) +
                        (centres.size() == 1 ? " circle" : " circles");
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) +
         "\" height=\"" + number(height) + "\" viewBox=\"0 0 " + number(width) +
         " " + number(height) + "\">\n";
  svg += "<title>" + caption + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + number(width / 2) + "\" y=\"" +
         number(captionheight - 8) +
         "\" font-size=\"20\" font-family=\"sans-serif\" "
         "text-anchor=\"middle\">" +
         caption + "</text>\n";
  svg += "<g transform=\"translate(" + number(margin) + " " +
         number(captionheight + margin) + ") scale(" + number(scale) + ")\">\n";
  svg += "<rect class=\"square\" width=\"" + number(n) + "\" height=\"" +
         number(n) + "\" fill=\"none\" stroke=\"black\" stroke-width=\"" +
         number(2 * line) + "\"/>\n";
  svg += "<g class=\"lattice\" fill=\"#888\">\n";
  for (long r = 0; r <= n; ++r)
    for (long c = 0; c <= n; ++c)
      svg += "<circle cx=\"" + std::to_string(c) + "\" cy=\"" +
             std::to_string(r) + "\" r=\"" + number(1.5 * line) + "\"/>\n";
  svg +=
      "</g>\n<g class=\"packing\" fill=\"#4a90d9\" fill-opacity=\"0.35\" "
      "stroke=\"#1f4e8c\" stroke-width=\"" +
      number(line) + "\">\n";
  // Rows run down the picture and columns across, as the answer lists them.
  for (const Centre& c : centres)
    svg += "<circle class=\"disc\" cx=\"" + std::to_string(c.col) + "\" cy=\"" +
           std::to_string(c.row) + "\" r=\"" + radiustext + "\"/>\n";
  svg += "</g>\n</g>\n</svg>\n";
  return svg;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments a = parsearguments(argc, argv);
  const std::vector<Centre> centres = readanswer(std::cin, a.n);
  return packer::writeout("packsvg", "picture",
                          picture(a.n, a.radiustext, centres))
             ? 0
             : 1;
}
