#include "cli.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace packer {

const char* const kUsage =
    "usage: packer [--max-memory=SIZE] < input\n"
    "\n"
    "Reads a side n (1 to 63) and a radius from standard input and prints\n"
    "the most circles of that radius, centred on integer lattice points,\n"
    "that fit in the square from (0, 0) to (n, n) without overlapping: the\n"
    "count, then one \"row column\" line per centre.\n"
    "\n"
    "  --max-memory=SIZE  stop, with a message, rather than use more than\n"
    "                     SIZE bytes (suffix K, M, G or T: 512M, 8G); the\n"
    "                     default is the memory the machine has available\n"
    "  --help             print this and exit\n"
    "  --version          print the version and exit\n"
    "\n"
    "Exit status: 0 answered, 1 out of memory or cannot write, 2 bad input\n"
    "or arguments.\n";

const char* const kVersion = "packer 2.0\n";

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

Options parseoptions(int argc, const char* const* argv) {
  Options opt;
  for (int k = 1; k < argc; ++k) {
    std::string arg = argv[k];
    std::string size;
    if (arg == "--help" || arg == "-h") {
      opt.help = true;
    } else if (arg == "--version") {
      opt.version = true;
    } else if (arg.rfind("--max-memory=", 0) == 0) {
      size = arg.substr(std::strlen("--max-memory="));
      if (!parsesize(size, opt.maxmemory)) {
        opt.error =
            "--max-memory needs a size such as 512M or 8G, not '" + size + "'";
        return opt;
      }
    } else if (arg == "--max-memory") {
      if (k + 1 == argc || !parsesize(argv[k + 1], opt.maxmemory)) {
        opt.error = "--max-memory needs a size such as 512M or 8G";
        return opt;
      }
      ++k;
    } else {
      opt.error = (arg.size() > 1 && arg[0] == '-' ? "unknown option '"
                                                   : "unexpected argument '") +
                  arg + "' (packer reads its input from standard input; " +
                  "see packer --help)";
      return opt;
    }
  }
  return opt;
}

}  // namespace packer
