// packer_tool reference: the solver's input on standard input, the answer
// of the straightforward search on standard output: the model the fast
// searches must match byte for byte, as a program for the benchmark.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "input.h"
#include "lattice.h"
#include "reference.h"
#include "solve.h"
#include "trace.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "reference") != 0) {
    std::fprintf(stderr, "usage: packer_tool reference < input\n");
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
