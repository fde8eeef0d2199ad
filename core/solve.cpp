#include "solve.h"

#include <algorithm>
#include <bit>
#include <vector>

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

MemoryNeed leastmemory(int n, const Radius& radr, bool countonly) {
  MemoryNeed need;
  if (packsinterior(radr)) return need;
  Lattice lat = buildtables(n, radr);
  // The bounded search, which also finds every count, holds nothing known
  // before it runs: its bounds may drop all but a few states of every row.
  if (countonly || !usessweep(lat)) return need;
  const CentreRows rows = centrerows(lat);
  if (!rows.cols) return need;
  need.patterns = patterncounts(std::popcount(rows.cols), lat.gap).back();
  need.bytes = sweepbytes(lat);
  return need;
}

}  // namespace packer
