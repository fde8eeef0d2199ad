#include "options.h"

#include <algorithm>
#include <cstdlib>

#include "process.h"
#include "workers.h"

namespace packer {

namespace {

const char* const kSolverOptionHelp =
    "  --max-memory=SIZE  stop, with a message, rather than use more than\n"
    "                     SIZE bytes (suffix K, M, G or T: 512M, 8G); the\n"
    "                     default is the memory the machine has available\n"
    "  --threads=N        compute on N threads (1 to 1024); the default is\n"
    "                     every core this process may use.  The output is\n"
    "                     the same for every N\n";

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
                             const char* program, bool solver,
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
    } else if (solver && (arg == "--max-memory" || arg == "--threads" ||
                          arg.rfind("--max-memory=", 0) == 0 ||
                          arg.rfind("--threads=", 0) == 0)) {
      const bool memory = arg.rfind("--max-memory", 0) == 0;
      const std::string name = memory ? "--max-memory" : "--threads";
      const char* wanted = memory ? " needs a size such as 512M or 8G"
                                  : " needs a number of threads, 1 to 1024";
      const bool joined = arg.size() > name.size();
      if (!joined && k + 1 == argc) {
        line.error = name + wanted;
        return line;
      }
      const std::string value =
          joined ? arg.substr(name.size() + 1) : argv[++k];
      long threads = 0;
      if (memory ? !parsesize(value, line.maxmemory)
                 : !wholenumber(value, 1, 1024, threads)) {
        line.error = name + wanted + ", not '" + value + "'";
        return line;
      }
      if (!memory) line.threads = static_cast<int>(threads);
    } else {
      line.error = "unknown option '" + arg + "'" + see;
      return line;
    }
  }
  return line;
}

int threadsfor(const CommandLine& line) {
  return line.threads ? line.threads : usablecores();
}

void answerinfo(const CommandLine& line, const char* program, bool solver,
                const std::string& head, const std::string& tail) {
  if (!line.help && !line.version) return;
  const std::string text =
      line.help
          ? head + (solver ? kSolverOptionHelp : "") + kInfoOptionHelp + tail
          : std::string(program) + " " PACKER_VERSION "\n";
  std::exit(writeout(program, line.help ? "usage" : "version", text) ? 0 : 1);
}

}  // namespace packer
