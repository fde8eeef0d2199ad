// The answer without a search where two centres overlap exactly when they
// lie at most k rows and at most k columns apart (k = gap - 1): k = 1 for
// radii above sqrt(2)/2 up to 1, k = 2 above sqrt(2) up to 3/2.  Centres k
// rows and k columns apart overlap (2 k^2 < 4 radr^2); k + 1 apart in one
// row or column they do not ((k + 1)^2 >= 4 radr^2); no radius has both for
// another k, since 2 k^2 < (k + 1)^2 needs k < 1 + sqrt(2).  Centres fit at
// rows and columns k..n-k, m = n + 1 - 2k of each.  Let h = ceil(m / (k + 1)),
// the most centres one row holds, and G the columns k, 2k + 1, 3k + 2, ...:
// h of them, k + 1 apart.
//
// These are the classes where the searches meet the most ties: where m is
// not one more than a multiple of k + 1, the grid has room to shift, and
// very many packings are optimal.  A search keeps every state on one of
// them: for k = 1 one that kept every admissible pattern of every row took
// 100 s at n = 34 and was refused past n = 37; for k = 2 the bounded search
// took 24 s at n = 33 and 103 s and 3.9 GiB at n = 36.  What they print
// follows from four facts instead.
//
// 1. A Profile after row L is the pattern of rows L - k + 1 .. L.  A centre
//    of row L - k can no longer meet row L + 1, k + 1 rows on; one of row
//    L - d, d < k, column c, is never covered: in row L + 1 it blocks the
//    columns c - k .. c + k (all lattice columns, as k <= c <= n - k), a
//    new centre in column c' of row L blocks c' - k .. c' + k there, which
//    holds them all only for c' = c, and that centre overlaps it.
// 2. Any k + 1 consecutive rows hold at most h centres together: those
//    centres overlap unless k + 1 columns apart, so their columns are
//    distinct and k + 1 apart.  So the first j rows that admit centres hold
//    at most T(j) = ceil(j / (k + 1)) h (cut them into that many runs of at
//    most k + 1 rows), and G in rows 1, k + 2, 2k + 3, ... of them reaches
//    it.
// 3. G blocks every column k .. n - k of a row within k rows of it: its
//    columns are k + 1 apart from column k, and the last, k + (k + 1)(h - 1),
//    lies within k of n - k, as m <= (k + 1) h.
// 4. Of the patterns with h centres, G comes first in Profile order: they
//    lie in one row, so the order is that of their columns, and the i-th
//    centre of any of them lies in column k + (k + 1)(i - 1) or later.
//
// The answer is the path walked back from the one state of row n (no
// centre fits in rows n - k + 1 .. n, so its Profile is empty).  Each state
// on it has the best count of its Profile, and its parent is, among the
// states of the row before that reach it, one of the highest count, the
// first in Profile order.  By fact 1 the parent's Profile is the state's
// rows L - k + 1 .. L - 1 with a pattern Q of row L - k before them.  Every
// Profile on the walk is empty or holds G in one row and nothing else:
// - If G is in one of its rows, Q lies within k rows of it and is empty
//   (fact 3): the parent is the state's Profile moved down a row.
// - If it is empty, let row L - k be the j-th that admits centres (Q is
//   empty if there is none).  Its best count is T(j), as rows after the
//   j-th are empty, and the parent's is the same: at most |Q| + T(j - 1).
//   When j = 1 + a multiple of k + 1, T(j) = T(j - 1) + h, so Q holds h
//   centres, and by fact 4 it is G (which reaches T(j) by fact 2).
//   Otherwise T(j - 1) = T(j), and the empty Q, first in Profile order,
//   reaches it.
// So the walk takes G in rows k, 2k + 1, 3k + 2, ... up to n - k and
// nothing elsewhere: h * h circles, the optimum T(m) of fact 2.  For k = 1
// those are the odd columns of the odd rows.
#include <algorithm>
#include <bit>

#include "check.h"
#include "fastsearch.h"

namespace packer {

bool usesgrid(const Lattice& lat) {
  const int k = lat.gap - 1;
  return (k == 1 || k == 2) && lat.intersectcircle[k][k] &&
         !lat.intersectcircle[0][k + 1];
}

Trace searchgrid(const Lattice& lat) {
  const int n = lat.n;
  const int k = lat.gap - 1;
  // The geometry the proof above rests on, read from the tables: centres
  // overlap exactly within k rows and k columns, and fit at k .. n - k.
  PACKER_CHECK(usesgrid(lat) && lat.reach == std::min(k, n));
  for (int dr = 0; dr <= k + 1; ++dr)
    for (int dc = 0; dc <= k + 1; ++dc)
      if (dr + dc > 0)
        PACKER_CHECK(lat.intersectcircle[dr][dc] == (dr <= k && dc <= k));
  RowMask cols = 0;  // columns k .. n - k
  for (int c = k; c <= n - k; ++c) cols |= RowMask{1} << c;
  for (int i = 0; i <= n; ++i)
    PACKER_CHECK(lat.borderok[i] == (k <= i && i <= n - k ? cols : 0));

  RowMask grid = 0;  // G: columns k, 2k + 1, ... up to n - k
  for (int c = k; c <= n - k; c += k + 1) grid |= RowMask{1} << c;

  Trace trace;
  trace.rows.resize(n + 1);
  trace.sol = 0;
  for (int i = 1; i <= n; ++i) {
    const bool gridrow = k <= i && i <= n - k && (i - k) % (k + 1) == 0;
    const RowMask placed = gridrow ? grid : 0;
    TracePiece& row = trace.rows[i].whole();
    row.papa.push_back(0);
    row.placed.push_back(placed);
    trace.sol += std::popcount(placed);
  }
  trace.cr = 0;
  trace.states = n;
  return trace;
}

}  // namespace packer
