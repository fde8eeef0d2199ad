// What the programs need from their process: the memory a run may use and
// its enforcement, the exit when memory runs out, and output written whole
// or reported as failed.  Every failure is one line on standard error that
// names the program, with exit status 1 (the run failed) or 2 (bad usage or
// input).
#pragma once

#include <cstdint>
#include <string>

namespace packer {

// "512M", "8G", "1.5G", "100000": a number of bytes with an optional binary
// suffix K, M, G or T (a trailing B or iB is allowed).  False when `text`
// is not such a size, or is zero or beyond 2^62.
bool parsesize(const std::string& text, std::uint64_t& bytes);

// "512 MiB", "8 GiB", "1.5 GiB": bytes as a person reads them.
std::string formatsize(std::uint64_t bytes);

// The memory the system says is available to start a new program without
// swapping (MemAvailable), or 0 when it does not say.
std::uint64_t availablememory();

// The memory a run may use: the smaller of what it was asked for (by
// --max-memory, or else the memory available) and the address-space limit
// the process was started with, if any, which is never raised.
struct MemoryLimit {
  enum class From { nothing, option, available, caller };
  std::uint64_t bytes = 0;  // 0: no limit known (from == nothing)
  From from = From::nothing;

  // Which limit it is, for messages: "the limit of 150 MiB".
  std::string describe() const;
  // How to raise it, where the user can: "; raise it with --max-memory".
  std::string advice() const;
};

// `requested`: the bytes --max-memory asked for, 0 when it was not given.
MemoryLimit memorylimit(std::uint64_t requested);

// Starts the program again, once, from the top, with the C library's
// allocator told to back its heap with transparent huge pages, where the
// system leaves those to each program to ask for and the caller has not
// set the allocator's choice (GLIBC_TUNABLES).  Returns where it does not.
// To be called first thing in main, with main's argv.
void usehugepages(char** argv);

// Caps the address space at limit.bytes, so that a run that outgrows it
// ends in the out-of-memory message rather than in swapping or the
// kernel's kill.  The stack is grown to a reserve first, so that a deep
// call never faults on a full address space.  Returns 0, or when the limit
// is below what the program needs just to run, that least size (and caps
// nothing).  Under the address sanitizer, which reserves terabytes of
// address space, it caps nothing.
std::uint64_t capmemory(const MemoryLimit& limit);

// From now on a failed allocation, wherever it happens, prints
// "<program>: <context>: out of memory (<where the search was>) within
// <limit>" and exits with status 1.  The line is composed without
// allocating; `before`, if set, runs first (to erase a progress line).
void exitonoutofmemory(const char* program, const std::string& context,
                       const MemoryLimit& limit, void (*before)() = nullptr);

// Writes `text` to standard output and flushes it.  On failure prints
// "<program>: cannot write the <what>: <reason>" and returns false.
bool writeout(const char* program, const char* what, const std::string& text);

// Prints "<program>: <message>" on standard error and exits with `status`.
[[noreturn]] void fail(const char* program, int status,
                       const std::string& message);

}  // namespace packer
