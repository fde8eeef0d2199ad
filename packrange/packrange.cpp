// packrange N [K | --svg]: the whole radius landscape of the square of side
// N, the largest radius at which K circles fit, or the landscape as an SVG
// plot.  It runs packer's solver in this process, on every core by default.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "landscape.h"
#include "lattice.h"
#include "options.h"
#include "process.h"
#include "solve.h"
#include "workers.h"

namespace {

const char* const kUsage =
    "usage: packrange [OPTIONS] N        the steps of the count as the radius\n"
    "                                    grows\n"
    "       packrange [OPTIONS] N K      the largest radius at which K "
    "circles\n"
    "                                    fit, then the packing packer prints\n"
    "       packrange [OPTIONS] N --svg  the steps drawn as an SVG plot\n"
    "\n"
    "N is the side of the square, 1 to 63.  The count is the same for all\n"
    "radii r with FROM < r <= TO; each line of the table is such a step,\n"
    "tab-separated: FROM, TO, COUNT, then FROM rounded up and TO rounded\n"
    "down to six decimals, each of them a radius of the step.  Bounds are\n"
    "exact: a number, or sqrt(D)/2; the last step ends at inf.\n"
    "\n";

const char* const kExitStatus =
    "\n"
    "Exit status: 0 done, 1 out of memory or cannot write, 2 bad arguments.\n";

[[noreturn]] void fail(int status, const std::string& message) {
  packer::fail("packrange", status, message);
}

std::string table(const std::vector<packer::Step>& steps) {
  std::string out = "from\tto\tcount\tfrom_decimal\tto_decimal\n";
  for (const packer::Step& s : steps) {
    auto [from, to] = packer::stepdecimals(s);
    out += packer::boundtext(s.from) + "\t" + packer::boundtext(s.to) + "\t" +
           std::to_string(s.count) + "\t" + from + "\t" + to + "\n";
  }
  return out;
}

std::string largest(int n, long k, const std::vector<packer::Step>& steps) {
  // Counts fall as the radius grows: the last step holding k or more
  // circles ends at the largest radius where k fit, and includes it.
  auto it = std::find_if(steps.rbegin(), steps.rend(),
                         [&](const packer::Step& s) { return s.count >= k; });
  if (it == steps.rend())
    fail(2, "at most " + std::to_string(steps.front().count) +
                " circles fit in the square of side " + std::to_string(n) +
                ", not " + std::to_string(k));
  return packer::boundtext(it->to) + "\n" +
         packer::solve(n, packer::halfsqrtbelow(it->to));
}

// The count as a step function of the radius, 0 to a little past n / 2:
// the page's geometry and its two parts.
class Plot {
 public:
  Plot(int n, const std::vector<packer::Step>& steps)
      : n(n),
        steps(steps),
        rmax(n / 2.0 + 0.5),
        cmax(std::max(1, steps.front().count)) {}

  std::string svg() const {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" "
           "height=\"420\" viewBox=\"0 0 640 420\" font-family=\"sans-serif\" "
           "font-size=\"12\">\n<rect width=\"640\" height=\"420\" "
           "fill=\"white\"/>\n<text x=\"320\" y=\"22\" "
           "text-anchor=\"middle\" font-size=\"15\">circles on lattice points "
           "of the square of side " +
           std::to_string(n) + ", by radius</text>\n" + axes() + levels() +
           "</svg>\n";
  }

 private:
  static constexpr double width = 640, height = 420, left = 60, right = 20,
                          top = 40, bottom = 50;
  double x(double r) const { return left + r / rmax * (width - left - right); }
  double y(double c) const {
    return height - bottom - c / cmax * (height - top - bottom);
  }
  double radius(std::uint64_t d) const {
    return d == packer::kInfinity ? rmax
                                  : std::sqrt(static_cast<double>(d)) / 2;
  }

  // Axes, their labels and round ticks.
  std::string axes() const {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "<path class=\"axis\" d=\"M%.1f %.1f V%.1f H%.1f\" "
                  "stroke=\"black\" fill=\"none\"/>\n",
                  left, top, height - bottom, width - right);
    std::string out = buf;
    std::snprintf(buf, sizeof buf,
                  "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">radius"
                  "</text>\n<text transform=\"translate(16 %.1f) "
                  "rotate(-90)\" text-anchor=\"middle\">circles</text>\n",
                  (left + width - right) / 2, height - 12,
                  (top + height - bottom) / 2);
    out += buf;
    auto tick = [&](double at, double level, const char* anchor, int v) {
      std::snprintf(buf, sizeof buf,
                    "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\">%d"
                    "</text>\n",
                    at, level, anchor, v);
      out += buf;
    };
    for (int r = 0; r <= rmax; r += std::max(1, n / 12))
      tick(x(r), height - bottom + 28, "middle", r);
    for (int c = 0; c <= cmax; c += std::max(1, cmax / 5))
      tick(left - 6, y(c) + 4, "end", c);
    return out;
  }

  // Each step as a level line, joined by thin risers; every threshold
  // where the count falls is marked on the radius axis.
  std::string levels() const {
    char buf[512];
    std::string out;
    for (std::size_t k = 0; k < steps.size(); ++k) {
      const packer::Step& s = steps[k];
      std::snprintf(buf, sizeof buf,
                    "<line class=\"step\" x1=\"%.2f\" y1=\"%.2f\" "
                    "x2=\"%.2f\" y2=\"%.2f\" stroke=\"#1f5fa8\" "
                    "stroke-width=\"2\"><title>%s &lt; r &lt;= %s: %d"
                    "</title></line>\n",
                    x(radius(s.from)), y(s.count), x(radius(s.to)), y(s.count),
                    packer::boundtext(s.from).c_str(),
                    packer::boundtext(s.to).c_str(), s.count);
      out += buf;
      if (k + 1 == steps.size()) break;
      const double at = x(radius(s.to));
      std::snprintf(buf, sizeof buf,
                    "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" "
                    "stroke=\"#1f5fa8\" stroke-width=\"0.5\"/>\n"
                    "<line class=\"threshold\" x1=\"%.2f\" y1=\"%.1f\" "
                    "x2=\"%.2f\" y2=\"%.1f\" stroke=\"black\"/>\n",
                    at, y(s.count), at, y(steps[k + 1].count), at,
                    height - bottom, at, height - bottom + 6);
      out += buf;
    }
    return out;
  }

  const int n;
  const std::vector<packer::Step>& steps;
  const double rmax;  // the radius axis ends here
  const int cmax;     // and the count axis here
};

struct Arguments {
  long n = 0;
  long k = 0;  // circles asked for; 0: none
  bool svg = false;
  std::uint64_t maxmemory = 0;  // bytes; 0: the memory available
  int threads = 1;
};

Arguments parsearguments(int argc, char** argv) {
  Arguments a;
  const packer::CommandLine line =
      packer::parsecommandline(argc, argv, "packrange", true, {"--svg"});
  if (!line.error.empty()) fail(2, line.error);
  packer::answerinfo(line, "packrange", true, kUsage, kExitStatus);
  a.svg = !line.flags.empty();
  a.maxmemory = line.maxmemory;
  a.threads = packer::threadsfor(line);
  const std::vector<std::string>& words = line.operands;
  if (words.empty() || words.size() > 2 || (a.svg && words.size() == 2))
    fail(2, "expected N, then K or --svg if any (see packrange --help)");
  if (!packer::wholenumber(words[0], 1, packer::kMaxSide, a.n))
    fail(2, std::string("N must be a whole number from 1 to ") +
                std::to_string(packer::kMaxSide) + ", not '" + words[0] + "'");
  if (words.size() == 2 && !packer::wholenumber(words[1], 1, 999999999, a.k))
    fail(2, std::string("K must be a whole number of circles, 1 or more, "
                        "or --svg, not '") +
                words[1] + "'");
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  packer::usehugepages(argv);
  const Arguments a = parsearguments(argc, argv);
  const int n = static_cast<int>(a.n);
  const std::string context = "n = " + std::to_string(n);
  const packer::MemoryLimit limit = packer::memorylimit(a.maxmemory);
  packer::exitonoutofmemory("packrange", context, limit);
  if (std::uint64_t least = packer::capmemory(limit))
    fail(1, context + ": needs at least " + packer::formatsize(least) +
                " to start, more than " + limit.describe() + limit.advice());
  packer::Workers pool(a.threads);
  packer::UseWorkers use(pool);  // for the one packing of `packrange N K`
  std::vector<packer::Step> steps = packer::landscape(n, pool);
  const std::string out = a.svg ? Plot(n, steps).svg()
                          : a.k ? largest(n, a.k, steps)
                                : table(steps);
  const char* what = a.svg ? "plot" : a.k ? "answer" : "table";
  return packer::writeout("packrange", what, out) ? 0 : 1;
}
