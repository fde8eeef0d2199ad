// The grouped search: the fast search for radii above 1, where a Profile
// spans several rows.
#include <algorithm>
#include <atomic>
#include <bit>
#include <climits>
#include <memory>
#include <mutex>

#include "check.h"
#include "fastsearch.h"
#include "keytable.h"
#include "mirror.h"
#include "progress.h"
#include "workers.h"

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
int rankcount(Rank r) { return static_cast<int>(r >> kCountShift); }
RowMask rankoldest(Rank r) {
  return reversebits(static_cast<RowMask>(r >> kIndexBits));
}

// Mask x of a square of side n turned left to right: column c to n - c.
RowMask turnmask(RowMask x, int n) { return reversebits(x) >> (63 - n); }

void turnkey(const RowMask* key, int w, int n, RowMask* out) {
  for (int j = 0; j < w; ++j) out[j] = turnmask(key[j], n);
}

// Whether the lattice looks the same turned left to right in every table
// a search reads: then the successors of a state's image are its own
// successors turned.
bool looksturned(const Lattice& lat) {
  const int n = lat.n;
  for (int i = 0; i <= n; ++i) {
    if (turnmask(lat.borderok[i], n) != lat.borderok[i]) return false;
    for (int c = 0; c <= n; ++c)
      if (turnmask(lat.blocks[i][c], n) != lat.blocks[i][n - c]) return false;
  }
  return true;
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
//
// The states of a row are split among shards by a hash of key[1..w-1], the
// rows a successor shares with its group in the next row, so every group
// lies within one shard.  Each worker of the pool expands the groups of the
// shards it takes, and hands each successor to the shard its own key picks,
// in batches, merged under that shard's lock, mostly by the worker that
// owns the shard (Batch).  Same keys meet in the same shard, and
// there the merge keeps, whatever the order successors arrive in, the one
// the straightforward search keeps: the highest count, then the parent
// first in Profile order.  Distinct parents have distinct Profiles, so that
// order is total, and the kept count and parent of a key are the maximum of
// its candidates, which no order of arrival changes.  So every row holds
// the same states, counts, parents and patterns for every number of
// threads; only their indices differ, and nothing printed reads those (the
// answer follows parent links from the chosen final state, itself the first
// in Profile order with the top count).  With one thread there is one shard
// and the search is the serial one, but for a beam, which is split into a
// number of slices that depends on its width alone, each a shard keeping
// its own best states (Grouped::keepbest).
//
// Folding.  The square looks the same turned left to right (looksturned()),
// so the image of a state, every row of its key turned, is a state of the
// same row with the same count, and its successors are the images of the
// state's successors.  The search keeps one state for the two: the key
// that comes first comparing key[1..w-1] and then key[0], its
// representative.  A parent stands for itself and its image, and a
// successor made from it for itself and its image too, so every
// candidate of either state of a pair reaches the pair's one state; the
// count is their best, as for each state apart.  The bounds drop a state
// and its image alike: the counts per row do not see columns, the
// look-ahead (deadend()) answers the same for rows turned, and the turned
// rows of the middle (mirror.h) are kept with both images of each group.
// So the pairs kept are exactly those of the states kept unfolded, and the
// budgets count the states a pair stands for (Shard::stands): a search
// decides as it would unfolded.
//
// The links are the straightforward search's: each state keeps one for
// itself and one for its image (TracePiece::papaflip), each the best of
// its own candidates, the most circles and then the parent first in
// Profile order, the parent turned for the image.  Within a group the
// image's candidate for a pattern is the first image among the parents to
// accept it, in the order of their images (Expander::orderflip); the same
// parents accept a pattern turned or not.  The final state is the first in
// Profile order among the states and the images of the top count.  A twin,
// its own image, has both for parents, and both its links name the better.
// The merge keeps, for each link, the best of a total order, so folding
// leaves the threads' argument above as it stands.
//
// Comparing key[1..w-1] first makes the representatives of a group's
// successors distinct from those of every other group, unless the group's
// rows are their own image: two groups make a pair only if their rows are
// each other's image, and the representatives' rows come first.  So a row
// whose successors are appended (Grouped::merging is false) appends them
// still, but those of such groups, merged aside first (Shard::paired).
//
// At n = 26 and radius 1.55, one thread, the answer's search keeps 3.5
// million states for the 6.4 million they stand for, and the run takes
// 0.80 s and 101 MiB instead of 1.11 s and 136 (medians of three); at n =
// 36 and radius 1.802775, 67 s and 5.5 GiB instead of 88 s and 7.9.  A
// state costs more than one did unfolded where groups are large: each
// pattern walks a group twice, for the parents and for their images.
class Grouped;

// A beam's cut as read without its slice's lock: the count, biased to
// compare as unsigned, above the top 32 bits of the hash.  Cuts only rise
// in the beam order (Grouped::keepbest), so a mark read while the slice
// trims is the cut before, which ranks no earlier than the cut after.
struct CutMark {
  static std::uint64_t of(int count, std::uint64_t hash) {
    return std::uint64_t{static_cast<std::uint32_t>(count) ^ kBias} << 32 |
           hash >> 32;
  }
  static int count(std::uint64_t mark) {
    return static_cast<int>(static_cast<std::uint32_t>(mark >> 32) ^ kBias);
  }
  // Whether a state of `count` circles and hash `hash` ranks after the
  // cut `mark` in the beam order (beamafter()): fewer circles, or as many
  // and a larger hash, as its top half already shows.  False where only
  // the whole hash or the key could tell.
  static bool after(std::uint64_t mark, int count, std::uint64_t hash) {
    const std::uint64_t top = CutMark::of(count, hash);
    return top >> 32 < mark >> 32 ||
           (top >> 32 == mark >> 32 && (top & kLow) > (mark & kLow));
  }
  static constexpr std::uint32_t kBias = 0x80000000u;
  static constexpr std::uint64_t kLow = 0xffffffffu;
};

// A successor on its way to its shard.
struct Pending {
  std::uint64_t hash;  // of its key, which the table probes with
  int val, parent;     // its count; its parent's index in the whole row
  RowMask placed;      // its pattern
  // Folding (Grouped::folding): the key is the one of the successor and its
  // image that comes first, `turned` when that is the image, and `twin`
  // when the two are the same; `parentflip` is the best parent of the
  // image, whose Profile is the parent's turned (Expander::orderflip).
  int parentflip;
  bool turned, twin;
  bool paired;  // from a group whose rows are their own image (Shard::paired)

  // Folded links (TracePiece): the parent of the key's state and of its
  // image, as built from the successor's and the image's parents.
  int ownlink() const { return turned ? 2 * parentflip + 1 : 2 * parent; }
  int imagelink() const { return turned ? 2 * parent : 2 * parentflip + 1; }
};

// Successors wait in a batch for each shard and merge a batch at a time,
// the table slot of each loaded a few successors ahead, so that the cache
// misses of the merge overlap.  Merging each at once is simpler, and a
// fifth slower where rows do merge (n = 26 at radius 2.0000001: 0.72 s
// against 0.57 s, measured with a ring of eight).
//
// On several threads, each shard is merged into by the worker that owns
// it, while it keeps up: the others queue their full batches for it, and
// it merges them whenever it sends a batch on.  A shard's table then stays
// in one core's cache.  Every worker merging its own batches is simpler,
// but the tables' cache lines then travel between the cores: the beam at
// n = 26, radius 1.1, took 15 to 35 % more processor time on two cores
// than on one, and 26 1.55 on two threads 1.85 s against 1.6 s so (medians
// of six, alternating).  A worker whose batch finds a shard's queue full
// merges it itself, so the queues stay short.
constexpr std::size_t kBatch = 256;
constexpr std::size_t kQueued = 8;  // batches a shard's queue holds at most
struct Batch {
  std::vector<RowMask> keys;  // key of item q at q * w; kBatch keys long
  std::vector<Pending> items;
};

// A part of the states of one row, on cache lines of its own: workers
// write different shards at once.
struct alignas(64) Shard {
  KeyTable keys;           // the states' keys, index = state
  std::vector<int> count;  // circles on each state's best path
  TracePiece links;        // parent (index in the whole previous row) and
                           // pattern of each state; kept only for a trace
  // Folded, in a row where successors are appended (Grouped::merging is
  // false): the successors of groups whose rows are their own image, two
  // patterns of which can make images of each other, merged here and
  // appended after the row (Grouped::appendpaired()).
  KeyTable paired;
  std::vector<int> pairedcount;
  TracePiece pairedlinks;
  // The states the shard's row stands for: folded, two a state and one a
  // twin, its own image (Grouped::folding); else one each.  The budgets
  // count these, so a search folded decides as one unfolded would.
  long long stands = 0;
  std::mutex lock;  // held while successors merge in
  // Batches from other workers, waiting for the worker that owns the
  // shard (Grouped::ownerof) to merge them.
  std::mutex inboxlock;
  std::vector<std::unique_ptr<Batch>> inbox;
  std::atomic<int> waiting{0};  // inbox.size(), read without the lock
  // A beam's slice ranks its states (beamafter) and, when it trims, keeps
  // its best `slicebeam`; an arrival ranked after the last one kept, its
  // cut, is dropped.  Before the first trim the cut's count is INT_MIN,
  // and nothing ranks after it.  The cut's count and the top half of its
  // hash are also read without the lock, packed in one word (CutMark):
  // for the floor (raisefloor) and by the workers that send successors
  // (Expander::emit).
  std::atomic<std::uint64_t> cut{CutMark::of(INT_MIN, 0)};
  std::uint64_t cuthash = 0;
  std::vector<RowMask> cutkey;
  KeyTable spare;  // the table the kept keys move to when trimming
};

// The order a beam keeps states in: more circles first, then a smaller
// hash, then the smaller key.  It is total and depends on nothing but the
// states, so the beam keeps the same states whatever the shards or the
// order of arrival.
bool beamafter(int ca, std::uint64_t ha, const RowMask* ka, int cb,
               std::uint64_t hb, const RowMask* kb, int w) {
  if (ca != cb) return ca < cb;
  if (ha != hb) return ha > hb;
  return std::lexicographical_compare(kb, kb + w, ka, ka + w);
}

// The slices of a beam `beam` states wide: one slice a thousand states,
// up to 64, so that up to 64 workers share a wide beam.  A function of the
// width alone, so that a beam keeps the same states on any number of
// threads.
int beamslices(std::size_t beam) {
  return static_cast<int>(std::clamp<std::size_t>(beam / 1024, 1, 64));
}

// A state at the count where a beam cuts, ranked by hash (then key).
struct BeamTie {
  std::uint64_t hash;
  const RowMask* key;
};

// The scratch of one worker: the group being extended, and the successors
// waiting for their shards.
class Expander {
 public:
  Expander(Grouped& g, int worker);
  void expandshard(int s);
  void flush();
  void mergeinbox(int s);

  // Whether folded parent link a (2 * index + image) of row i - 1 comes
  // before link b in Profile order.
  bool before(int a, int b);

  bool quit = false;      // the search stops inside this row (Grouped::over)
  long long counted = 0;  // successors counted, when Grouped::sampling

  // Scratch of beam trimming (Grouped::keepbest), which a worker may run
  // under a shard's lock.
  std::vector<int> beamcounts;
  std::vector<BeamTie> beamties;

 private:
  void groupparents();
  void ordergroup(int begin, int end);
  void extend(int depth, RowMask m, int from, int first, int firstflip);
  void emit(int depth, RowMask m, int first, int firstflip);
  void deliver(int dest);
  void mergebatch(int dest, const Batch& batch);
  void mergeowned();
  Rank rank(int j) const;
  Rank rankflip(int j) const;
  RowMask blockedby(RowMask cells, int offset) const;
  RowMask survivorsblock(int t) const;
  // At most how many centres the free columns from `from` on can take:
  // k centres at least `gap` apart span (k - 1) * gap + 1 columns.
  int roomfrom(int from) const;
  bool deadend(int depth, int val) const;

  Grouped& g;
  const int worker;                // this expander's worker in the pool
  const Shard* parents = nullptr;  // the shard being expanded
  int shard = 0;                   // and its number
  int base = 0;                    // its first state's index in the row
  int mincount = 0;                // a successor with fewer circles is dropped

  KeyTable groups;                // surviving rows -> group index
  std::vector<int> order;         // parents by group, then best first
  std::vector<int> groupstart;    // group k is order[groupstart[k] ..
                                  // groupstart[k + 1])
  std::vector<int> nextfree;      // next free place of each group in order
  std::vector<RowMask> oldblock;  // by position in `order`: the columns
                                  // of row i the parent's oldest row blocks
  std::vector<int> ordercount;    // by position in `order`: the parent's
                                  // count, read in order rather than
                                  // through `order`, a cache miss each
                                  // (n = 26 and 29, radius 1.55: 7 % of
                                  // the time)
  std::vector<Rank> ranked;       // rank(j) of the parents, by group
  // Folding: the parents of each group in the order of their images
  // (count descending, then the turned Profile ascending), from
  // rankflip(j), and the columns their oldest rows block, as `order`,
  // `ranked` and `oldblock` are for the parents themselves.
  std::vector<int> orderflip;
  std::vector<Rank> rankedflip;
  std::vector<RowMask> oldblockflip;
  std::vector<int> groupbest;  // most circles of each group's parents,
                               // for Grouped::keeping

  // Scratch of the group being extended.
  const RowMask* survivors = nullptr;   // key[1..w-1] shared by the group
  bool pairedgroup = false;             // folded, the survivors are their own
                                        // image, in a row without merging
  int groupend = 0;                     // one past the group in `order`
  RowMask allowed = 0;                  // free columns of row i
  bool lookahead = false;               // some successor may need deadend()
  RowMask ahead[kAxis + 1][kAxis + 1];  // ahead[depth][t]: columns of row
                                        // i + t blocked by the group's
                                        // surviving rows and the pattern's
                                        // first `depth` centres (for
                                        // deadend())
  RowMask covered[kAxis + 1][kAxis];    // covered[depth][d]: columns of row
                                        // i - d covered by the pattern
  std::vector<RowMask> successor;       // the key emit() builds
  std::vector<RowMask> image;           // and its image, when folding
  // Keys turned for comparing Profiles (before()), two at once.
  std::vector<RowMask> turnedkeys;

  std::vector<std::unique_ptr<Batch>> outbox;  // by shard
};

class Grouped {
 public:
  Grouped(const Lattice& lat, const SearchOptions& limits);
  Trace run();

 private:
  friend class Expander;
  bool refine(int row, long long states);
  long long overbudget(int i);
  long long estimaterow(int i);
  void setrow(int i);
  void expandrow();
  void fillrow(int i);
  bool computecover(int i);
  int shardof(const RowMask* key) const;
  void keepmirror();
  const RowMask* prevkey(int index) const;
  int ownerof(int shard) const { return shard % pool.size(); }
  std::unique_ptr<Batch> sparebatch();
  void returnbatch(std::unique_ptr<Batch> batch);
  void merge(Shard& to, const RowMask* key, const Pending& p, Expander& e);
  void mergefolded(std::vector<int>& count, TracePiece& out, int k,
                   bool inserted, const RowMask* key, const Pending& p,
                   Expander& e);
  void appendpaired();
  void keepbest(Shard& shard, std::vector<int>& counts,
                std::vector<BeamTie>& ties);
  void raisefloor();
  // Runs body(shard) for every shard, on the pool when `shared`, else on
  // the caller alone.  Waking the workers costs up to hundreds of
  // microseconds (workers.cpp); the first rows and the narrow strips of the
  // bounds hold a few states, whose work costs less.
  template <typename Body>
  void eachshard(bool shared, Body body) {
    pool.foreach (nshards, shared, [&](std::size_t s, int worker) {
      body(static_cast<int>(s), worker);
    });
  }

  const Lattice& lat;
  SearchOptions limits;  // a copy: refine() may change it between rows
  const int n;
  const int w;  // rows in a key window: lat.reach
  Workers& pool;
  const int nshards;
  const std::size_t slicebeam;  // the states a beam's shard keeps
  // Whether a state and its mirror image, turned left to right, are kept
  // as one state (see Expander::emit()).
  const bool folding;
  // Folding with a trace: the images' parents are ordered too
  // (Expander::orderflip), for their links.  A search without a trace
  // keeps counts alone, the same for a state and its image.
  const bool imagelinks;

  // The states of rows i - 1 and i, split among nshards shards.
  std::vector<std::unique_ptr<Shard>> prev, cur;
  std::vector<int> prevbase;  // prevbase[s]: index of shard s's first
                              // state in the whole of row i - 1; the last
                              // entry is the row's size
  long long prevstates = 1;   // the states row i - 1 stands for
                              // (Shard::stands)
  std::vector<std::unique_ptr<Expander>> expanders;  // one per worker
  // Emptied batches, for workers to swap for the full ones they hand on.
  std::mutex sparelock;
  std::vector<std::unique_ptr<Batch>> spares;
  Trace trace;
  // mirror[j]: row j's states, turned over (mirror.h), for the rows past
  // the middle, row n - j - 1, to be checked against; kept while
  // `mirroring` for the rows j < n - j - 1, and released once used.
  bool mirroring = false;
  std::vector<MirrorRow> mirror;
  // kept[s], while `keeping`: the groups of shard s of row i - 1 as its
  // expansion found them, their newest rows and the most circles of their
  // parents.  Gathered by groups rather than by states: at n = 28 and
  // radius 1.55 reading every state of the rows before the middle into
  // mirror[] took 0.15 s of 0.9.
  std::vector<std::vector<MirrorEntry>> kept;
  // One a worker: for the tests of `mirrored` and for indexing `kept`.
  std::vector<MirrorScratch> mirrorscratch;

  // Read by every worker while row i fills.
  int row = 0;                   // i
  int rowmincount = 0;           // from limits.mincount
  int parentmincount = INT_MIN;  // limits.mincount[i - 1]: a parent with
                                 // fewer circles is not expanded
  int aheadmincount = INT_MIN;   // limits.mincount[i + w], or of row n when
                                 // that is nearer (INT_MIN: none)
  // The turned row that row i - 1's states are checked against (null:
  // none), and the circles a packing must reach, limits.mincount[n].
  const MirrorRow* mirrored = nullptr;
  int mirrortarget = 0;
  bool keeping = false;         // row i - 1 goes into mirror[i - 1] (kept)
  RowMask cover[kAxis][kAxis];  // cover[d][col]: columns of row i - d whose
                                // centres a new centre (i, col) covers
  // spread[t], for t = 1..w: the least column distance of two centres at
  // most t - 1 rows apart, so that the centres of t consecutive rows lie
  // in distinct columns at least that far apart.
  int spread[kAxis + 1];
  bool merging = false;  // some new centre covers an old one this row.  If
                         // not, a successor is its group's surviving rows
                         // plus its pattern, so no two candidates share a
                         // Profile and each is simply appended.
  std::atomic<int> nextshard{0};  // the next shard of row i - 1 to expand
  bool sharing = false;  // the workers expand row i - 1 together, and may
                         // queue batches for each other (Batch)
  // A successor with fewer circles than this is dropped: limits.mincount,
  // raised as a beam's slices trim (raisefloor).
  std::atomic<int> floor{0};
  // A search that stops once it holds more than maxstates states, and has
  // nothing to refine, stops inside the row that takes it over: states
  // are never removed from a row but by a beam, so the row would end over
  // the budget too.  A guess whose first rows hold 12 million states, of a
  // budget of 2 (n = 40, radius 1.06), so stops after about 2.
  long long rowbudget = LLONG_MAX;    // states row i may hold before that
                                      // (LLONG_MAX: it runs to the end)
  std::atomic<long long> rowfill{0};  // states row i holds so far
  std::atomic<bool> over{false};      // rowfill is over rowbudget
  // While estimaterow() runs, one group in `sampling` is expanded, and its
  // successors are counted, not kept (0: rows are filled).
  std::uint64_t sampling = 0;
  static constexpr std::size_t kBeamSlack = 4;
  static constexpr int kParallelRow = 1024;  // parents a row needs before
                                             // the pool shares its work
  // Queued batches (of kBatch successors) worth waking the pool for.
  static constexpr std::size_t kParallelBatches = 16;
  // Index slots worth waking the pool to clear (a megabyte).
  static constexpr std::size_t kParallelSlots = std::size_t{1} << 17;
};

// Whether the lattice's rows are as wide as it has rows that admit
// centres: the square and its first rows, not the strips turned a quarter.
// A search of these on one worker is split into shards all the same: a
// table grows by doubling, holding its old arrays and the new ones while
// it copies, and in shards a row's tables do not all grow at once (one
// thread, n = 29 and radius 1.55: 243 MiB at the peak against 342 in one
// piece; n = 26 and radius 1.55, 137 against 172; the time the same within
// a tenth, medians of seven).  The strips' rows hold a few thousand states
// at most, and the work each shard costs each row made them a fifth slower
// (n = 26 and radius 2.1, every search in eight shards: 0.23 s against
// 0.18 s).
bool widerows(const Lattice& lat) {
  int width = 0, rows = 0;
  for (int i = 0; i <= lat.n; ++i) {
    width = std::max(width, std::popcount(lat.borderok[i]));
    rows += lat.borderok[i] != 0;
  }
  return width >= rows;
}

Grouped::Grouped(const Lattice& l, const SearchOptions& lim)
    : lat(l),
      limits(lim),
      n(l.n),
      w(l.reach),
      pool(workers()),
      // A few shards a worker, so that one slow shard does not keep the
      // others waiting at the end of a row, and two workers rarely merge
      // into the same shard at once.  A beam's shards are its slices.
      // One worker splits only the rows that grow large (see widerows()).
      nshards(limits.beam        ? beamslices(limits.beam)
              : pool.size() == 1 ? (widerows(l) ? 8 : 1)
                                 : std::min(256, 8 * pool.size())),
      slicebeam(limits.beam ? (limits.beam + nshards - 1) / nshards : 0),
      folding(limits.fold && !limits.beam && looksturned(l)),
      imagelinks(folding && limits.trace) {
  PACKER_CHECK(w >= 1 && w <= n);
  // Every row of a successor window but the oldest must stay by the
  // row-distance rule, or the window would be too wide.
  PACKER_CHECK(w == 1 || staysafter(lat, 0, w - 2));
  spread[0] = kAxis;
  for (int t = 1; t <= w; ++t) {
    int least = 0;  // columns apart at t - 1 rows where centres fit
    while (least <= n && lat.intersectcircle[t - 1][least]) ++least;
    spread[t] = std::min(spread[t - 1], least);
  }
  // Rows less than a diameter apart conflict in one column, and a window
  // spans no more.
  PACKER_CHECK(spread[w] >= 1);
  trace.rows.resize(n + 1);
  trace.best.assign(n + 1, -1);
  // Only a square, which looks the same turned over, and only with a
  // count to reach; a beam keeps too few states for the argument.  The
  // turned rows are read from the groups' rows, which a window of one row
  // (radius up to 1) does not have.
  mirroring =
      limits.mirror && !limits.mincount.empty() && !limits.beam && w >= 2;
  for (int i = 0; i <= n && mirroring; ++i)
    mirroring = lat.borderok[i] == lat.borderok[n - i];
  if (mirroring) {
    mirror.resize(n + 1);
    kept.resize(nshards);
    mirrorscratch.resize(pool.size());
  }
  for (int s = 0; s < nshards; ++s) {
    prev.push_back(std::make_unique<Shard>());
    cur.push_back(std::make_unique<Shard>());
  }
  for (int k = 0; k < pool.size(); ++k)
    expanders.push_back(std::make_unique<Expander>(*this, k));
}

// A batch from the spares, or a new one: batches are made as the first
// rows need them, at most the workers' outboxes and full queues, and then
// reused.
std::unique_ptr<Batch> Grouped::sparebatch() {
  {
    std::lock_guard<std::mutex> hold(sparelock);
    if (!spares.empty()) {
      std::unique_ptr<Batch> b = std::move(spares.back());
      spares.pop_back();
      return b;
    }
  }
  auto b = std::make_unique<Batch>();
  b->keys.resize(kBatch * w);
  b->items.reserve(kBatch);
  return b;
}

void Grouped::returnbatch(std::unique_ptr<Batch> batch) {
  batch->items.clear();
  std::lock_guard<std::mutex> hold(sparelock);
  spares.push_back(std::move(batch));
}

int Grouped::shardof(const RowMask* key) const {
  if (nshards == 1) return 0;
  return static_cast<int>((hashkey(key + 1, w - 1) >> 40) % nshards);
}

const RowMask* Grouped::prevkey(int index) const {
  const int s = static_cast<int>(
      std::upper_bound(prevbase.begin(), prevbase.end(), index) -
      prevbase.begin() - 1);
  return prev[s]->keys.key(index - prevbase[s]);
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
  if (folding)  // the image's successors are the successors' images
    for (int d = 1; d < w; ++d)
      for (int col = 0; col <= n; ++col)
        PACKER_CHECK(turnmask(cover[d][col], n) == cover[d][n - col]);
  return any;
}

Trace Grouped::run() {
  std::vector<RowMask> empty(w, 0);
  for (auto& s : prev) s->keys.reset(w);
  Shard& start = *prev[shardof(empty.data())];
  bool inserted = false;
  start.keys.findorinsert(empty.data(), inserted);
  start.count.assign(1, 0);
  trace.best[0] = 0;
  prevbase.assign(nshards + 1, 0);
  for (int s = 0; s < nshards; ++s)
    prevbase[s + 1] = prevbase[s] + prev[s]->keys.size();
  const bool stopinside = limits.maxstates && !limits.refine && !limits.beam;
  for (int i = 1; i <= n; ++i) {
    rowbudget = stopinside ? limits.maxstates - trace.states : LLONG_MAX;
    const long long ahead = overbudget(i);
    if (ahead > 0 && !refine(i - 1, trace.states + ahead))
      return std::move(trace);
    fillrow(i);
    trace.filled = i;
    if (over.load(std::memory_order_relaxed)) {
      // What the row held when it stopped depends on the threads' timing;
      // this does not.
      trace.states = limits.maxstates + 1;
      trace.stopped = true;
      return std::move(trace);
    }
    if (limits.maxstates && trace.states > limits.maxstates &&
        !refine(i, trace.states))
      return std::move(trace);
  }

  // The final state: the most circles, then the first in Profile order;
  // folded, of every state and its image (trace.cr is then a link).
  std::vector<RowMask> best(w), turned(w);
  trace.folded = folding && limits.trace;
  for (int s = 0; s < nshards; ++s) {
    const Shard& last = *prev[s];
    for (int k = 0; k < last.keys.size(); ++k)
      for (int image = 0; image <= (folding ? 1 : 0); ++image) {
        const RowMask* key = last.keys.key(k);
        if (image) {
          turnkey(key, w, n, turned.data());
          key = turned.data();
        }
        if (last.count[k] > trace.sol || (last.count[k] == trace.sol &&
                                          profilebefore(key, best.data(), w))) {
          trace.sol = last.count[k];
          const int index = prevbase[s] + k;
          trace.cr = trace.folded ? 2 * index + image : index;
          std::copy(key, key + w, best.begin());
        }
      }
  }
  return std::move(trace);
}

// Calls limits.refine after `row` (Trace::stopped when there is none, or
// it stops the search).
bool Grouped::refine(int row, long long states) {
  const std::vector<int> before = limits.mincount;
  if (!(limits.refine && limits.refine(limits, row, states))) {
    trace.stopped = true;
    return false;
  }
  // States were dropped early by the counts of the rows to come.
  for (int j = row + 1; j <= n && !before.empty(); ++j)
    PACKER_CHECK(limits.mincount[j] >= before[j]);
  return true;
}

// Row i's estimated states, when it would take the search to twice its
// budget (else 0): then the bounds are refined before it is filled.  A
// search is given up between rows, and one row can hold several times the
// budget: at n = 40 and radius 1.06 the first search's third row held
// 12.2 million states for a budget of 2.6 million (9.5 s of a 28 s run),
// where after the refinement it held 0.1 million.  An estimate expands a
// 64th of the row's groups (estimaterow()), and rows are estimated only
// after one of 65,536 states or more that would need to grow less than
// sixteenfold to reach twice the budget.  Then the run took 14.6 s
// against 27.5 s (one thread), and at n = 34 and radius 2.121320 the first
// search filled 15.8 million states instead of 18.1.  A row that would
// just pass the budget is filled: it costs little more than the rows
// before it.
long long Grouped::overbudget(int i) {
  const long long parents = prevstates, twice = 2 * limits.maxstates;
  if (!limits.refine || !limits.maxstates || limits.beam || w == 1 ||
      parents < limits.estimatefrom || 16 * parents <= twice - trace.states)
    return 0;
  const long long states = estimaterow(i);
  return trace.states + states > twice ? states : 0;
}

// Row i's states, estimated: the successors of the groups whose surviving
// rows hash to 0 modulo `sample`, times `sample`: a power of two, one per
// 1,024 parents, up to 64.  The groups depend on the states alone, so the
// estimate is the same on every number of threads.  At n = 40 and radius
// 1.06 it found 12,202,432 states for a row of 12,193,046.
long long Grouped::estimaterow(int i) {
  const std::uint64_t sample =
      std::bit_floor(std::clamp<std::uint64_t>(prevstates / 1024, 1, 64));
  setrow(i);
  sampling = sample;
  for (auto& e : expanders) e->counted = 0;
  expandrow();
  sampling = 0;
  long long total = 0;
  for (auto& e : expanders) total += e->counted;
  return total * static_cast<long long>(sample);
}

// Keeps row i - 1's groups, turned over, in mirror[i - 1].
void Grouped::keepmirror() {
  MirrorRow& m = mirror[row - 1];
  m.reset(w, MirrorRow::depth(w));
  m.index(kept, pool, mirrorscratch);
}

void Grouped::setrow(int i) {
  row = i;
  // A folded link holds twice a parent's index.
  PACKER_CHECK(!folding || prevbase.back() < (1 << 30));
  // Row i - 1's states against row n - i turned over: kept before it.
  const int j = n - i;
  mirrored = mirroring && j >= 0 && j < i - 1 ? &mirror[j] : nullptr;
  mirrortarget = mirrored ? limits.mincount[n] : 0;
  keeping = mirroring && 2 * (i - 1) < n - 1;
  for (std::vector<MirrorEntry>& part : kept) part.clear();
  merging = computecover(i);
  rowmincount = limits.mincount.empty() ? 0 : limits.mincount[i];
  parentmincount = limits.mincount.empty() ? INT_MIN : limits.mincount[i - 1];
  aheadmincount = limits.mincount.empty() || i == n
                      ? INT_MIN
                      : limits.mincount[std::min(i + w, n)];
  floor.store(rowmincount, std::memory_order_relaxed);
}

// Expands row i - 1 into row i, as setrow() set it up.
void Grouped::expandrow() {
  nextshard.store(0, std::memory_order_relaxed);
  rowfill.store(0, std::memory_order_relaxed);
  auto expand = [&](int worker) {
    Expander& e = *expanders[worker];
    e.quit = false;
    for (int s; !e.quit && (s = nextshard.fetch_add(1)) < nshards;)
      e.expandshard(s);
    e.flush();
  };
  sharing = prevbase.back() >= kParallelRow && pool.size() > 1;
  if (!sharing) {
    expand(0);
  } else {
    pool.run(expand);
    // Batches queued after their owner had finished: usually none, or a
    // few, which the caller merges sooner than it could wake the workers.
    std::size_t queued = 0;
    for (auto& s : cur) queued += s->waiting.load(std::memory_order_relaxed);
    if (queued)
      eachshard(queued >= kParallelBatches,
                [&](int k, int worker) { expanders[worker]->mergeinbox(k); });
  }
}

void Grouped::fillrow(int i) {
  setrow(i);
  // Clearing a shard's index writes all its slots, so the workers share it
  // where the slots are many: they are as many as the largest row so far
  // needed, whatever the last one held.
  std::size_t slots = 0;
  for (auto& s : cur) slots += s->keys.slots();
  eachshard(slots >= kParallelSlots, [&](int k, int) {
    Shard& s = *cur[k];
    s.keys.reset(w);
    s.count.clear();
    s.links.papa.clear();
    s.links.placed.clear();
    s.links.papaflip.clear();
    if (folding && !merging) {
      s.paired.reset(w);
      s.pairedcount.clear();
      s.pairedlinks.papa.clear();
      s.pairedlinks.placed.clear();
      s.pairedlinks.papaflip.clear();
    }
    if (limits.trace) {  // rows are often about as long as the last
      s.links.papa.reserve(prevbase.back() / nshards);
      s.links.placed.reserve(prevbase.back() / nshards);
      if (folding) s.links.papaflip.reserve(prevbase.back() / nshards);
    }
    s.cut.store(CutMark::of(INT_MIN, 0), std::memory_order_relaxed);
    s.stands = 0;
    PACKER_CHECK(s.inbox.empty());  // every batch merged last row
  });
  expandrow();
  if (folding && !merging) appendpaired();

  if (limits.beam)
    eachshard(prevbase.back() >= kParallelRow, [&](int k, int worker) {
      keepbest(*cur[k], expanders[worker]->beamcounts,
               expanders[worker]->beamties);
    });
  long long states = 0;
  for (auto& s : cur) {
    states += limits.beam ? s->keys.size() : s->stands;  // a beam trims
    for (int c : s->count) trace.best[i] = std::max(trace.best[i], c);
  }
  prevstates = states;
  trace.states += states;
  reportrow(limits.phase, i, n, states);
  // The shards' links become the row's pieces, in shard order, which the
  // indices of the next row's parents follow (prevbase).  Copying them into
  // pieces of exactly their size instead, and keeping the buffers for the
  // next row, held more at the peak, not less (n = 34, radius 1.414213, two
  // threads: 3.4 GiB against 3.2; one thread: 2.9).
  if (limits.trace) {
    trace.rows[i].pieces.resize(nshards);
    for (int s = 0; s < nshards; ++s)
      std::swap(trace.rows[i].pieces[s], cur[s]->links);
  }
  for (int s = 0; s < nshards; ++s) {
    std::swap(prev[s], cur[s]);
    prev[s]->keys.handindex(cur[s]->keys);
    prevbase[s + 1] = prevbase[s] + prev[s]->keys.size();
  }
  if (mirrored) mirror[n - i].release();
  if (keeping && !over.load(std::memory_order_relaxed)) keepmirror();
}

// Merges one successor into its shard, whose lock the caller holds.
void Grouped::merge(Shard& to, const RowMask* key, const Pending& p,
                    Expander& e) {
  if (limits.beam) {
    // A beam's slice holds at most kBeamSlack times its share while it
    // fills: a row of 8,192 parents can have billions of successors (n =
    // 60 at radius 2.5: 3 GiB by row 7 before this), of which the beam
    // keeps only the best.
    if (static_cast<std::size_t>(to.keys.size()) >= kBeamSlack * slicebeam) {
      keepbest(to, e.beamcounts, e.beamties);
      raisefloor();
    }
    if (beamafter(p.val, p.hash, key,
                  CutMark::count(to.cut.load(std::memory_order_relaxed)),
                  to.cuthash, to.cutkey.data(), w))
      return;
  }
  const bool links = limits.trace;
  if (!merging && !p.paired) {
    PACKER_CHECK(!p.twin);  // its group's rows are their own image
    to.stands += folding ? 2 : 1;
    RowMask* stored = to.keys.append();
    for (int j = 0; j < w; ++j) stored[j] = key[j];
    to.count.push_back(p.val);
    if (links && folding) {
      to.links.placed.push_back(key[w - 1]);
      to.links.papa.push_back(p.ownlink());
      to.links.papaflip.push_back(p.imagelink());
    } else if (links) {
      to.links.papa.push_back(p.parent);
      to.links.placed.push_back(p.placed);
    }
    return;
  }
  KeyTable& table = merging ? to.keys : to.paired;
  std::vector<int>& count = merging ? to.count : to.pairedcount;
  TracePiece& out = merging ? to.links : to.pairedlinks;
  bool inserted = false;
  int k = table.findorinsert(key, p.hash, inserted);
  if (inserted) to.stands += folding && !p.twin ? 2 : 1;
  if (folding && links) {
    mergefolded(count, out, k, inserted, key, p, e);
    return;
  }
  if (inserted) {
    count.push_back(p.val);
    if (links) {
      out.papa.push_back(p.parent);
      out.placed.push_back(p.placed);
    }
    return;
  }
  if (!links) {
    count[k] = std::max(count[k], p.val);
    return;
  }
  PACKER_CHECK(out.placed[k] == p.placed);
  if (p.val > count[k] ||
      (p.val == count[k] &&
       profilebefore(prevkey(p.parent), prevkey(out.papa[k]), w))) {
    count[k] = p.val;
    out.papa[k] = p.parent;
  }
}

// Merges the links of a folded successor into state k, just inserted or
// not: the state and its image each keep the best of their candidates, the
// most circles and then the parent first in Profile order.  The successor
// as built has the parent p.parent, and its image that parent's image, the
// first in the order of images (p.parentflip); the key is the one of the
// two that comes first (p.turned: the image).  A twin, its own image, has
// both for parents, and both its links are the better.
void Grouped::mergefolded(std::vector<int>& count, TracePiece& out, int k,
                          bool inserted, const RowMask* key, const Pending& p,
                          Expander& e) {
  int own = p.ownlink(), other = p.imagelink();
  if (p.twin) own = other = e.before(other, own) ? other : own;
  if (inserted) {
    count.push_back(p.val);
    out.placed.push_back(key[w - 1]);
    out.papa.push_back(own);
    out.papaflip.push_back(other);
    return;
  }
  PACKER_CHECK(out.placed[k] == key[w - 1]);
  if (p.val < count[k]) return;
  if (p.val > count[k]) {
    count[k] = p.val;
    out.papa[k] = own;
    out.papaflip[k] = other;
    return;
  }
  if (e.before(own, out.papa[k])) out.papa[k] = own;
  if (e.before(other, out.papaflip[k])) out.papaflip[k] = other;
}

// Appends the states merged aside (Shard::paired) to their shards' rows.
void Grouped::appendpaired() {
  const bool links = limits.trace;
  for (auto& shard : cur) {
    Shard& s = *shard;
    for (int k = 0; k < s.paired.size(); ++k) {
      RowMask* stored = s.keys.append();
      const RowMask* key = s.paired.key(k);
      for (int j = 0; j < w; ++j) stored[j] = key[j];
      s.count.push_back(s.pairedcount[k]);
      if (links) {
        s.links.placed.push_back(s.pairedlinks.placed[k]);
        s.links.papa.push_back(s.pairedlinks.papa[k]);
        s.links.papaflip.push_back(s.pairedlinks.papaflip[k]);
      }
    }
  }
}

bool Expander::before(int a, int b) {
  RowMask* ta = turnedkeys.data();
  RowMask* tb = ta + g.w;
  const RowMask* ka = g.prevkey(a >> 1);
  const RowMask* kb = g.prevkey(b >> 1);
  if (a & 1) {
    turnkey(ka, g.w, g.n, ta);
    ka = ta;
  }
  if (b & 1) {
    turnkey(kb, g.w, g.n, tb);
    kb = tb;
  }
  return profilebefore(ka, kb, g.w);
}

// Raises the floor under every worker's successors to the least count
// any slice kept when it last trimmed, once all have: a successor with
// fewer circles is dropped by its own slice, whichever that is.  Cuts
// only rise, so one read while another slice trims only prunes less.
void Grouped::raisefloor() {
  int least = INT_MAX;
  for (auto& s : cur)
    least =
        std::min(least, CutMark::count(s->cut.load(std::memory_order_relaxed)));
  int now = floor.load(std::memory_order_relaxed);
  while (now < least && !floor.compare_exchange_weak(now, least)) {
  }
}

// Keeps the `slicebeam` states of a beam's slice that come first in the beam
// order (beamafter), dropping the rest with their links, and records the
// last one kept as the slice's cut: an arrival ranked after it is dropped.
// The kept keys are indexed for further merges.
//
// Each slice keeps exactly its best `slicebeam` of all the successors that
// reach it: trims while it fills keep them (its states' counts only rise,
// and any it would keep rank before a cut made earlier), so the states kept
// depend on neither the order successors arrive in nor the number of
// threads; the slices, and so what a beam keeps, depend on the beam's width
// alone (beamslices).  One order over the whole row would keep a slightly
// better beam, but a slice could then drop nothing until it alone held the
// whole beam: on two threads the beam at n = 26, radius 1.1, took longer
// than on one (0.16 s against 0.14 s).  The counts decide most of it; only
// the states at the count of the last one kept are ranked by hash.
void Grouped::keepbest(Shard& s, std::vector<int>& counts,
                       std::vector<BeamTie>& ties) {
  PACKER_CHECK(!folding);  // the images' links are not moved here
  const std::size_t keep = slicebeam;
  if (static_cast<std::size_t>(s.keys.size()) <= keep) return;
  counts.assign(s.count.begin(), s.count.end());
  std::nth_element(counts.begin(), counts.begin() + (keep - 1), counts.end(),
                   std::greater<>());
  const int threshold = counts[keep - 1];
  std::size_t above = 0;
  ties.clear();
  for (int k = 0; k < s.keys.size(); ++k) {
    if (s.count[k] > threshold) ++above;
    if (s.count[k] == threshold)
      ties.push_back({s.keys.hash(s.keys.key(k)), s.keys.key(k)});
  }
  PACKER_CHECK(above < keep && above + ties.size() >= keep);
  const std::size_t need = keep - above;  // ties to keep
  std::nth_element(ties.begin(), ties.begin() + (need - 1), ties.end(),
                   [&](const BeamTie& a, const BeamTie& b) {
                     return beamafter(threshold, b.hash, b.key, threshold,
                                      a.hash, a.key, w);
                   });
  // The last one kept, copied: its key moves while the slice compacts.
  const std::uint64_t cuthash = ties[need - 1].hash;
  s.cutkey.assign(ties[need - 1].key, ties[need - 1].key + w);
  const bool links = limits.trace;
  s.spare.reset(w);
  int at = 0;  // states kept so far; each moves down to index `at`
  for (int k = 0; k < s.keys.size(); ++k) {
    const RowMask* key = s.keys.key(k);
    // The hash decides only at the threshold's count.
    if (s.count[k] < threshold ||
        (s.count[k] == threshold &&
         beamafter(threshold, s.keys.hash(key), key, threshold, cuthash,
                   s.cutkey.data(), w)))
      continue;
    bool inserted = false;
    s.spare.findorinsert(key, inserted);
    s.count[at] = s.count[k];
    if (links) {
      s.links.papa[at] = s.links.papa[k];
      s.links.placed.set(at, s.links.placed[k]);
    }
    ++at;
  }
  s.count.resize(at);
  if (links) {
    s.links.papa.resize(at);
    s.links.placed.resize(at);
  }
  std::swap(s.keys, s.spare);
  s.cut.store(CutMark::of(threshold, cuthash), std::memory_order_relaxed);
  s.cuthash = cuthash;
}

Expander::Expander(Grouped& grouped, int k)
    : g(grouped),
      worker(k),
      successor(grouped.w),
      image(grouped.w),
      turnedkeys(2 * grouped.w) {
  for (int s = 0; s < g.nshards; ++s) outbox.push_back(g.sparebatch());
}

int Expander::roomfrom(int from) const {
  RowMask rest = from < 64 ? allowed >> from << from : 0;
  if (!rest) return 0;
  int span = 64 - std::countl_zero(rest) - std::countr_zero(rest);
  return (span - 1) / g.lat.gap + 1;
}

// Whether `need` columns of `cols` lie pairwise at least `spread` apart:
// the leftmost free column first, then the leftmost far enough from it,
// and so on, takes the most.  Counting them all instead, and comparing,
// took a tenth longer at n = 26, radii 1.55 and 2.1 (1.60 s against 1.44
// s, and 0.160 against 0.146 s, one thread, medians of seven).
bool spacedfit(RowMask cols, int spread, int need) {
  for (int k = 0; k < need; ++k) {
    if (!cols) return false;
    const int c = std::countr_zero(cols) + spread;
    cols = c < 64 ? cols >> c << c : 0;
  }
  return true;
}

// Whether the successor of the group being extended, with the pattern's
// first `depth` centres and `val` circles, can go at once: for some t,
// every successor it would have in row i + t has fewer than
// mincount[i + t] circles, so none survives there.  The centres of rows
// i + 1 .. i + t lie in columns clear of the successor's centres (the
// group's surviving rows, whose centres the pattern covers block no more,
// and the pattern) in their rows, and pairwise at least spread[t] columns
// apart: so there are at most as many as such columns of the union of
// those rows' free columns.  Dropping the successor changes nothing kept:
// a state it would have been the best parent of has the same bound, and
// so no successor in row i + t either.  At n = 29 and radius 1.55 this
// takes a third less memory and a quarter less time; at n = 30 and radius
// 1.1, four fifths and half.  Summing what each row takes on its own
// instead held a sixth more memory at n = 26, radius 1.55; taking the
// lesser of both cost 8 % more time there for no less memory; testing
// each pattern's whole subtree in extend(), with the most circles any
// extension can have, cost a fifth more time and dropped no more.
bool Expander::deadend(int depth, int val) const {
  RowMask any = 0;  // columns free in some row i + 1 .. i + t
  for (int t = 1; t <= g.w && g.row + t <= g.n; ++t) {
    any |= g.lat.borderok[g.row + t] & ~ahead[depth][t];
    if (!spacedfit(any, g.spread[t], g.limits.mincount[g.row + t] - val))
      return true;
  }
  return false;
}

// Expands every group of shard s of row i - 1.
void Expander::expandshard(int s) {
  parents = g.prev[s].get();
  shard = s;
  base = g.prevbase[s];
  if (parents->keys.size() == 0) return;
  groupparents();
  const int w = g.w;
  for (int k = 0; k < groups.size() && !quit; ++k) {
    int begin = groupstart[k];
    groupend = groupstart[k + 1];
    survivors = parents->keys.key(rankindex(ranked[begin])) + 1;
    pairedgroup = g.folding && !g.merging;
    for (int j = 0; j + 1 < w && pairedgroup; ++j)
      pairedgroup = turnmask(survivors[j], g.n) == survivors[j];
    ordergroup(begin, groupend);
    allowed = g.lat.borderok[g.row] & ~survivorsblock(0);
    // Parents come best first: when the last has the count of row i + w
    // already, so has every successor, and none is tested.
    lookahead = ordercount[groupend - 1] < g.aheadmincount;
    if (lookahead)
      for (int t = 1; t <= w; ++t) ahead[0][t] = survivorsblock(t);
    for (int d = 0; d < w; ++d) covered[0][d] = 0;
    mincount = std::max(g.rowmincount, g.floor.load(std::memory_order_relaxed));
    extend(0, 0, 0, begin, begin);
  }
}

// The parents' groups (by their surviving rows), then a counting sort that
// lays their sort keys out group by group.  Both passes read the parents
// in storage order.  `order` holds each parent's group until ordergroup()
// fills it, which saves a vector as long.
//
// A parent with fewer circles than the count of its own row is left out:
// the bounds drop it (bounds.cpp), whatever bounds it was made with.  Rows
// are cut by their counts as they fill, so there is none but in the row a
// search goes on from with better bounds (SearchOptions::refine).  At n =
// 34 and radius 1.414213 that row held 20 million states, and expanding
// them all took 6 s, where the bounds kept a few hundred thousand
// successors.  A row being estimated leaves out the groups not in its
// sample (Grouped::estimaterow()).
void Expander::groupparents() {
  const int count = parents->keys.size();
  groups.reset(g.w - 1);
  order.resize(count);
  std::vector<int>& groupof = order;  // -1: left out
  for (int j = 0; j < count; ++j) {
    const RowMask* surviving = parents->keys.key(j) + 1;
    const bool out =
        parents->count[j] < g.parentmincount ||
        (g.sampling && hashkey(surviving, g.w - 1) % g.sampling != 0) ||
        (g.mirrored && !g.mirrored->fits(g.lat, g.row - 1, parents->keys.key(j),
                                         g.mirrortarget - parents->count[j],
                                         g.mirrorscratch[worker]));
    bool inserted = false;
    groupof[j] = out ? -1 : groups.findorinsert(surviving, inserted);
  }
  groupstart.assign(groups.size() + 1, 0);
  for (int j = 0; j < count; ++j)
    if (groupof[j] >= 0) ++groupstart[groupof[j] + 1];
  if (g.keeping && !g.sampling) {
    groupbest.assign(groups.size(), INT_MIN);
    for (int j = 0; j < count; ++j)
      if (groupof[j] >= 0)
        groupbest[groupof[j]] =
            std::max(groupbest[groupof[j]], parents->count[j]);
    // A group's rows are key[1..w-1]: the newest at w - 2.
    std::vector<MirrorEntry>& part = g.kept[shard];
    const bool older = MirrorRow::depth(g.w) == 2;
    for (int k = 0; k < groups.size(); ++k) {
      const RowMask* rows = groups.key(k);
      const RowMask newest = rows[g.w - 2], before = older ? rows[g.w - 3] : 0;
      part.push_back({newest, before, groupbest[k]});
      // Folded, the group's image stands for the images of its parents.
      if (g.folding)
        part.push_back(
            {turnmask(newest, g.n), turnmask(before, g.n), groupbest[k]});
    }
  }
  for (int k = 0; k < groups.size(); ++k) groupstart[k + 1] += groupstart[k];
  const int kept = groupstart[groups.size()];
  ranked.resize(kept);
  nextfree.assign(groupstart.begin(), groupstart.end() - 1);
  if (g.imagelinks) {
    rankedflip.resize(kept);
    orderflip.resize(kept);
    oldblockflip.resize(kept);
  }
  for (int j = 0; j < count; ++j)
    if (groupof[j] >= 0) {
      const int at = nextfree[groupof[j]]++;
      ranked[at] = rank(j);
      if (g.imagelinks) rankedflip[at] = rankflip(j);
    }
  oldblock.resize(kept);
  ordercount.resize(kept);
}

// Parent j's sort key within its group: larger is better.  Parents of one
// group differ only in their oldest row.  When the rows after it are not
// all empty, the parent holding the lowest differing column of that row
// comes first in Profile order: the one whose bit-reversed oldest row is
// larger.  So one integer orders by count, then Profile, and the sort
// compares integers instead of chasing two Profiles per comparison (the
// comparator form is profilebefore(), used when that condition fails); the
// parent's index rides along below.
Rank Expander::rank(int j) const {
  static_assert(kAxis <= 64, "a row's columns fit the middle field");
  return Rank(parents->count[j]) << kCountShift |
         Rank(reversebits(parents->keys.key(j)[0])) << kIndexBits | Rank(j);
}

// The same for parent j's image: its oldest row turned, then bit-reversed,
// is the oldest row shifted up (ordergroup() shifts it back).
Rank Expander::rankflip(int j) const {
  return Rank(parents->count[j]) << kCountShift |
         Rank(parents->keys.key(j)[0] << (63 - g.n)) << kIndexBits | Rank(j);
}

// Puts the parents of one group (ranked[begin..end), sharing `survivors`)
// in order into `order`, count descending, then Profile ascending, and the
// columns their oldest rows block into `oldblock`.
void Expander::ordergroup(int begin, int end) {
  const int w = g.w;
  bool goeson = std::any_of(survivors, survivors + w - 1,
                            [](RowMask m) { return m != 0; });
  if (goeson) {
    std::sort(ranked.begin() + begin, ranked.begin() + end, std::greater<>());
    for (int pos = begin; pos < end; ++pos) {
      order[pos] = rankindex(ranked[pos]);
      ordercount[pos] = rankcount(ranked[pos]);
      // The oldest row rides in the key too; decoding it saves a cache
      // miss per parent over reading the parent's key.
      oldblock[pos] = blockedby(rankoldest(ranked[pos]), w);
    }
    if (g.imagelinks) {
      std::sort(rankedflip.begin() + begin, rankedflip.begin() + end,
                std::greater<>());
      for (int pos = begin; pos < end; ++pos) {
        orderflip[pos] = rankindex(rankedflip[pos]);
        const RowMask shifted =
            static_cast<RowMask>(rankedflip[pos] >> kIndexBits);
        oldblockflip[pos] = blockedby(shifted >> (63 - g.n), w);
      }
    }
    return;
  }
  // Nothing after the oldest row: a proper prefix comes first, which the
  // integer key does not see, so compare whole Profiles.
  for (int pos = begin; pos < end; ++pos) order[pos] = rankindex(ranked[pos]);
  std::sort(order.begin() + begin, order.begin() + end, [&](int a, int b) {
    if (parents->count[a] != parents->count[b])
      return parents->count[a] > parents->count[b];
    return profilebefore(parents->keys.key(a), parents->keys.key(b), w);
  });
  for (int pos = begin; pos < end; ++pos) {
    ordercount[pos] = parents->count[order[pos]];
    oldblock[pos] = blockedby(parents->keys.key(order[pos])[0], w);
  }
  if (!g.imagelinks) return;
  for (int pos = begin; pos < end; ++pos) orderflip[pos] = order[pos];
  RowMask* ta = turnedkeys.data();
  RowMask* tb = ta + w;
  std::sort(orderflip.begin() + begin, orderflip.begin() + end,
            [&](int a, int b) {
              if (parents->count[a] != parents->count[b])
                return parents->count[a] > parents->count[b];
              turnkey(parents->keys.key(a), w, g.n, ta);
              turnkey(parents->keys.key(b), w, g.n, tb);
              return profilebefore(ta, tb, w);
            });
  for (int pos = begin; pos < end; ++pos)
    oldblockflip[pos] = blockedby(parents->keys.key(orderflip[pos])[0], w);
}

// The columns of row i where a circle would overlap one of the centres
// `cells` of the row `offset` rows back.
RowMask Expander::blockedby(RowMask cells, int offset) const {
  RowMask block = 0;
  for (; cells; cells &= cells - 1)
    block |= g.lat.blocks[offset][std::countr_zero(cells)];
  return block;
}

// Extends pattern m, which holds `depth` centres, by columns from `from` on.
// The columns of row i + t where a circle would overlap one of the group's
// surviving rows (t = 0: the row being filled).  Row i + t lies t + w - 1 -
// j rows after survivors[j]; rows further apart than w never overlap.
RowMask Expander::survivorsblock(int t) const {
  RowMask block = 0;
  for (int j = std::max(0, t - 1); j + 1 < g.w; ++j)
    block |= blockedby(survivors[j], t + g.w - 1 - j);
  return block;
}

void Expander::extend(int depth, RowMask m, int from, int first,
                      int firstflip) {
  emit(depth, m, first, firstflip);
  RowMask next = from < 64 ? allowed >> from << from : 0;
  for (; next && !quit; next &= next - 1) {
    const int c = std::countr_zero(next);
    const RowMask grown = m | RowMask{1} << c;
    int f = first;
    while (f < groupend && (oldblock[f] & grown)) ++f;
    if (f == groupend) continue;  // no parent takes it, nor any extension
    // Parents come best first, so no extension finds a parent with more
    // circles than f, nor more centres than fit from c + gap on.
    if (ordercount[f] + depth + 1 + roomfrom(c + g.lat.gap) < mincount)
      continue;
    for (int d = 1; d < g.w; ++d)
      covered[depth + 1][d] = covered[depth][d] | g.cover[d][c];
    if (lookahead)
      for (int t = 1; t <= g.w; ++t)
        ahead[depth + 1][t] = ahead[depth][t] | g.lat.blocks[t][c];
    // The first image to take it: the same parents take it, in another
    // order.
    int ff = firstflip;
    if (g.imagelinks)
      while (oldblockflip[ff] & grown) ++ff;
    extend(depth + 1, grown, c + g.lat.gap, f, ff);
  }
}

void Expander::emit(int depth, RowMask m, int first, int firstflip) {
  const int w = g.w;
  const int parent = order[first];
  const int val = ordercount[first] + depth;  // depth: centres in m
  if (val < mincount) return;                 // see SearchOptions::mincount
  if (lookahead && val < g.aheadmincount && deadend(depth, val)) return;
  if (g.sampling) {                // Grouped::estimaterow()
    counted += g.folding ? 2 : 1;  // as Shard::stands counts, but twins
    return;
  }
  RowMask* succ = successor.data();
  for (int j = 0; j + 1 < w; ++j)
    succ[j] =
        g.merging ? survivors[j] & ~covered[depth][w - 1 - j] : survivors[j];
  succ[w - 1] = m;
  const RowMask* key = succ;
  bool turned = false, twin = false;
  if (g.folding) {
    // Keys compare from their second row on, then by the first (see
    // "Folding" above).  The image is turned as far as they compare.
    RowMask* turn = image.data();
    int at = 1 % w;  // the row compared
    for (int k = 0; k < w; ++k, at = at + 1 == w ? 0 : at + 1) {
      turn[at] = turnmask(succ[at], g.n);
      if (turn[at] != succ[at]) break;
    }
    twin = turn[at] == succ[at];
    turned = turn[at] < succ[at];
    if (turned) {
      turnkey(succ, w, g.n, turn);
      key = turn;
    }
  }
  const int dest = g.shardof(key);
  // Appended keys need no hash, unless a beam ranks them by it or they
  // merge aside (Shard::paired).
  const bool hashed = g.merging || g.limits.beam || pairedgroup;
  const std::uint64_t hash = hashed ? hashkey(key, w) : 0;
  // A beam's successor that ranks after its slice's cut, as last read,
  // ranks after the cut the slice has when it arrives (cuts only rise),
  // and would be dropped there (Grouped::merge()); so it is not sent.  The
  // slice keeps the same states: every trim keeps the best `slicebeam` of
  // what reached it, and the dropped ones rank after that many already.
  // At n = 26 and radius 1.1 two fifths of the beam's successors go so,
  // and the beam of 8,192 states took 0.155 s on two threads against 0.160
  // s sending them all (medians of six pairs of five runs).
  if (g.limits.beam && g.limits.dropearly &&
      CutMark::after(g.cur[dest]->cut.load(std::memory_order_relaxed), val,
                     hash))
    return;
  Batch& box = *outbox[dest];
  RowMask* stored = &box.keys[box.items.size() * w];
  for (int j = 0; j < w; ++j) stored[j] = key[j];
  box.items.push_back({hash, val, base + parent, m,
                       g.imagelinks ? base + orderflip[firstflip] : 0, turned,
                       twin, pairedgroup});
  if (box.items.size() == kBatch) deliver(dest);
}

// Sends the successors waiting for shard `dest` on: merges them, where
// this worker owns the shard or its queue is full, else queues them for
// the owner; then merges what others queued for this worker's shards.
void Expander::deliver(int dest) {
  Shard& to = *g.cur[dest];
  bool queued = false;
  if (g.sharing && g.ownerof(dest) != worker) {
    std::lock_guard<std::mutex> hold(to.inboxlock);
    if (to.inbox.size() < kQueued) {
      to.inbox.push_back(std::move(outbox[dest]));
      to.waiting.store(static_cast<int>(to.inbox.size()),
                       std::memory_order_relaxed);
      queued = true;
    }
  }
  if (queued) {
    outbox[dest] = g.sparebatch();
  } else {
    mergebatch(dest, *outbox[dest]);
    outbox[dest]->items.clear();
  }
  mergeowned();
  quit = g.over.load(std::memory_order_relaxed);
  // A beam's trim may have raised the floor: the group being extended
  // prunes with it at once (a single group can be the whole row).
  mincount = std::max(mincount, g.floor.load(std::memory_order_relaxed));
}

void Expander::mergebatch(int dest, const Batch& batch) {
  Shard& to = *g.cur[dest];
  const std::size_t count = batch.items.size();
  constexpr std::size_t kAhead = 8;
  std::lock_guard<std::mutex> hold(to.lock);
  const long long before = to.stands;
  for (std::size_t q = 0; q < count; ++q) {
    if (g.merging && q + kAhead < count)
      to.keys.prefetch(batch.items[q + kAhead].hash);
    g.merge(to, &batch.keys[q * g.w], batch.items[q], *this);
  }
  if (g.rowbudget == LLONG_MAX) return;
  const long long added = to.stands - before;
  if (g.rowfill.fetch_add(added, std::memory_order_relaxed) + added >
      g.rowbudget)
    g.over.store(true, std::memory_order_relaxed);
}

// Merges the batches queued for shard s.
void Expander::mergeinbox(int s) {
  Shard& to = *g.cur[s];
  for (;;) {
    std::unique_ptr<Batch> batch;
    {
      std::lock_guard<std::mutex> hold(to.inboxlock);
      if (to.inbox.empty()) return;
      batch = std::move(to.inbox.back());
      to.inbox.pop_back();
      to.waiting.store(static_cast<int>(to.inbox.size()),
                       std::memory_order_relaxed);
    }
    mergebatch(s, *batch);
    g.returnbatch(std::move(batch));
  }
}

void Expander::mergeowned() {
  for (int s = worker; s < g.nshards; s += g.pool.size())
    if (g.cur[s]->waiting.load(std::memory_order_relaxed)) mergeinbox(s);
}

void Expander::flush() {
  for (int s = 0; s < g.nshards; ++s)
    if (!outbox[s]->items.empty()) deliver(s);
  mergeowned();
}

}  // namespace

Trace searchgrouped(const Lattice& lat, const SearchOptions& limits) {
  return Grouped(lat, limits).run();
}

}  // namespace packer
