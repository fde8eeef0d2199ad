// packer: reads a side n and a radius, prints the largest packing of
// circles of that radius centred on lattice points of the square [0, n]^2.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "input.h"
#include "options.h"
#include "process.h"
#include "progress.h"
#include "solve.h"
#include "thresholds.h"
#include "workers.h"

namespace {

const char* const kUsage =
    "usage: packer [OPTIONS] < input\n"
    "       packer [OPTIONS] N RADIUS\n"
    "\n"
    "Reads a side N (1 to 63) and a radius, from standard input or as the\n"
    "two operands, and prints the most circles of that radius, centred on\n"
    "integer lattice points, that fit in the square from (0, 0) to (N, N)\n"
    "without overlapping: the count, then one \"row column\" line per\n"
    "centre.\n"
    "\n"
    "  --count            print only the count, found with less work: no\n"
    "                     packing need be kept that merely ties the best\n"
    "                     one found\n";

const char* const kExitStatus =
    "\n"
    "Exit status: 0 answered, 1 out of memory or cannot read or write, 2 bad\n"
    "input or arguments.\n";

packer::Input input;   // what the run was asked, for messages
bool showing = false;  // a progress line is on the terminal
int threads = 1;       // the workers the run computes on
auto start = std::chrono::steady_clock::now();

// "n = 12, radius 1.5", the radius cut to 40 characters, as the messages
// name the run.
std::string whatrun() {
  std::string radius = input.radiustext.size() > 40
                           ? input.radiustext.substr(0, 40) + "..."
                           : input.radiustext;
  return "n = " + std::to_string(input.n) + ", radius " + radius;
}

void eraseprogress() {
  if (showing) std::fputs("\r\033[K", stderr);
  showing = false;
}

// Resident memory, from /proc (0 when it cannot be read).
std::uint64_t resident() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t size = 0, pages = 0;
  statm >> size >> pages;
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// After each row, on a terminal and after the first second: where the
// search is, overwritten in place.
void showprogress() {
  using namespace std::chrono;
  if (steady_clock::now() - start < seconds(1)) return;
  const packer::Progress& p = packer::progress();
  std::fprintf(
      stderr, "\r\033[Kpacker: %s, row %d of %d, %lld states, %s, %d %s",
      p.phase, p.row, p.rows, p.states, packer::formatsize(resident()).c_str(),
      threads, threads == 1 ? "thread" : "threads");
  showing = true;
}

}  // namespace

int main(int argc, char** argv) {
  packer::usehugepages(argv);
  const packer::CommandLine args =
      packer::parsecommandline(argc, argv, "packer", true, {"--count"});
  if (!args.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", args.error.c_str());
    return 2;
  }
  packer::answerinfo(args, "packer", true, kUsage, kExitStatus);
  if (!args.operands.empty() && args.operands.size() != 2) {
    std::fprintf(stderr,
                 "packer: expected N and RADIUS, or no operands to read them "
                 "from standard input (see packer --help)\n");
    return 2;
  }
  const bool countonly = !args.flags.empty();
  const packer::MemoryLimit limit = packer::memorylimit(args.maxmemory);
  packer::exitonoutofmemory("packer", "", limit);
  std::ios::sync_with_stdio(false);
  if (args.operands.empty()) {
    input = packer::readinput(std::cin);
  } else {
    std::istringstream operands(args.operands[0] + " " + args.operands[1]);
    input = packer::readinput(operands);
  }
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return input.unreadable ? 1 : 2;
  }

  packer::exitonoutofmemory("packer", whatrun(), limit, eraseprogress);
  if (std::uint64_t least = packer::capmemory(limit)) {
    std::fprintf(stderr,
                 "packer: %s: needs at least %s to start, more than "
                 "%s%s\n",
                 whatrun().c_str(), packer::formatsize(least).c_str(),
                 limit.describe().c_str(), limit.advice().c_str());
    return 1;
  }
  // Made under the cap, so a helper whose stack does not fit is not
  // started and leaves its share to the others.
  packer::Workers pool(packer::threadsfor(args));
  packer::UseWorkers use(pool);
  threads = pool.size();
  if (isatty(STDERR_FILENO)) packer::progress().onrow = showprogress;

  std::string out =
      countonly ? std::to_string(packer::countat(input.n, input.radr)) + "\n"
                : packer::solve(input.n, input.radr);
  eraseprogress();
  // The answer goes out in one piece at the end, so a run that fails
  // leaves standard output empty rather than half an answer.
  if (!packer::writeout("packer", "answer", out)) return 1;
  // The answer is exact for the radius as read; say so when the number
  // typed would have had another.
  if (std::uint64_t d =
          packer::crossedthreshold(input.n, input.radiustext, input.radr)) {
    const bool typedabove = !packer::closerthandiameter(d, input.radr);
    std::fprintf(stderr,
                 "packer: note: the radius typed is %s %s, but read to 64 "
                 "significant bits it is %s; the answer is for the radius "
                 "as read\n",
                 typedabove ? "above" : "at most", packer::boundtext(d).c_str(),
                 typedabove ? "not" : "above it");
  }
  return 0;
}
