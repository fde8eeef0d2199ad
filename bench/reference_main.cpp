// Tools for the benchmark.
//
// packer_tool reference: the solver's input on standard input, the answer
// of the straightforward search on standard output: the model the fast
// searches must match byte for byte.
//
// packer_tool classes N: one radius of each class of radii above one half
// that side N answers alike, one a line, ascending.
//
// packer_tool peak FILE PROGRAM [ARG...]: runs the program, writes its peak
// resident memory in KiB to FILE, and exits as it did.  A process keeps
// the peak of the one it was forked from (a process's peak counts the
// memory it had before exec), and a Python benchmark's is some 14 MiB,
// more than a small run of packer needs; this tool's is about 1.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "input.h"
#include "landscape.h"
#include "lattice.h"
#include "reference.h"
#include "solve.h"
#include "thresholds.h"
#include "trace.h"

namespace {

int peak(const char* file, char** argv) {
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    execvp(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return 1;
  if (FILE* out = std::fopen(file, "w")) {
    std::fprintf(out, "%ld\n", usage.ru_maxrss);
    std::fclose(out);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "peak") == 0)
    return peak(argv[2], argv + 3);
  if (argc == 3 && std::strcmp(argv[1], "classes") == 0) {
    const int n = std::atoi(argv[2]);
    if (n < 1 || n > packer::kMaxSide) return 2;
    std::uint64_t from = 0;
    for (std::uint64_t to : packer::thresholds(n)) {
      // The class's largest radius, sqrt(to)/2, rounded down to a decimal
      // that still lies in the class.
      if (to > 1)
        std::printf("%s\n", packer::stepdecimals({from, to}).second.c_str());
      from = to;
    }
    return 0;
  }
  if (argc != 2 || std::strcmp(argv[1], "reference") != 0) {
    std::fprintf(stderr,
                 "usage: packer_tool reference < input\n"
                 "       packer_tool classes N\n"
                 "       packer_tool peak FILE PROGRAM [ARG...]\n");
    return 2;
  }
  std::ios::sync_with_stdio(false);
  packer::Input input = packer::readinput(std::cin);
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return 2;
  }
  std::string out =
      packer::solvewith(input.n, input.radr, packer::searchreference);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
