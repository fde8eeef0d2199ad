// packer: reads a side n and a radius, prints the largest packing of
// circles of that radius centred on lattice points of the square [0, n]^2.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>

#include "input.h"
#include "solve.h"

// Any failed allocation ends the run here, wherever it happens (a
// bad_alloc caught in main would miss one thrown where no exception may
// pass).  Nothing has been written to standard output yet.
static void outofmemory() {
  std::fputs("packer: out of memory\n", stderr);
  std::_Exit(1);
}

int main() {
  std::set_new_handler(outofmemory);
  std::ios::sync_with_stdio(false);
  packer::Input input = packer::readinput(std::cin);
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return 2;
  }
  std::string out = packer::solve(input.n, input.radr);
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
