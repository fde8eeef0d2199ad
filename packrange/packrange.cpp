// packrange N [K | --svg]: the whole radius landscape of the square of side
// N, the largest radius at which K circles fit, or the landscape as an SVG
// plot.  It runs packer's solver in this process, on two threads.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "landscape.h"
#include "lattice.h"
#include "solve.h"

namespace {

const char* const kUsage =
    "usage: packrange N          the steps of the count as the radius grows\n"
    "       packrange N K        the largest radius at which K circles fit,\n"
    "                            then the packing packer prints for it\n"
    "       packrange N --svg    the steps drawn as an SVG plot\n"
    "\n"
    "N is the side of the square, 1 to 63.  The count is the same for all\n"
    "radii r with FROM < r <= TO; each line of the table is such a step,\n"
    "tab-separated: FROM, TO, COUNT, then FROM and TO as decimals.  Bounds\n"
    "are exact: a number, or sqrt(D)/2; the last step ends at inf.\n";

[[noreturn]] void fail(int status, const std::string& message) {
  std::fprintf(stderr, "packrange: %s\n", message.c_str());
  std::exit(status);
}

// A whole decimal number from lo to hi, all of `text`.
bool wholenumber(const char* text, long lo, long hi, long& value) {
  std::size_t length = std::strlen(text);
  if (length == 0 || length > 9) return false;
  for (std::size_t k = 0; k < length; ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  value = std::strtol(text, nullptr, 10);
  return value >= lo && value <= hi;
}

// Refuses a side whose smallest radii need more memory than the machine
// has, before any search starts.
void checkmemory(int n) {
  std::uint64_t available = packer::availablememory();
  if (!available) return;
  for (std::uint64_t d : packer::thresholds(n)) {
    packer::MemoryNeed need = packer::leastmemory(n, packer::halfsqrtbelow(d));
    if (need.bytes > available)
      fail(1, "n = " + std::to_string(n) + ": the radii up to " +
                  packer::boundtext(d) + " need at least " +
                  packer::formatsize(need.bytes) + ", more than the " +
                  packer::formatsize(available) + " available");
  }
}

void printtable(const std::vector<packer::Step>& steps) {
  std::string out = "from\tto\tcount\tfrom_decimal\tto_decimal\n";
  for (const packer::Step& s : steps)
    out += packer::boundtext(s.from) + "\t" + packer::boundtext(s.to) + "\t" +
           std::to_string(s.count) + "\t" + packer::bounddecimal(s.from) +
           "\t" + packer::bounddecimal(s.to) + "\n";
  std::fputs(out.c_str(), stdout);
}

void printlargest(int n, long k, const std::vector<packer::Step>& steps) {
  // Counts fall as the radius grows: the last step holding k or more
  // circles ends at the largest radius where k fit, and includes it.
  auto it = std::find_if(steps.rbegin(), steps.rend(),
                         [&](const packer::Step& s) { return s.count >= k; });
  if (it == steps.rend())
    fail(2, "at most " + std::to_string(steps.front().count) +
                " circles fit in the square of side " + std::to_string(n) +
                ", not " + std::to_string(k));
  std::string out = packer::boundtext(it->to) + "\n" +
                    packer::solve(n, packer::halfsqrtbelow(it->to));
  std::fputs(out.c_str(), stdout);
}

// The count as a step function of the radius, 0 to a little past n / 2.
void printsvg(int n, const std::vector<packer::Step>& steps) {
  const double width = 640, height = 420, left = 60, right = 20, top = 40,
               bottom = 50;
  const double rmax = n / 2.0 + 0.5;
  const int cmax = std::max(1, steps.front().count);
  auto x = [&](double r) { return left + r / rmax * (width - left - right); };
  auto y = [&](double c) {
    return height - bottom - c / cmax * (height - top - bottom);
  };
  auto radius = [&](std::uint64_t d) {
    return d == packer::kInfinity ? rmax
                                  : std::sqrt(static_cast<double>(d)) / 2;
  };
  char buf[256];
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" "
      "height=\"420\" viewBox=\"0 0 640 420\" font-family=\"sans-serif\" "
      "font-size=\"12\">\n<rect width=\"640\" height=\"420\" fill=\"white\"/>"
      "\n<text x=\"320\" y=\"22\" text-anchor=\"middle\" font-size=\"15\">"
      "circles on lattice points of the square of side " +
      std::to_string(n) + ", by radius</text>\n";
  // Axes, their labels and round ticks.
  std::snprintf(buf, sizeof buf,
                "<path class=\"axis\" d=\"M%.1f %.1f V%.1f H%.1f\" "
                "stroke=\"black\" fill=\"none\"/>\n",
                left, top, height - bottom, width - right);
  svg += buf;
  std::snprintf(buf, sizeof buf,
                "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">radius"
                "</text>\n<text transform=\"translate(16 %.1f) rotate(-90)\" "
                "text-anchor=\"middle\">circles</text>\n",
                (left + width - right) / 2, height - 12,
                (top + height - bottom) / 2);
  svg += buf;
  const int rstep = std::max(1, n / 12);
  for (int r = 0; r <= rmax; r += rstep) {
    std::snprintf(buf, sizeof buf,
                  "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%d"
                  "</text>\n",
                  x(r), height - bottom + 28, r);
    svg += buf;
  }
  const int cstep = std::max(1, cmax / 5);
  for (int c = 0; c <= cmax; c += cstep) {
    std::snprintf(buf, sizeof buf,
                  "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%d</text>\n",
                  left - 6, y(c) + 4, c);
    svg += buf;
  }
  // Each step as a level line, joined by thin risers; every threshold
  // where the count falls is marked on the radius axis.
  for (std::size_t k = 0; k < steps.size(); ++k) {
    const packer::Step& s = steps[k];
    std::snprintf(buf, sizeof buf,
                  "<line class=\"step\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" "
                  "y2=\"%.2f\" stroke=\"#1f5fa8\" stroke-width=\"2\"><title>"
                  "%s &lt; r &lt;= %s: %d</title></line>\n",
                  x(radius(s.from)), y(s.count), x(radius(s.to)), y(s.count),
                  packer::boundtext(s.from).c_str(),
                  packer::boundtext(s.to).c_str(), s.count);
    svg += buf;
    if (k + 1 < steps.size()) {
      std::snprintf(buf, sizeof buf,
                    "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" "
                    "stroke=\"#1f5fa8\" stroke-width=\"0.5\"/>\n"
                    "<line class=\"threshold\" x1=\"%.2f\" y1=\"%.1f\" "
                    "x2=\"%.2f\" y2=\"%.1f\" stroke=\"black\"/>\n",
                    x(radius(s.to)), y(s.count), x(radius(s.to)),
                    y(steps[k + 1].count), x(radius(s.to)), height - bottom,
                    x(radius(s.to)), height - bottom + 6);
      svg += buf;
    }
  }
  svg += "</svg>\n";
  std::fputs(svg.c_str(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 ||
                    std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  long n = 0, k = 0;
  if (argc < 2 || argc > 3)
    fail(2, "expected N, then K or --svg if any (see packrange --help)");
  if (!wholenumber(argv[1], 1, packer::kMaxSide, n))
    fail(2, std::string("N must be a whole number from 1 to ") +
                std::to_string(packer::kMaxSide) + ", not '" + argv[1] + "'");
  bool svg = argc == 3 && std::strcmp(argv[2], "--svg") == 0;
  if (argc == 3 && !svg && !wholenumber(argv[2], 1, 999999999, k))
    fail(2, std::string("K must be a whole number of circles, 1 or more, "
                        "or --svg, not '") +
                argv[2] + "'");
  checkmemory(static_cast<int>(n));
  std::vector<packer::Step> steps = packer::landscape(static_cast<int>(n), 2);
  if (svg)
    printsvg(static_cast<int>(n), steps);
  else if (k)
    printlargest(static_cast<int>(n), k, steps);
  else
    printtable(steps);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
