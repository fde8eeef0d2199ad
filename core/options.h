// The command line the programs share: GNU-style options (--name=VALUE or
// --name VALUE, "--" ending them) mixed with operands.  One small parser
// rather than a library: the programs take six options between them, and
// the messages stay in the programs' own words.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packer {

struct CommandLine {
  bool help = false;                  // --help or -h
  bool version = false;               // --version
  std::uint64_t maxmemory = 0;        // --max-memory, in bytes; 0: not given
  int threads = 0;                    // --threads; 0: not given
  std::vector<std::string> flags;     // the program's own flags given
  std::vector<std::string> operands;  // the arguments that are no options
  std::string error;                  // why the arguments were refused
};

// Reads argv[1..argc-1] for `program`, which takes --help, --version, the
// solver's --max-memory and --threads when `solver` is set, and the flags
// in `flags`.  An argument
// that starts with "-" followed by a digit or a point is an operand (a
// negative number).
CommandLine parsecommandline(int argc, const char* const* argv,
                             const char* program, bool solver,
                             const std::vector<std::string>& flags = {});

// `text` is a whole decimal number of at most nine digits, no sign, from lo
// to hi; it is stored in `value`.
bool wholenumber(const std::string& text, long lo, long hi, long& value);

// When --help or --version was given, writes the usage (`head`, the lines
// of the options `program` takes, then `tail`) or "<program> <version>",
// and exits with status 0, or 1 when it cannot be written; returns
// otherwise.
// The threads a run asked for: --threads, or else every core the process
// may use.
int threadsfor(const CommandLine& line);

void answerinfo(const CommandLine& line, const char* program, bool solver,
                const std::string& head, const std::string& tail);

}  // namespace packer
