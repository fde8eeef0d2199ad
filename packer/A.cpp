// packer: reads a side n and a radius, prints the largest packing of
// circles of that radius centred on lattice points of the square [0, n]^2.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

#include "input.h"
#include "solve.h"

int main() {
  std::ios::sync_with_stdio(false);
  packer::Input input = packer::readinput(std::cin);
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return 2;
  }
  std::string out;
  try {
    out = packer::solve(input.n, input.radr);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "packer: out of memory\n");
    return 1;
  }
  // The answer goes out in one piece at the end, so a run that fails
  // leaves standard output empty rather than half an answer.
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr, "packer: cannot write the answer: %s\n",
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
