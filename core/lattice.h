// The exact geometry of one run: which lattice offsets overlap, where a
// circle fits inside the square, and which row patterns are admissible.
//
// Every decision compares the radius, exactly as it was read, with an
// integer (radius.h).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "radius.h"

namespace packer {

constexpr int kMaxSide = 63;         // supported sides are 1..kMaxSide
constexpr int kAxis = kMaxSide + 1;  // lattice lines per axis, 0..kMaxSide

// A lattice point (row, column).  Rows are the axis the search advances
// along; cells order by row, then column.
using Cell = std::pair<int, int>;

// The circles already placed that can still conflict with later rows,
// ascending and without duplicates.  Profiles order lexicographically, so a
// proper prefix comes first and the empty Profile first of all.
using Profile = std::vector<Cell>;

// A set of columns of one row: bit c set means a centre in column c, so
// sides up to 63 (columns 0..63) fit.
using RowMask = std::uint64_t;

struct Lattice {
  int n = 0;    // side of the square; lattice lines 0..n
  Radius radr;  // radius of every circle, as read

  // intersectcircle[dr][dc]: circles dr rows and dc columns apart overlap.
  bool intersectcircle[kAxis][kAxis] = {};
  // okplaceborder[i][j]: a circle centred at (i, j) lies inside the square.
  // Row 0, column 0 and indices above n stay false.
  bool okplaceborder[kAxis][kAxis] = {};

  // Derived forms of the two tables, used by the search.
  RowMask borderok[kAxis] = {};       // columns c with okplaceborder[i][c]
  RowMask blocks[kAxis][kAxis] = {};  // blocks[dr][c]: columns of a row dr
                                      // away that overlap a centre at c
  int gap = 0;    // least admissible distance of two centres in one row:
                  // the least integer >= 2 * radr
  int reach = 0;  // rows back a Profile reaches: the offsets d >= 1 with
                  // d < 2 * radr, capped at n (later rows do not exist)
};

// Builds every table of the lattice for side n (1..kMaxSide) and radius
// radr > 0.5.
Lattice buildtables(int n, const Radius& radr);

// The rows 1..n that admit a centre, and their columns: the rows form one
// run, and each admits the same run of columns (the square looks the same
// along both axes).
struct CentreRows {
  int count = 0;     // rows that admit a centre
  RowMask cols = 0;  // the columns each of them admits; 0 when none does
};
CentreRows centrerows(const Lattice& lat);

// counts[k]: the admissible patterns of k consecutive columns, centres at
// least `gap` apart, for k = 0..width: column k - 1 empty, or taken with
// the gap - 1 columns before it empty.
std::vector<std::uint64_t> patterncounts(int width, int gap);

// A strip of `height` consecutive rows of `lat` that all admit centres, as
// a lattice of its own turned a quarter: its rows are lat's columns 0..n
// (with their border), its columns 0..height-1 have none.  A packing of it
// is a packing of those rows, so the search on it bounds what any `height`
// rows of lat can hold, cheaply while `height` is small.
Lattice transposedstrip(const Lattice& lat, int height);

// The square with centres only in its first `rows` rows that admit them:
// a lattice of its own, whose packings are those of these rows, so that a
// bound on what they hold can be proven by a search of it.
Lattice firstrows(const Lattice& lat, int rows);

// The row-distance rule: a centre placed in row r may still overlap a circle
// of row `row` + 1 or later, so it must stay in the Profile after `row`.
bool staysafter(const Lattice& lat, int r, int row);

// The cover test: every lattice point of the rows below `row` where a circle
// would overlap the old centre (r, c) would also overlap the new centre
// (row, col).  Only then may the old centre leave the Profile: every later
// circle it would reject is rejected through the new one.
bool covers(const Lattice& lat, int r, int c, int row, int col);

// Every row pattern that is admissible on its own (each centre clear of the
// left and right border, neighbours at least `gap` apart), ascending.
std::vector<RowMask> validmasks(const Lattice& lat);

// The admissible patterns inside `allowed`, in Profile order: a pattern
// comes before its extensions by higher columns (depth-first, ascending).
std::vector<RowMask> patternsinorder(RowMask allowed, int gap);

}  // namespace packer
