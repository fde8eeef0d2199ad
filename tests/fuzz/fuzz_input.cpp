// Fuzz target: arbitrary bytes as packer's standard input.  Input that
// parses is solved (small sides only, so each run stays fast), and on the
// general path the answer must equal the straightforward search's.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "input.h"
#include "lattice.h"
#include "reference.h"
#include "solve.h"
#include "trace.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  packer::Input input = packer::readinput(in);
  if (!input.error.empty() || input.n > 9) return 0;
  if (packer::solve(input.n, input.radr) !=
      packer::solvewith(input.n, input.radr, packer::searchreference))
    std::abort();
  return 0;
}
