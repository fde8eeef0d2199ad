// The answer for radii above sqrt(2)/2 up to 1, without a search.
//
// There two centres overlap exactly when they are neighbours of a king on
// a chessboard (1 and sqrt(2) are below the diameter, 2 is not), centres
// fit at rows and columns 1..w with w = n - 1, and a Profile is the pattern
// of the row last filled.  Let h = ceil(w / 2), the most centres a row can
// hold.  The row-by-row search would keep every admissible pattern of
// every row as a state (over 10^12 of them a row at n = 63); what it
// prints follows from two facts instead.
//
// 1. The most centres rows 1..k can hold when row k must avoid the columns
//    X is F(k, X) = (k / 2) h for even k, and ((k - 1) / 2) h + a(X) for
//    odd k, where a(X) <= h is the most centres one row holds outside X.
//    At most: two neighbouring rows hold at most h together (the columns
//    they use are at least 2 apart), so pair the rows from row 1 for even
//    k, and pair rows 1..k-1 leaving row k alone for odd k.  At least: the
//    odd columns in rows k - 1, k - 3, ... for even k; for odd k, a(X)
//    centres in row k and the odd columns in rows k - 2, k - 4, ....
//
// 2. The answer is the path walked back from the one state of row n (its
//    Profile is empty: no centre fits in row n and those of row n - 1 leave
//    the Profile, no longer able to meet a later row).  From a state s of
//    row i with best count b, the parent taken is the first pattern p of
//    row i - 1 in Profile order, clear of s's neighbours N(s), whose best
//    count |p| + F(i - 2, N(p)) is the highest, which is b - |s| =
//    F(i - 1, N(s)).
//    - If i - 2 is odd, the empty pattern reaches it: 0 + ((i - 3) / 2) h
//      + h = ((i - 1) / 2) h = F(i - 1, N(s)), as i - 1 is even.  It is
//      first in Profile order, so the walk takes it.
//    - If i - 2 is even, F(i - 2, N(p)) does not depend on p, so p must
//      hold a(N(s)) centres, as many as fit.  Here s is empty (it is the
//      state of row n, or one the walk took by the case above, as i is
//      even), so p is a largest pattern of the whole row, and the first of
//      those in Profile order is the odd columns: 1, 3, 5, ....
//    So the walk takes the odd columns in the odd rows below row n and
//    nothing elsewhere: h * h circles.
#include <bit>

#include "check.h"
#include "fastsearch.h"

namespace packer {

bool usesoddgrid(const Lattice& lat) {
  return atmost(lat.radr, 1) && lat.intersectcircle[1][1];
}

Trace searchoddgrid(const Lattice& lat) {
  const int n = lat.n;
  const int w = n - 1;
  // The geometry the proof above rests on, read from the tables.
  PACKER_CHECK(usesoddgrid(lat) && lat.reach == 1 && lat.gap == 2);
  PACKER_CHECK(lat.intersectcircle[0][1] && lat.intersectcircle[1][0] &&
               !lat.intersectcircle[0][2] && !lat.intersectcircle[2][0] &&
               !lat.intersectcircle[1][2] && !lat.intersectcircle[2][1]);
  const RowMask cols = w > 0 ? ((RowMask{1} << w) - 1) << 1 : 0;
  for (int i = 0; i <= n; ++i)
    PACKER_CHECK(lat.borderok[i] == (0 < i && i < n ? cols : 0));

  RowMask odd = 0;  // columns 1, 3, 5, ... up to w
  for (int c = 1; c <= w; c += 2) odd |= RowMask{1} << c;

  Trace trace;
  trace.rows.resize(n + 1);
  trace.sol = 0;
  for (int i = 1; i <= n; ++i) {
    const RowMask placed = (i % 2 == 1 && i < n) ? odd : 0;
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
