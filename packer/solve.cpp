#include "solve.h"

#include "fastsearch.h"
#include "lattice.h"
#include "trace.h"

namespace packer {

std::string solve(int n, const Radius& radr) {
  // Up to one half, circles on neighbouring lattice points at most touch,
  // so every interior point takes a circle.
  if (diameteratmost(radr, 1)) return smallanswer(n);
  Lattice lat = buildtables(n, radr);
  return answer(searchfast(lat), n);
}

}  // namespace packer
