// The command line of packer and the resources it acts on: options, the
// memory limit, sizes as a user writes and reads them.
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

// "512M", "8G", "1.5G", "100000": a number of bytes with an optional binary
// suffix K, M, G or T (a trailing B or iB is allowed).  False when `text`
// is not such a size, or is zero or beyond 2^62.
bool parsesize(const std::string& text, std::uint64_t& bytes);

// "512 MiB", "8 GiB", "1.5 GiB": bytes as a person reads them.
std::string formatsize(std::uint64_t bytes);

// The memory the system says is available to start a new program without
// swapping (MemAvailable), or 0 when it does not say.
std::uint64_t availablememory();

extern const char* const kUsage;    // what --help prints
extern const char* const kVersion;  // what --version prints

}  // namespace packer
