#include "process.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

#include "progress.h"
#include "workers.h"

// The address and thread sanitizers reserve terabytes of address space
// for their shadow memory, which no cap on it leaves room for.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PACKER_SHADOW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PACKER_SHADOW 1
#endif
#endif

namespace packer {

bool parsesize(const std::string& text, std::uint64_t& bytes) {
  std::size_t k = 0;
  while (k < text.size() &&
         (std::isdigit(static_cast<unsigned char>(text[k])) || text[k] == '.'))
    ++k;
  std::string number = text.substr(0, k), unit = text.substr(k);
  if (number.empty() || number == "." ||
      std::count(number.begin(), number.end(), '.') > 1)
    return false;
  int shift = 0;
  if (!unit.empty()) {
    const char* units = "KMGT";
    const char* at = std::strchr(units, std::toupper(unit[0]));
    if (!at) return false;
    shift = 10 * static_cast<int>(at - units + 1);
    unit.erase(0, 1);
  }
  if (!unit.empty() && unit != "B" && unit != "iB") return false;
  // At most 2^62 bytes, so a double holds every whole number of bytes the
  // suffixes can reach closely enough, and the product cannot overflow.
  double value = std::strtod(number.c_str(), nullptr) * std::ldexp(1.0, shift);
  if (!(value >= 1) || value > std::ldexp(1.0, 62)) return false;
  bytes = static_cast<std::uint64_t>(value);
  return true;
}

std::string formatsize(std::uint64_t bytes) {
  static const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB"};
  double value = static_cast<double>(bytes);
  int u = 0;
  while (value >= 1024 && u < 5) {
    value /= 1024;
    ++u;
  }
  char text[32];
  if (u == 0)
    std::snprintf(text, sizeof text, "%llu bytes",
                  static_cast<unsigned long long>(bytes));
  else
    std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value,
                  units[u]);
  return text;
}

std::uint64_t availablememory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kib = 0;
  std::string unit;
  while (meminfo >> key >> kib >> unit)
    if (key == "MemAvailable:") return kib * 1024;
  return 0;
}

std::string MemoryLimit::describe() const {
  const std::string size = formatsize(bytes);
  switch (from) {
    case From::option:
      return "the limit of " + size;
    case From::available:
      return "the limit of " + size + " (the memory available)";
    case From::caller:
      return "the address-space limit of " + size +
             " this process was started with (ulimit -v)";
    case From::nothing:
      break;
  }
  return "no limit";
}

std::string MemoryLimit::advice() const {
  return from == From::option || from == From::available
             ? "; raise it with --max-memory"
             : "";
}

MemoryLimit memorylimit(std::uint64_t requested) {
  MemoryLimit limit;
  if (requested) {
    limit.bytes = requested;
    limit.from = MemoryLimit::From::option;
  } else if (std::uint64_t available = availablememory()) {
    limit.bytes = available;
    limit.from = MemoryLimit::From::available;
  }
  rlimit caller{};
  if (getrlimit(RLIMIT_AS, &caller) == 0 && caller.rlim_cur != RLIM_INFINITY &&
      (!limit.bytes || caller.rlim_cur < limit.bytes)) {
    limit.bytes = caller.rlim_cur;
    limit.from = MemoryLimit::From::caller;
  }
  return limit;
}

#ifndef PACKER_SHADOW
namespace {

// What a run needs beyond the address space it holds at the start, for
// its tables and the smallest search.
constexpr std::uint64_t kStartHeadroom = 4 << 20;

// Touches kThreadStack bytes of stack, so the stack mapping spans them
// from now on: the kernel never shrinks it, and a later call that reaches
// that deep needs no more address space.
[[gnu::noinline]] void growstack() {
  char reserve[kThreadStack];
  std::memset(reserve, 0, sizeof reserve);
  __asm__ volatile("" : : "r"(reserve) : "memory");  // keep the stores
}

// The address space the process holds now, from /proc (0 when unknown).
std::uint64_t addressspace() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  unsigned long long pages = 0;
  if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
  std::fclose(statm);
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace
#endif

// A search touches fresh memory for every row it keeps, and with 4 KiB
// pages each touch of a new page is a fault, microseconds on a virtual
// machine: n = 34 at radius 1.581138 took 1.4 million of them and 37 s,
// and 32,000 and 26 s with huge pages, in 1.5 % less memory; n = 30 at
// radius 1.55, 24 s against 12 to 16 s.  Small runs pay a little memory
// (n = 26 at radius 1.55: 3.0 s against 2.2 s, medians of five, and 200
// MiB against 177).  Asking for huge pages for the blocks of 256 KiB or
// more from a replacement of operator new left 34,000 faults there (the
// heap grows by small steps at its top, and small blocks fill it); the
// allocator asks for them as its heap grows.  It reads its settings only
// as the program starts, hence the restart, which costs a millisecond.
// The sanitized builds keep their own allocators.
void usehugepages(char** argv) {
#ifndef PACKER_SHADOW
  const char* set = std::getenv("GLIBC_TUNABLES");
  const std::string caller = set ? set : "";
  if (caller.find("glibc.malloc.hugetlb") != std::string::npos) return;
  // "always" needs nothing, "never" allows nothing.  The file is closed
  // before the restart, which would otherwise inherit it, as standard input
  // if that was closed.
  std::string mode;
  {
    std::ifstream enabled("/sys/kernel/mm/transparent_hugepage/enabled");
    std::getline(enabled, mode);
  }
  if (mode.find("[madvise]") == std::string::npos) return;
  const std::string tunables =
      (caller.empty() ? "" : caller + ":") + "glibc.malloc.hugetlb=1";
  if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  // By the file's own path, so that the process keeps its name ("packer",
  // not "exe", in ps and top); by the link where that cannot be read.
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    self[length] = '\0';
    execv(self, argv);
  }
  execv("/proc/self/exe", argv);
  // Not restarted: go on as before, in the environment as it was.
  if (set)
    setenv("GLIBC_TUNABLES", caller.c_str(), 1);
  else
    unsetenv("GLIBC_TUNABLES");
#else
  (void)argv;
#endif
}

std::uint64_t capmemory(const MemoryLimit& limit) {
#ifdef PACKER_SHADOW
  (void)limit;
  return 0;
#else
  if (!limit.bytes) return 0;
  growstack();
  const std::uint64_t least = addressspace() + kStartHeadroom;
  if (limit.bytes < least) return least;
  rlimit cap{};
  if (getrlimit(RLIMIT_AS, &cap) == 0) {
    cap.rlim_cur = std::min<rlim_t>(limit.bytes, cap.rlim_cur);
    setrlimit(RLIMIT_AS, &cap);
  }
  return 0;
#endif
}

namespace {

// The out-of-memory line, composed before it is needed, since the handler
// must not allocate.
char oomstart[512];  // "<program>: <context>: out of memory"
char oomlimit[256];  // " within <limit>", or empty
void (*oombefore)() = nullptr;

void outofmemory() {
  // Workers may run out at once: the first says so and ends the process,
  // the others wait for that rather than add lines.
  static std::atomic_flag said = ATOMIC_FLAG_INIT;
  if (said.test_and_set())
    for (;;) pause();
  if (oombefore) oombefore();
  const Progress& p = progress();
  char where[192] = "";
  // The record is of the last row finished; the allocation that failed
  // belongs to the next one, if any.
  if (p.rows && p.row < p.rows)
    std::snprintf(where, sizeof where,
                  " (%s, filling row %d of %d; row %d holds %lld states)",
                  p.phase, p.row + 1, p.rows, p.row, p.states);
  else if (p.rows)
    std::snprintf(where, sizeof where, " (%s, after row %d of %d, %lld states)",
                  p.phase, p.row, p.rows, p.states);
  std::fprintf(stderr, "%s%s%s\n", oomstart, where, oomlimit);
  std::_Exit(1);
}

}  // namespace

void exitonoutofmemory(const char* program, const std::string& context,
                       const MemoryLimit& limit, void (*before)()) {
  std::snprintf(oomstart, sizeof oomstart, "%s: %s%sout of memory", program,
                context.c_str(), context.empty() ? "" : ": ");
  if (limit.bytes)
    std::snprintf(oomlimit, sizeof oomlimit, " within %s%s",
                  limit.describe().c_str(), limit.advice().c_str());
  else
    oomlimit[0] = '\0';
  oombefore = before;
  std::set_new_handler(outofmemory);
}

bool writeout(const char* program, const char* what, const std::string& text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
      std::fflush(stdout) == 0)
    return true;
  std::fprintf(stderr, "%s: cannot write the %s: %s\n", program, what,
               errno ? std::strerror(errno) : "write error");
  return false;
}

void fail(const char* program, int status, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  std::exit(status);
}

}  // namespace packer
