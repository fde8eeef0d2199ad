// packer: reads a side n and a radius, prints the largest packing of
// circles of that radius centred on lattice points of the square [0, n]^2.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <new>
#include <string>

#include "cli.h"
#include "input.h"
#include "progress.h"
#include "solve.h"

#if defined(__SANITIZE_ADDRESS__)
#define PACKER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PACKER_ASAN 1
#endif
#endif

namespace {

packer::Input input;            // what the run was asked, for messages
std::uint64_t memorylimit = 0;  // bytes; 0: none known
bool showing = false;           // a progress line is on the terminal
auto start = std::chrono::steady_clock::now();

std::string whatrun() {
  return "n = " + std::to_string(input.n) + ", radius " + input.radiustext;
}

void eraseprogress() {
  if (showing) std::fputs("\r\033[K", stderr);
  showing = false;
}

// Any failed allocation ends the run here, wherever it happens (a
// bad_alloc caught in main would miss one thrown where no exception may
// pass).  Nothing has been written to standard output yet.
void outofmemory() {
  eraseprogress();
  const packer::Progress& p = packer::progress();
  std::string where = p.rows ? std::string(" (") + p.phase + ", row " +
                                   std::to_string(p.row) + " of " +
                                   std::to_string(p.rows) + ", " +
                                   std::to_string(p.states) + " states)"
                             : "";
  std::string limit = memorylimit ? " within the limit of " +
                                        packer::formatsize(memorylimit) +
                                        "; raise it with --max-memory"
                                  : "";
  std::fprintf(stderr, "packer: %s: out of memory%s%s\n", whatrun().c_str(),
               where.c_str(), limit.c_str());
  std::_Exit(1);
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
  std::fprintf(stderr, "\r\033[Kpacker: %s, row %d of %d, %lld states, %s",
               p.phase, p.row, p.rows, p.states,
               packer::formatsize(resident()).c_str());
  showing = true;
}

// Caps the address space, so that running out ends in the message above,
// never in swapping or the kernel's out-of-memory kill.  The sanitizers
// reserve terabytes of address space, so under them there is no cap.
void capmemory(std::uint64_t bytes) {
#ifdef PACKER_ASAN
  (void)bytes;
#else
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0) {
    limit.rlim_cur = std::min<rlim_t>(bytes, limit.rlim_max);
    setrlimit(RLIMIT_AS, &limit);
  }
#endif
}

}  // namespace

int main(int argc, char** argv) {
  packer::Options options = packer::parseoptions(argc, argv);
  if (!options.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", options.error.c_str());
    return 2;
  }
  if (options.help || options.version) {
    std::fputs(options.help ? packer::kUsage : packer::kVersion, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::set_new_handler(outofmemory);
  std::ios::sync_with_stdio(false);
  input = packer::readinput(std::cin);
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return 2;
  }

  memorylimit =
      options.maxmemory ? options.maxmemory : packer::availablememory();
  if (memorylimit) {
    packer::MemoryNeed need = packer::leastmemory(input.n, input.radr);
    if (need.bytes > memorylimit) {
      std::fprintf(stderr,
                   "packer: %s: needs at least %s (%llu row patterns, each a "
                   "state), more than the limit of %s; raise it with "
                   "--max-memory\n",
                   whatrun().c_str(), packer::formatsize(need.bytes).c_str(),
                   static_cast<unsigned long long>(need.patterns),
                   packer::formatsize(memorylimit).c_str());
      return 1;
    }
    capmemory(memorylimit);
  }
  if (isatty(STDERR_FILENO)) packer::progress().onrow = showprogress;

  std::string out = packer::solve(input.n, input.radr);
  eraseprogress();
  // The answer goes out in one piece at the end, so a run that fails
  // leaves standard output empty rather than half an answer.
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr, "packer: cannot write the answer: %s\n",
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
