// The command line of packer.
#pragma once

#include <cstdint>
#include <string>

namespace packer {

struct Options {
  bool help = false;
  bool version = false;
  std::uint64_t maxmemory = 0;  // bytes; 0: what the machine has available
  std::string error;            // why the arguments were refused, if so
};

// Reads argv[1..argc-1]: --help, --version, --max-memory=SIZE (or
// --max-memory SIZE).  Anything else is an error.
Options parseoptions(int argc, const char* const* argv);

extern const char* const kUsage;    // what --help prints
extern const char* const kVersion;  // what --version prints

}  // namespace packer
