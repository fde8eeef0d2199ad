#include "lattice.h"

#include <cmath>

#include "check.h"

namespace packer {

bool closerthandiameter(int d, long double radr) {
  PACKER_CHECK(d >= 0 && radr > 0);
  if (d == 0) return true;
  // d <= 2 * 26^2 = 1352, so any radius of 32 or more overlaps at once and
  // the exponent below stays small.
  if (radr >= 32) return true;
  // radr = m * 2^(k - 64) with a 64-bit integer m, so 4 * radr^2 is
  // m^2 * 2^(2k - 126) exactly, and d < 4 * radr^2 becomes
  // d * 2^(126 - 2k) < m^2 in 128-bit integers.  Rounding 4 * radr * radr
  // to a long double instead would decide wrongly within 2^-63 of a
  // threshold.
  int k = 0;
  long double f = std::frexp(radr, &k);  // radr = f * 2^k, 0.5 <= f < 1
  auto m = static_cast<std::uint64_t>(std::ldexp(f, 64));
  unsigned __int128 msq = static_cast<unsigned __int128>(m) * m;
  int shift = 126 - 2 * k;  // k <= 5 here, so shift > 0
  int dbits = 0;
  for (int v = d; v; v >>= 1) ++dbits;
  if (dbits + shift > 128) return false;  // d * 2^shift >= 2^128 > m^2
  return (static_cast<unsigned __int128>(d) << shift) < msq;
}

static bool fitsbetween(long double radr, int c, int n) {
  // radr <= c and radr <= n - c: the integers convert exactly, so these are
  // the exact border tests (c - radr >= 0 would round first).
  return radr <= c && radr <= n - c;
}

Lattice buildtables(int n, long double radr) {
  PACKER_CHECK(1 <= n && n <= kMaxSide && radr > 0.5L);
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

  // 2 * radr is exact, so the least gap is the least integer g >= 2 * radr
  // and a Profile reaches back over the offsets d < 2 * radr.
  long double diameter = 2 * radr;
  lat.gap = 1;
  while (lat.gap < diameter && lat.gap <= n) ++lat.gap;
  lat.reach = 0;
  while (lat.reach < n && lat.reach + 1 < diameter) ++lat.reach;
  return lat;
}

bool staysafter(const Lattice& lat, int r, int row) {
  // A circle of row `row` + 1 overlaps one of row r only if their rows lie
  // less than 2 * radr apart; at exactly 2 * radr they can at most touch.
  return 2 * lat.radr > (row + 1) - r;
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
static void enumeratedown(const Lattice& lat, int col, int mask, int low,
                          std::vector<int>& out) {
  if (col < 0) {
    out.push_back(mask);
    return;
  }
  enumeratedown(lat, col - 1, mask, low, out);
  bool spaced = low > lat.n || low - col >= lat.gap;
  if (spaced && fitsbetween(lat.radr, col, lat.n))
    enumeratedown(lat, col - 1, mask | (1 << col), col, out);
}

std::vector<int> validmasks(const Lattice& lat) {
  std::vector<int> out;
  enumeratedown(lat, lat.n, 0, lat.n + 1, out);
  return out;
}

static void enumerateup(RowMask allowed, int gap, RowMask mask, int from,
                        std::vector<RowMask>& out) {
  out.push_back(mask);
  for (int c = from; c < 32; ++c)
    if (allowed >> c & 1)
      enumerateup(allowed, gap, mask | RowMask{1} << c, c + gap, out);
}

std::vector<RowMask> patternsinorder(RowMask allowed, int gap) {
  std::vector<RowMask> out;
  enumerateup(allowed, gap, 0, 0, out);
  return out;
}

}  // namespace packer
