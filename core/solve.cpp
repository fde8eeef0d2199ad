#include "solve.h"

#include "answer.h"
#include "fastsearch.h"
#include "lattice.h"
#include "trace.h"

namespace packer {

bool packsinterior(const Radius& radr) { return diameteratmost(radr, 1); }

std::string solvewith(int n, const Radius& radr,
                      Trace (*search)(const Lattice&)) {
  if (packsinterior(radr)) return smallanswer(n);
  return answer(search(buildtables(n, radr)), n);
}

std::string solve(int n, const Radius& radr) {
  return solvewith(n, radr, searchfast);
}

int countat(int n, const Radius& radr) {
  if (packsinterior(radr)) return (n - 1) * (n - 1);
  return countfast(buildtables(n, radr));
}

}  // namespace packer
