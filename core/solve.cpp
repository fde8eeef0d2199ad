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
  return searchfast(buildtables(n, radr)).sol;
}

MemoryNeed leastmemory(int n, const Radius& radr) {
  MemoryNeed need;
  if (packsinterior(radr)) return need;
  Lattice lat = buildtables(n, radr);
  const CentreRows rows = centrerows(lat);
  if (!rows.cols) return need;
  need.patterns = patterncounts(std::popcount(rows.cols), lat.gap).back();
  // A state in the sweep's trace: its parent and its pattern.  In the
  // grouped search: a key of `reach` row masks and a count.
  need.bytes =
      atmost(radr, 1)
          ? need.patterns * rows.count * (sizeof(int) + sizeof(RowMask))
          : need.patterns * (lat.reach * sizeof(RowMask) + sizeof(int));
  return need;
}

}  // namespace packer
