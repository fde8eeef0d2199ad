#include "options.h"

#include <algorithm>
#include <cstdlib>

#include "process.h"

namespace packer {

namespace {

const char* const kMemoryOptionHelp =
    "  --max-memory=SIZE  stop, with a message, rather than use more than\n"
    "                     SIZE bytes (suffix K, M, G or T: 512M, 8G); the\n"
    "                     default is the memory the machine has available\n";

const char* const kInfoOptionHelp =
    "  --help             print this and exit\n"
    "  --version          print the version and exit\n";

bool isnumber(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-' &&
         ((arg[1] >= '0' && arg[1] <= '9') || arg[1] == '.');
}

}  // namespace

bool wholenumber(const std::string& text, long lo, long hi, long& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char ch : text)
    if (ch < '0' || ch > '9') return false;
  value = std::stol(text);
  return value >= lo && value <= hi;
}

CommandLine parsecommandline(int argc, const char* const* argv,
                             const char* program, bool memory,
                             const std::vector<std::string>& flags) {
  CommandLine line;
  const std::string see = std::string(" (see ") + program + " --help)";
  bool options = true;  // before "--"
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (!options || arg.size() < 2 || arg[0] != '-' || isnumber(arg)) {
      line.operands.push_back(arg);
    } else if (arg == "--") {
      options = false;
    } else if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
      line.flags.push_back(arg);
    } else if (memory &&
               (arg == "--max-memory" || arg.rfind("--max-memory=", 0) == 0)) {
      const bool joined = arg.size() > 12;
      if (!joined && k + 1 == argc) {
        line.error = "--max-memory needs a size such as 512M or 8G";
        return line;
      }
      const std::string size = joined ? arg.substr(13) : argv[++k];
      if (!parsesize(size, line.maxmemory)) {
        line.error =
            "--max-memory needs a size such as 512M or 8G, not '" + size + "'";
        return line;
      }
    } else {
      line.error = "unknown option '" + arg + "'" + see;
      return line;
    }
  }
  return line;
}

void answerinfo(const CommandLine& line, const char* program, bool memory,
                const std::string& head, const std::string& tail) {
  if (!line.help && !line.version) return;
  const std::string text =
      line.help
          ? head + (memory ? kMemoryOptionHelp : "") + kInfoOptionHelp + tail
          : std::string(program) + " " PACKER_VERSION "\n";
  std::exit(writeout(program, line.help ? "usage" : "version", text) ? 0 : 1);
}

}  // namespace packer
