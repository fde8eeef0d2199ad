// packer_tool MODE: the solver's input on standard input, for the tests and
// the benchmark.
//   reference  prints the answer of the straightforward search, the model
//              the fast engine must match byte for byte;
//   states     prints the number of states the fast engine keeps, summed
//              over the rows.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "fastsearch.h"
#include "input.h"
#include "lattice.h"
#include "reference.h"
#include "trace.h"

int main(int argc, char** argv) {
  bool reference = argc == 2 && std::strcmp(argv[1], "reference") == 0;
  bool states = argc == 2 && std::strcmp(argv[1], "states") == 0;
  if (!reference && !states) {
    std::fprintf(stderr, "usage: packer_tool reference|states < input\n");
    return 2;
  }
  std::ios::sync_with_stdio(false);
  packer::Input input = packer::readinput(std::cin);
  if (!input.error.empty()) {
    std::fprintf(stderr, "packer: %s\n", input.error.c_str());
    return 2;
  }
  std::string out;
  if (packer::diameteratmost(input.radr, 1)) {
    out = states ? "0\n" : packer::smallanswer(input.n);
  } else {
    packer::Lattice lat = packer::buildtables(input.n, input.radr);
    packer::Trace trace =
        reference ? packer::searchreference(lat) : packer::searchfast(lat);
    out = states ? std::to_string(trace.states) + "\n"
                 : packer::answer(trace, input.n);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
