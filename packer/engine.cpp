#include "engine.h"

#include <algorithm>
#include <bit>

#include "check.h"
#include "keytable.h"

namespace packer {

bool profileless(const RowMask* a, const RowMask* b, int width) {
  for (int j = 0; j < width; ++j) {
    if (a[j] == b[j]) continue;
    // The first centre where the two Profiles differ is the lowest differing
    // column of this row.  The Profile holding it is the smaller one, unless
    // the other has no centre after it at all: a proper prefix comes first.
    RowMask low = (a[j] ^ b[j]) & -(a[j] ^ b[j]);
    const RowMask* other = (a[j] & low) ? b : a;
    bool othergoeson = (other[j] & ~(low | (low - 1))) != 0;
    for (int k = j + 1; k < width && !othergoeson; ++k)
      othergoeson = other[k] != 0;
    return othergoeson == (other == b);
  }
  return false;
}

namespace {

// The grouped search.  A state's key is the window of its Profile: one mask
// per row, from the oldest row that can still overlap the next one (key[0])
// to the row just filled (key[w - 1]).
//
// For row i, parents that share key[1..w-1] (their surviving rows) form a
// group: within it the successor depends only on the new pattern, so each
// pattern needs only its best compatible parent, the first in the order
// (count descending, Profile ascending).  That is the parent the
// straightforward search keeps: a higher count wins, and on equal counts the
// parent earliest in Profile order.  Patterns are enumerated depth-first
// inside the columns the group leaves free; a pattern no parent accepts
// rules out all its extensions.
class Grouped {
 public:
  explicit Grouped(const Lattice& lat);
  Trace run();

 private:
  void fillrow(int i);
  void computecover(int i);
  void extend(int depth, RowMask m, int from, int first);
  void emit(int depth, RowMask m, int first);

  const Lattice& lat;
  const int n;
  const int w;  // rows in a key window: lat.reach

  KeyTable prevkeys, curkeys;          // states of rows i - 1 and i
  std::vector<int> prevcount, curcount;  // circles on the best path
  KeyTable groups;                     // surviving rows -> group index
  Trace trace;

  // Scratch of the row being filled, sized once per run.
  int row = 0;
  RowMask cover[kAxis][kAxis];  // cover[d][col]: columns of row i - d whose
                                // centres a new centre (i, col) covers
  std::vector<int> groupof;     // group of each parent
  std::vector<int> order;       // parents by group, then best first
  std::vector<int> groupstart;  // group g is order[groupstart[g] .. g + 1]
  std::vector<int> slot;        // next free place of each group in order
  std::vector<RowMask> oldblock;  // per order position: columns of row i
                                  // that the parent's oldest row blocks

  // Scratch of the group being extended.
  const RowMask* survivors = nullptr;  // key[1..w-1] shared by the group
  int groupend = 0;                    // one past the group in `order`
  RowMask allowed = 0;                 // free columns of row i
  RowMask covered[kAxis + 1][kAxis];   // covered[depth][d]: columns of row
                                       // i - d covered by the pattern
  RowMask succ[kAxis];                 // successor key being built
};

Grouped::Grouped(const Lattice& l) : lat(l), n(l.n), w(l.reach) {
  PACKER_CHECK(w >= 1 && w <= n);
  // Every row of a successor window but the oldest must stay by the
  // row-distance rule, or the window would be too wide.
  PACKER_CHECK(w == 1 || staysafter(lat, 0, w - 2));
  trace.rows.resize(n + 1);
}

void Grouped::computecover(int i) {
  for (int d = 1; d < w; ++d)
    for (int col = 0; col <= n; ++col) {
      cover[d][col] = 0;
      if (i - d < 1) continue;
      for (int c = 0; c <= n; ++c)
        if (covers(lat, i - d, c, i, col)) cover[d][col] |= RowMask{1} << c;
    }
}

Trace Grouped::run() {
  prevkeys.reset(w);
  std::vector<RowMask> empty(w, 0);
  bool inserted = false;
  prevkeys.findorinsert(empty.data(), inserted);
  prevcount.assign(1, 0);
  for (int i = 1; i <= n; ++i) fillrow(i);

  for (int k = 0; k < prevkeys.size(); ++k)
    if (prevcount[k] > trace.sol ||
        (prevcount[k] == trace.sol &&
         profileless(prevkeys.key(k), prevkeys.key(trace.cr), w))) {
      trace.sol = prevcount[k];
      trace.cr = k;
    }
  return std::move(trace);
}

void Grouped::fillrow(int i) {
  row = i;
  computecover(i);
  const int parents = prevkeys.size();

  // Group the parents by their surviving rows, then order each group best
  // first.  A counting sort by group keeps this linear in the parents.
  groups.reset(w - 1);
  groupof.resize(parents);
  for (int j = 0; j < parents; ++j) {
    bool inserted = false;
    groupof[j] = groups.findorinsert(prevkeys.key(j) + 1, inserted);
  }
  groupstart.assign(groups.size() + 1, 0);
  for (int j = 0; j < parents; ++j) ++groupstart[groupof[j] + 1];
  for (int g = 0; g < groups.size(); ++g) groupstart[g + 1] += groupstart[g];
  order.resize(parents);
  slot.assign(groupstart.begin(), groupstart.end() - 1);
  for (int j = 0; j < parents; ++j) order[slot[groupof[j]]++] = j;
  auto better = [&](int a, int b) {
    if (prevcount[a] != prevcount[b]) return prevcount[a] > prevcount[b];
    return profileless(prevkeys.key(a), prevkeys.key(b), w);
  };
  oldblock.resize(parents);

  curkeys.reset(w);
  curcount.clear();
  for (int g = 0; g < groups.size(); ++g) {
    int begin = groupstart[g];
    groupend = groupstart[g + 1];
    std::sort(order.begin() + begin, order.begin() + groupend, better);
    for (int pos = begin; pos < groupend; ++pos) {
      RowMask oldest = prevkeys.key(order[pos])[0], block = 0;
      for (; oldest; oldest &= oldest - 1)
        block |= lat.blocks[w][std::countr_zero(oldest)];
      oldblock[pos] = block;
    }
    survivors = prevkeys.key(order[begin]) + 1;
    RowMask blocked = 0;
    for (int j = 0; j + 1 < w; ++j)
      for (RowMask s = survivors[j]; s; s &= s - 1)
        blocked |= lat.blocks[w - 1 - j][std::countr_zero(s)];
    allowed = lat.borderok[i] & ~blocked;
    for (int d = 0; d < w; ++d) covered[0][d] = 0;
    extend(0, 0, 0, begin);
  }
  trace.states += curkeys.size();
  std::swap(prevkeys, curkeys);
  std::swap(prevcount, curcount);
}

void Grouped::extend(int depth, RowMask m, int from, int first) {
  emit(depth, m, first);
  for (int c = from; c <= n; ++c) {
    if (!(allowed >> c & 1)) continue;
    RowMask next = m | RowMask{1} << c;
    int f = first;
    while (f < groupend && (oldblock[f] & next)) ++f;
    if (f == groupend) continue;  // no parent takes it, nor any extension
    for (int d = 1; d < w; ++d)
      covered[depth + 1][d] = covered[depth][d] | cover[d][c];
    extend(depth + 1, next, c + lat.gap, f);
  }
}

void Grouped::emit(int depth, RowMask m, int first) {
  int parent = order[first];
  for (int j = 0; j + 1 < w; ++j)
    succ[j] = survivors[j] & ~covered[depth][w - 1 - j];
  succ[w - 1] = m;
  int val = prevcount[parent] + std::popcount(m);
  TraceRow& out = trace.rows[row];
  bool inserted = false;
  int k = curkeys.findorinsert(succ, inserted);
  if (inserted) {
    curcount.push_back(val);
    out.papa.push_back(parent);
    out.placed.push_back(m);
    return;
  }
  PACKER_CHECK(out.placed[k] == m);
  if (val > curcount[k] ||
      (val == curcount[k] &&
       profileless(prevkeys.key(parent), prevkeys.key(out.papa[k]), w))) {
    curcount[k] = val;
    out.papa[k] = parent;
  }
}

}  // namespace

Trace searchgrouped(const Lattice& lat) { return Grouped(lat).run(); }

Trace searchfast(const Lattice& lat) {
  return lat.radr <= 1 ? searchsweep(lat) : searchgrouped(lat);
}

}  // namespace packer
