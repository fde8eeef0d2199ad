#include "lattice.h"

#include <algorithm>

#include "check.h"

namespace packer {

// radr <= c and radr <= n - c: a circle centred in column (or row) c stays
// inside the square, touching the border at most.
static bool fitsbetween(const Radius& radr, int c, int n) {
  return c >= 0 && c <= n && atmost(radr, c) && atmost(radr, n - c);
}

Lattice buildtables(int n, const Radius& radr) {
  PACKER_CHECK(1 <= n && n <= kMaxSide && !diameteratmost(radr, 1));
  Lattice lat;
  lat.n = n;
  lat.radr = radr;
  for (int i = 0; i < kAxis; ++i)
    for (int j = 0; j < kAxis; ++j)
      lat.intersectcircle[i][j] = closerthandiameter(i * i + j * j, radr);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      lat.okplaceborder[i][j] =
          fitsbetween(radr, i, n) && fitsbetween(radr, j, n);

  for (int i = 0; i <= n; ++i)
    for (int c = 0; c <= n; ++c)
      if (lat.okplaceborder[i][c]) lat.borderok[i] |= RowMask{1} << c;
  for (int dr = 0; dr <= n; ++dr)
    for (int c = 0; c <= n; ++c)
      for (int b = 0; b <= n; ++b)
        if (lat.intersectcircle[dr][b > c ? b - c : c - b])
          lat.blocks[dr][c] |= RowMask{1} << b;

  // The least gap is the least integer g >= 2 * radr, and a Profile
  // reaches back over the offsets d < 2 * radr.
  lat.gap = 1;
  while (!diameteratmost(radr, lat.gap) && lat.gap <= n) ++lat.gap;
  lat.reach = 0;
  while (lat.reach < n && !diameteratmost(radr, lat.reach + 1)) ++lat.reach;
  return lat;
}

Lattice transposedstrip(const Lattice& lat, int height) {
  const int n = lat.n;
  PACKER_CHECK(1 <= height && height <= n);
  int inside = 1;  // a row that admits centres, if any
  while (inside <= n && lat.borderok[inside] == 0) ++inside;
  PACKER_CHECK(inside <= n);
  Lattice strip = lat;
  const RowMask all = (RowMask{1} << height) - 1;
  for (int i = 0; i <= n; ++i) {
    strip.borderok[i] = lat.okplaceborder[inside][i] ? all : 0;
    for (int c = 0; c <= n; ++c)
      strip.okplaceborder[i][c] = strip.borderok[i] >> c & 1;
  }
  for (int dr = 0; dr <= n; ++dr)
    for (int c = 0; c <= n; ++c) strip.blocks[dr][c] &= all;
  return strip;
}

Lattice firstrows(const Lattice& lat, int rows) {
  Lattice cut = lat;
  int seen = 0;  // rows 1..i that admit centres
  for (int i = 1; i <= lat.n; ++i) {
    if (lat.borderok[i] != 0) ++seen;
    if (seen > rows) {
      cut.borderok[i] = 0;
      for (int c = 0; c <= lat.n; ++c) cut.okplaceborder[i][c] = false;
    }
  }
  return cut;
}

CentreRows centrerows(const Lattice& lat) {
  CentreRows rows;
  for (int i = 1; i <= lat.n; ++i)
    if (lat.borderok[i]) {
      PACKER_CHECK(rows.cols == 0 || rows.cols == lat.borderok[i]);
      rows.cols = lat.borderok[i];
      ++rows.count;
    }
  return rows;
}

std::vector<std::uint64_t> patterncounts(int width, int gap) {
  std::vector<std::uint64_t> counts(width + 1, 1);
  for (int k = 1; k <= width; ++k)
    counts[k] = counts[k - 1] + counts[std::max(0, k - gap)];
  return counts;
}

bool staysafter(const Lattice& lat, int r, int row) {
  // A circle of row `row` + 1 overlaps one of row r only if their rows lie
  // less than 2 * radr apart; at exactly 2 * radr they can at most touch.
  return !diameteratmost(lat.radr, (row + 1) - r);
}

bool covers(const Lattice& lat, int r, int c, int row, int col) {
  for (int a = row + 1; a <= lat.n; ++a) {
    RowMask old = lat.blocks[a - r][c];
    if (old == 0) break;  // out of reach here, so in every later row too
    if (old & ~lat.blocks[a - row][col]) return false;
  }
  return true;
}

// Extends `mask`, whose lowest centre is in column `low` (or none when
// low > n), by columns below `col`; each column is first left out, then
// taken, so the masks come out in ascending numeric order.
static void enumeratedown(const Lattice& lat, int col, RowMask mask, int low,
                          std::vector<RowMask>& out) {
  if (col < 0) {
    out.push_back(mask);
    return;
  }
  enumeratedown(lat, col - 1, mask, low, out);
  bool spaced = low > lat.n || low - col >= lat.gap;
  if (spaced && fitsbetween(lat.radr, col, lat.n))
    enumeratedown(lat, col - 1, mask | RowMask{1} << col, col, out);
}

std::vector<RowMask> validmasks(const Lattice& lat) {
  std::vector<RowMask> out;
  enumeratedown(lat, lat.n, 0, lat.n + 1, out);
  return out;
}

static void enumerateup(RowMask allowed, int gap, RowMask mask, int from,
                        std::vector<RowMask>& out) {
  out.push_back(mask);
  for (int c = from; c < 64; ++c)
    if (allowed >> c & 1)
      enumerateup(allowed, gap, mask | RowMask{1} << c, c + gap, out);
}

std::vector<RowMask> patternsinorder(RowMask allowed, int gap) {
  std::vector<RowMask> out;
  enumerateup(allowed, gap, 0, 0, out);
  return out;
}

}  // namespace packer
