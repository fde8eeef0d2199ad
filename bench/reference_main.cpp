// Tools for the benchmark.
//
// packer_tool reference: the solver's input on standard input, the answer
// of the straightforward search on standard output: the model the fast
// searches must match byte for byte.
//
// packer_tool classes N: one radius of each class of radii above one half
// that side N answers alike, one a line, ascending.
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

int main(int argc, char** argv) {
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
                 "       packer_tool classes N\n");
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
