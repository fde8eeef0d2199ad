// The straightforward search behind the same input and output as packer:
// the model the differential tests and the benchmark compare against.
#include <cstdio>
#include <iostream>

#include "input.h"
#include "lattice.h"
#include "reference.h"
#include "trace.h"

int main() {
  std::ios::sync_with_stdio(false);
  packer::Input input = packer::readinput(std::cin);
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return 2;
  }
  std::string out =
      input.radr <= 0.5L
          ? packer::smallanswer(input.n)
          : packer::answer(packer::searchreference(packer::buildtables(
                               input.n, input.radr)),
                           input.n);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
