// The grouped search: the fast search for radii above 1, where a Profile
// spans several rows.
#include <algorithm>
#include <bit>

#include "check.h"
#include "fastsearch.h"
#include "keytable.h"
#include "progress.h"

namespace packer {

namespace {

RowMask reversebits(RowMask x) {
  x = (x >> 1 & 0x5555555555555555u) | (x & 0x5555555555555555u) << 1;
  x = (x >> 2 & 0x3333333333333333u) | (x & 0x3333333333333333u) << 2;
  x = (x >> 4 & 0x0f0f0f0f0f0f0f0fu) | (x & 0x0f0f0f0f0f0f0f0fu) << 4;
  return __builtin_bswap64(x);
}

// A parent's rank key (Grouped::rank): count in the top 32 bits, the
// oldest row bit-reversed in the middle 64, the parent's index in the low
// 32.  A larger key is a better parent.
using Rank = unsigned __int128;
constexpr int kIndexBits = 32;
constexpr int kCountShift = kIndexBits + 64;
int rankindex(Rank r) {
  return static_cast<int>(static_cast<std::uint32_t>(r));
}
RowMask rankoldest(Rank r) {
  return reversebits(static_cast<RowMask>(r >> kIndexBits));
}

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
  Grouped(const Lattice& lat, const SearchOptions& limits);
  Trace run();

 private:
  void fillrow(int i);
  void groupparents();
  void flushqueue();
  bool computecover(int i);
  void extend(int depth, RowMask m, int from, int first);
  void emit(int depth, RowMask m, int first);
  int keepbest(std::size_t beam);
  void trimbeam();
  // At most how many centres the free columns from `from` on can take:
  // k centres at least `gap` apart span (k - 1) * gap + 1 columns.
  int roomfrom(int from) const {
    RowMask rest = from < 64 ? allowed >> from << from : 0;
    if (!rest) return 0;
    int span = 64 - std::countl_zero(rest) - std::countr_zero(rest);
    return (span - 1) / lat.gap + 1;
  }
  void merge(int slot);
  void ordergroup(int begin, int end);
  Rank rank(int j) const;
  RowMask blockedby(RowMask cells, int offset) const;

  const Lattice& lat;
  SearchOptions limits;  // a copy: refine() may change it between rows
  const int n;
  const int w;  // rows in a key window: lat.reach

  KeyTable prevkeys, curkeys;            // states of rows i - 1 and i
  std::vector<int> prevcount, curcount;  // circles on the best path
  KeyTable groups;                       // surviving rows -> group index
  Trace trace;

  // Scratch of the row being filled, sized once per run.
  int mincount = 0;  // a successor with fewer circles is dropped
  TraceRow current;  // parent links of the row's states, kept in `trace`
                     // only when limits.trace
  RowMask cover[kAxis][kAxis];  // cover[d][col]: columns of row i - d whose
                                // centres a new centre (i, col) covers
  bool merging = false;    // some new centre covers an old one this row.  If
                           // not, a successor is its group's surviving rows
                           // plus its pattern, so no two candidates share a
                           // Profile and each is simply appended.
  std::vector<int> order;  // parents by group, then best first
  std::vector<int> groupstart;    // group g is order[groupstart[g] ..
                                  // groupstart[g + 1])
  std::vector<int> nextfree;      // next free place of each group in order
  std::vector<RowMask> oldblock;  // by position in `order`: the columns
                                  // of row i the parent's oldest row blocks

  // Scratch of the group being extended.
  const RowMask* survivors = nullptr;  // key[1..w-1] shared by the group
  int groupend = 0;                    // one past the group in `order`
  RowMask allowed = 0;                 // free columns of row i
  RowMask covered[kAxis + 1][kAxis];   // covered[depth][d]: columns of row
                                       // i - d covered by the pattern

  // Successors wait in a small ring between computing their hash (and
  // starting to load their slot) and merging, so that the cache misses of
  // the merge table overlap.  Merging at once is simpler, and a fifth
  // slower where rows do merge (n = 26 at radius 2.0000001: 0.72 s
  // against 0.57 s).
  static constexpr int kQueue = 8;
  static constexpr std::size_t kBeamSlack = 4;
  struct Pending {
    std::uint64_t hash;
    int val, parent;
    RowMask placed;
  };
  Pending queue[kQueue];
  std::vector<RowMask> queuekeys;  // key of queue slot q at q * w
  int queued = 0;                  // successors emitted so far this row
  std::vector<Rank> ranked;        // rank(j) of the parents, by group
  // Scratch of keepbest(), which may run many times a row: the counts it
  // selects from, and the table the kept keys move to (it then holds the
  // table they came from).
  std::vector<int> beamcounts;
  KeyTable beamkeys;
};

Grouped::Grouped(const Lattice& l, const SearchOptions& lim)
    : lat(l), limits(lim), n(l.n), w(l.reach) {
  PACKER_CHECK(w >= 1 && w <= n);
  // Every row of a successor window but the oldest must stay by the
  // row-distance rule, or the window would be too wide.
  PACKER_CHECK(w == 1 || staysafter(lat, 0, w - 2));
  trace.rows.resize(n + 1);
  queuekeys.resize(kQueue * w);
}

// Fills cover[][] for row i, keeping only pairs that can meet: an old
// centre where a circle fits, a new one where a circle fits, not
// overlapping.  Returns whether any such pair covers.
bool Grouped::computecover(int i) {
  bool any = false;
  for (int d = 1; d < w; ++d)
    for (int col = 0; col <= n; ++col) {
      cover[d][col] = 0;
      if (i - d < 1 || !(lat.borderok[i] >> col & 1)) continue;
      RowMask candidates = lat.borderok[i - d] & ~lat.blocks[d][col];
      for (RowMask c = candidates; c; c &= c - 1)
        if (covers(lat, i - d, std::countr_zero(c), i, col))
          cover[d][col] |= c & -c;
      any = any || cover[d][col] != 0;
    }
  return any;
}

Trace Grouped::run() {
  prevkeys.reset(w);
  std::vector<RowMask> empty(w, 0);
  bool inserted = false;
  prevkeys.findorinsert(empty.data(), inserted);
  prevcount.assign(1, 0);
  for (int i = 1; i <= n; ++i) {
    fillrow(i);
    if (limits.maxstates && trace.states > limits.maxstates &&
        !(limits.refine && limits.refine(limits, trace.states))) {
      trace.stopped = true;
      return std::move(trace);
    }
  }

  for (int k = 0; k < prevkeys.size(); ++k)
    if (prevcount[k] > trace.sol ||
        (prevcount[k] == trace.sol &&
         profilebefore(prevkeys.key(k), prevkeys.key(trace.cr), w))) {
      trace.sol = prevcount[k];
      trace.cr = k;
    }
  return std::move(trace);
}

// The parents' groups (by their surviving rows), then a counting sort that
// lays their sort keys out group by group.  Both passes read the parents
// in storage order.  `order` holds each parent's group until ordergroup()
// fills it, which saves a vector as long.
void Grouped::groupparents() {
  const int parents = prevkeys.size();
  groups.reset(w - 1);
  order.resize(parents);
  std::vector<int>& groupof = order;
  for (int j = 0; j < parents; ++j) {
    bool inserted = false;
    groupof[j] = groups.findorinsert(prevkeys.key(j) + 1, inserted);
  }
  groupstart.assign(groups.size() + 1, 0);
  for (int j = 0; j < parents; ++j) ++groupstart[groupof[j] + 1];
  for (int g = 0; g < groups.size(); ++g) groupstart[g + 1] += groupstart[g];
  ranked.resize(parents);
  nextfree.assign(groupstart.begin(), groupstart.end() - 1);
  for (int j = 0; j < parents; ++j) ranked[nextfree[groupof[j]]++] = rank(j);
  oldblock.resize(parents);
}

// Merges the successors still waiting in the queue.
void Grouped::flushqueue() {
  for (int q = std::max(0, queued - kQueue); q < queued; ++q) merge(q % kQueue);
  queued = 0;
}

void Grouped::fillrow(int i) {
  merging = computecover(i);
  const int parents = prevkeys.size();
  groupparents();

  curkeys.reset(w);
  curcount.clear();
  curcount.reserve(parents);
  mincount = limits.mincount.empty() ? 0 : limits.mincount[i];
  current.papa.clear();
  current.placed.clear();
  current.papa.reserve(parents);
  current.placed.reserve(parents);
  for (int g = 0; g < groups.size(); ++g) {
    int begin = groupstart[g];
    groupend = groupstart[g + 1];
    survivors = prevkeys.key(rankindex(ranked[begin])) + 1;
    ordergroup(begin, groupend);
    RowMask blocked = 0;
    for (int j = 0; j + 1 < w; ++j)
      blocked |= blockedby(survivors[j], w - 1 - j);
    allowed = lat.borderok[i] & ~blocked;
    for (int d = 0; d < w; ++d) covered[0][d] = 0;
    extend(0, 0, 0, begin);
  }
  flushqueue();
  trace.states += curkeys.size();
  reportrow(limits.phase, i, n, curkeys.size());
  if (limits.beam && static_cast<std::size_t>(curkeys.size()) > limits.beam)
    keepbest(limits.beam);
  if (limits.trace) std::swap(trace.rows[i], current);
  std::swap(prevkeys, curkeys);
  prevkeys.handindex(curkeys);
  std::swap(prevcount, curcount);
}

void Grouped::extend(int depth, RowMask m, int from, int first) {
  emit(depth, m, first);
  RowMask next = from < 64 ? allowed >> from << from : 0;
  for (; next; next &= next - 1) {
    const int c = std::countr_zero(next);
    const RowMask grown = m | RowMask{1} << c;
    int f = first;
    while (f < groupend && (oldblock[f] & grown)) ++f;
    if (f == groupend) continue;  // no parent takes it, nor any extension
    // Parents come best first, so no extension finds a parent with more
    // circles than f, nor more centres than fit from c + gap on.
    if (prevcount[order[f]] + std::popcount(grown) + roomfrom(c + lat.gap) <
        mincount)
      continue;
    for (int d = 1; d < w; ++d)
      covered[depth + 1][d] = covered[depth][d] | cover[d][c];
    extend(depth + 1, grown, c + lat.gap, f);
  }
}

// Parent j's sort key within its group: larger is better.  Parents of one
// group differ only in their oldest row.  When the rows after it are not
// all empty, the parent holding the lowest differing column of that row
// comes first in Profile order: the one whose bit-reversed oldest row is
// larger.  So one integer orders by count, then Profile, and the sort
// compares integers instead of chasing two Profiles per comparison (the
// comparator form is profilebefore(), used when that condition fails); the
// parent's index rides along below.
Rank Grouped::rank(int j) const {
  static_assert(kAxis <= 64, "a row's columns fit the middle field");
  return Rank(prevcount[j]) << kCountShift |
         Rank(reversebits(prevkeys.key(j)[0])) << kIndexBits | Rank(j);
}

// Puts the parents of one group (ranked[begin..end), sharing `survivors`)
// in order into `order`, count descending, then Profile ascending, and the
// columns their oldest rows block into `oldblock`.
void Grouped::ordergroup(int begin, int end) {
  bool goeson = std::any_of(survivors, survivors + w - 1,
                            [](RowMask m) { return m != 0; });
  if (goeson) {
    std::sort(ranked.begin() + begin, ranked.begin() + end, std::greater<>());
    for (int pos = begin; pos < end; ++pos) {
      order[pos] = rankindex(ranked[pos]);
      // The oldest row rides in the key too; decoding it saves a cache
      // miss per parent over reading the parent's key.
      oldblock[pos] = blockedby(rankoldest(ranked[pos]), w);
    }
    return;
  }
  // Nothing after the oldest row: a proper prefix comes first, which the
  // integer key does not see, so compare whole Profiles.
  for (int pos = begin; pos < end; ++pos) order[pos] = rankindex(ranked[pos]);
  std::sort(order.begin() + begin, order.begin() + end, [&](int a, int b) {
    if (prevcount[a] != prevcount[b]) return prevcount[a] > prevcount[b];
    return profilebefore(prevkeys.key(a), prevkeys.key(b), w);
  });
  for (int pos = begin; pos < end; ++pos)
    oldblock[pos] = blockedby(prevkeys.key(order[pos])[0], w);
}

// The columns of row i where a circle would overlap one of the centres
// `cells` of the row `offset` rows back.
RowMask Grouped::blockedby(RowMask cells, int offset) const {
  RowMask block = 0;
  for (; cells; cells &= cells - 1)
    block |= lat.blocks[offset][std::countr_zero(cells)];
  return block;
}

void Grouped::emit(int depth, RowMask m, int first) {
  const int parent = order[first];
  const int val = prevcount[parent] + std::popcount(m);
  if (val < mincount) return;  // see SearchOptions::mincount
  if (limits.beam &&
      static_cast<std::size_t>(curkeys.size()) >= kBeamSlack * limits.beam)
    trimbeam();
  if (!merging) {
    RowMask* succ = curkeys.append();
    for (int j = 0; j + 1 < w; ++j) succ[j] = survivors[j];
    succ[w - 1] = m;
    curcount.push_back(val);
    current.papa.push_back(parent);
    current.placed.push_back(m);
    return;
  }
  const int slot = queued % kQueue;
  if (queued >= kQueue) merge(slot);  // the oldest waiting successor
  RowMask* succ = &queuekeys[slot * w];
  for (int j = 0; j + 1 < w; ++j)
    succ[j] = survivors[j] & ~covered[depth][w - 1 - j];
  succ[w - 1] = m;
  Pending& p = queue[slot];
  p.hash = curkeys.hash(succ);
  p.val = val;
  p.parent = parent;
  p.placed = m;
  curkeys.prefetch(p.hash);
  ++queued;
}

void Grouped::merge(int slot) {
  const Pending& p = queue[slot];
  TraceRow& out = current;
  bool inserted = false;
  int k = curkeys.findorinsert(&queuekeys[slot * w], p.hash, inserted);
  if (inserted) {
    curcount.push_back(p.val);
    out.papa.push_back(p.parent);
    out.placed.push_back(p.placed);
    return;
  }
  PACKER_CHECK(out.placed[k] == p.placed);
  if (p.val > curcount[k] ||
      (p.val == curcount[k] &&
       profilebefore(prevkeys.key(p.parent), prevkeys.key(out.papa[k]), w))) {
    curcount[k] = p.val;
    out.papa[k] = p.parent;
  }
}

// A beam's row holds at most kBeamSlack times the beam while it is being
// filled: a row of 8,192 parents can have billions of successors (n = 60
// at radius 2.5: 3 GiB by row 7 before this), of which the beam keeps
// only the best.  Trimming to the beam raises the count a successor needs
// to the least count kept, since at least `beam` states with that count or
// more stay to the end of the row; so the enumeration prunes as well.
void Grouped::trimbeam() {
  flushqueue();
  mincount = std::max(mincount, keepbest(limits.beam));
}

// Keeps the `beam` states of the row being filled with the most circles
// (ties: the first in storage order), dropping the rest, with their parent
// links and patterns, and returns the least count kept.  The kept keys are
// indexed for further merges.
int Grouped::keepbest(std::size_t beam) {
  beamcounts.assign(curcount.begin(), curcount.end());
  std::nth_element(beamcounts.begin(), beamcounts.begin() + (beam - 1),
                   beamcounts.end(), std::greater<>());
  const int threshold = beamcounts[beam - 1];
  std::size_t above = std::count_if(curcount.begin(), curcount.end(),
                                    [&](int c) { return c > threshold; });
  std::size_t ties = beam - above;  // states at the threshold to keep
  beamkeys.reset(w);
  int at = 0;  // states kept so far; each moves down to index `at`
  for (int k = 0; k < curkeys.size(); ++k) {
    if (curcount[k] < threshold) continue;
    if (curcount[k] == threshold) {
      if (ties == 0) continue;
      --ties;
    }
    bool inserted = false;
    beamkeys.findorinsert(curkeys.key(k), inserted);
    curcount[at] = curcount[k];
    current.papa[at] = current.papa[k];
    current.placed.set(at, current.placed[k]);
    ++at;
  }
  curcount.resize(at);
  current.papa.resize(at);
  current.placed.resize(at);
  std::swap(curkeys, beamkeys);
  return threshold;
}

}  // namespace

Trace searchgrouped(const Lattice& lat, const SearchOptions& limits) {
  return Grouped(lat, limits).run();
}

}  // namespace packer
