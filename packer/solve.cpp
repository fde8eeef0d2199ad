#include "solve.h"

#include "engine.h"
#include "lattice.h"
#include "trace.h"

namespace packer {

std::string solve(int n, long double radr) {
  // Up to one half, circles on neighbouring lattice points at most touch,
  // so every interior point takes a circle.
  if (radr <= 0.5L) return smallanswer(n);
  Lattice lat = buildtables(n, radr);
  return answer(searchfast(lat), n);
}

}  // namespace packer
