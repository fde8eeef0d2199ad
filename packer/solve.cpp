#include "solve.h"

#include <algorithm>
#include <bit>
#include <vector>

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

int countat(int n, const Radius& radr) {
  if (diameteratmost(radr, 1)) return (n - 1) * (n - 1);  // as above
  return searchfast(buildtables(n, radr)).sol;
}

MemoryNeed leastmemory(int n, const Radius& radr) {
  MemoryNeed need;
  if (diameteratmost(radr, 1)) return need;
  Lattice lat = buildtables(n, radr);
  RowMask cols = 0;
  int rows = 0;  // rows with centres
  for (int i = 1; i <= n; ++i)
    if (lat.borderok[i]) {
      cols = lat.borderok[i];
      ++rows;
    }
  if (!cols) return need;
  // The allowed columns are one run; patterns[k]: the admissible patterns
  // of its first k columns: column k - 1 empty, or taken with the gap - 1
  // columns before it empty.
  const int width = std::popcount(cols);
  std::vector<std::uint64_t> patterns(width + 1, 1);
  for (int k = 1; k <= width; ++k)
    patterns[k] = patterns[k - 1] + patterns[std::max(0, k - lat.gap)];
  need.patterns = patterns[width];
  // A state in the sweep's trace: its parent and its pattern.  In the
  // grouped search: a key of `reach` row masks and a count.
  need.bytes =
      atmost(radr, 1)
          ? need.patterns * rows * (sizeof(int) + sizeof(RowMask))
          : need.patterns * (lat.reach * sizeof(RowMask) + sizeof(int));
  return need;
}

}  // namespace packer
