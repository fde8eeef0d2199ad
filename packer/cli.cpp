#include "cli.h"

#include "process.h"

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

const char* const kVersion = "packer " PACKER_VERSION "\n";

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
