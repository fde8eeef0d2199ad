// The grouped search with states dropped by bounds.
//
// Let OPT be the optimum, LB <= OPT a lower bound on it, and U[i] an upper
// bound on the circles rows i+1..n can hold on their own.
// The search drops every state of row i with count c < LB - U[i].  The
// printed answer stays exactly the one the full search prints:
//
// - Every state s on the printed path (row i, count c) is kept.  The path
//   goes on from s to the final state, whose count is OPT, by adding
//   circles in rows i+1..n only, and those form a packing of those rows:
//   OPT - c <= U[i], so c >= OPT - U[i] >= LB - U[i].
// - Each of them keeps its count and its parent.  Induction along the path:
//   s's parent p in the full search is on the path, so kept with its full
//   count.  The other candidates for s that survive are a subset of the
//   full search's, with counts no higher than there (a dropped ancestor
//   can only lower a count).  One that beat p here (a higher count, or an
//   equal one and earlier in Profile order) would have beaten p in the
//   full search too.
// - The final state is chosen as in the full search: it has count OPT; any
//   other state with count OPT here has count OPT in the full search too,
//   so none earlier in Profile order exists.
//
// So only states on no optimal path go, and they change nothing printed.
// (The search also drops a state early when none of its successors a few
// rows on could pass that test there: grouped.cpp, deadend().)
//
// LB may also be a guess: if the search with it ends on a packing of at
// least LB circles, then OPT >= LB, so LB was a lower bound after all and
// the answer is exact.  Otherwise it is searched again with a lower guess,
// down to the count of a packing actually found, which always succeeds.
//
// Nothing above needs one U or one LB for all rows: row i may be cut with
// any upper bound U[i] and any guess no higher than the one the last row
// is cut with.  So a search may go on with better bounds or a higher guess
// from the row it has reached: if it ends on at least the last guess, that
// guess and every earlier one was at most OPT, and the argument holds row
// by row; if not, OPT lies below the last guess.
//
// The count alone needs less.  Let B be the count of a packing found (the
// beam's), and run the search with a guess G > B as above.  If OPT >= G,
// every state on an optimal path is kept, as shown, and the search ends on
// OPT; if OPT < G, it ends below G, since every packing it finds is one.
// So a search that ends below G = B + 1 proves OPT = B without any state
// that merely ties B: where many packings are optimal (n = 33 at radius
// 1.46), those are nearly all the states the printed answer needs.  More
// generally the failed guesses give a ceiling C >= OPT, and the count is
// proven once a packing of C circles is found: wider beams look for one.
#include <algorithm>
#include <bit>
#include <climits>
#include <functional>
#include <mutex>

#include "check.h"
#include "fastsearch.h"
#include "workers.h"

namespace packer {

namespace {

constexpr int kNone = INT_MAX / 4;  // no bound known

// rowsafter(lat)[i]: how many of the rows i+1..n admit centres.
std::vector<int> rowsafter(const Lattice& lat) {
  std::vector<int> after(lat.n + 1);
  for (int i = lat.n, count = 0; i >= 0; --i) {
    after[i] = count;
    if (i >= 1 && lat.borderok[i] != 0) ++count;
  }
  return after;
}

// strip[len]: at least the most circles any `len` consecutive rows that
// admit centres can hold: exactly, from the search on the strip turned a
// quarter (few states while len is small, about 1.8 times as many for each
// row taller); for longer runs of rows, a bound proven by failed guesses
// (tighten(), disprove()), or the least sum over a split of the strip
// into two rectangles, across or along.  The rectangles come free with
// the strips searched whole: the first k rows of a strip turned a quarter
// are a rectangle of k of the square's columns, and the most they hold is
// the best count of the search's row k.  Splitting along the strip into
// two rectangles of full height loses less than splitting it across into
// two shorter strips: at n = 26 and radius 1.55 the first guess then held
// 0.69 million states instead of 1.14.  upper[i], for rows i+1..n, is the
// strip bound of the rows among them that admit centres.
class StripBounds {
 public:
  explicit StripBounds(const Lattice& lat)
      : lat(lat),
        rows(centrerows(lat).count),
        exact(rows + 1, kNone),
        stripstates(rows + 1, 0),
        strip(rows + 1),
        known(rows + 1, std::vector<int>(rows + 1, kNone)),
        rect(rows + 1, std::vector<int>(rows + 1, kNone)),
        tightened(rows + 1, -1),
        upper(lat.n + 1),
        below(rowsafter(lat)) {
    exact[0] = 0;
    strips.trace = false;
    strips.phase = "upper bounds";
    // A strip's rows are the square's columns: as many admit centres as
    // rows do, and no more (a lattice cut short is no square).
    PACKER_CHECK(std::popcount(centrerows(lat).cols) == rows);
  }

  // Searches taller strips until their states reach `budget`, then
  // updates the bounds.
  //
  // The strips are independent searches, so they are bought in rounds, the
  // strips of a round at once, one a worker: a short strip's rows hold too
  // few states to share among workers (grouped.cpp), and at n = 26 and
  // radius 2.1 the strips took a sixth of the run (0.023 s of 0.15), on one
  // core while the other waited.  A round holds the strips that buying them
  // one at a time (the next while the states so far are under budget) would
  // buy were each to cost twice the last; they cost about 1.8 times as much,
  // so a round seldom buys one that rule would not.  The rounds depend on
  // the states alone, so every number of threads buys the same strips.
  void buy(long long budget) {
    while (!guessed && done < rows && spent < budget) {
      int last = done + 1;  // the round is done+1..last
      long long expect = spent, cost = done ? stripstates[done] : 0;
      while (last < rows && cost > 0 && (expect += (cost *= 2)) < budget)
        ++last;
      const int count = last - done;
      if (count == 1) {  // its rows shared among the workers
        searchstrip(last);
      } else {
        // Tallest first: it takes the longest.
        workers().forchunks(count, 1, [&](std::size_t k, std::size_t, int) {
          Workers alone(1);
          UseWorkers use(alone);
          searchstrip(last - static_cast<int>(k));
        });
      }
      for (int h = done + 1; h <= last; ++h) spent += stripstates[h];
      done = last;
    }
    settle();
  }

  // Lowers the bounds of the strips too tall to search whole, shortest
  // first, by failed guesses on each strip turned a quarter (its rows are
  // the square's columns), cut below each of its rows by the rectangle of
  // the columns after it: exact while the narrower side was searched whole
  // (searchstrip()), so a guess above what the strip holds dies within a
  // few rows.  Turned, a strip's rows are as wide as the strip is tall, not
  // the square, and hold far fewer states than disprove()'s guesses on the
  // square's first rows: at n = 26 and radius 1.55, with 14 strips searched
  // whole, 37 circles in 15 rows was disproved in 23,833 states turned, and
  // not within 262,144 on the rows.  A narrow beam's packing of the strip
  // ends the guesses once they reach it; a guess it does not reach may hold
  // `tightenstates` states, or four times those of the last that failed,
  // and the first not disproved within that ends the strip's guesses.  The
  // guesses of all strips hold at most `allowance` states.  Only strips of
  // rows from+1..n are guessed: a search under way can use no taller one.
  // A strip is guessed again only once more strips have been searched
  // whole, and never once its bound is its beam's count.
  //
  // The strips' guesses are independent but for the states they may hold
  // together, so the results are applied in the order of the strips as one
  // worker would have applied them, whatever order they were made in: a
  // strip guessed while earlier ones are still running is searched with
  // all the states left then, its guesses cut back when applied to those
  // left when it starts in that order (each guess depends on the strip's
  // earlier ones alone), and dropped if none are left.  So every number of
  // threads bounds alike; only the states of a strip searched for nothing,
  // or of a guess cut back, are spent in vain.
  //
  // The guesses are made in two rounds.  In the first the workers take
  // strips in turn, tallest first, each strip's guesses on one worker,
  // up to the first guess whose budget is over `tightenstates`: those are
  // many small searches, whose rows hold a few thousand states, too few
  // to share, and taking the costly strips first leaves the cheap ones to
  // even out the workers' ends.  In the second the strips' larger guesses
  // are made in order, each on all the workers at once, its rows large
  // enough to share.  Guessing each strip whole on one worker held two
  // strips' largest guesses at once: at n = 26 and radius 1.75 on two
  // threads, 27 MiB against 20 on one, each of those guesses some 240,000
  // states.  Sharing every guess's rows instead was slow, most rows
  // holding a few thousand states (0.145 s on two threads against 0.19 s
  // on one, an earlier version).  In two rounds the phase takes 0.071 s
  // on two threads against 0.123 s on one, as strip by strip did, and the
  // run 20 MiB.  The first round may spend states past the allowance, as
  // its strips do not wait for the shorter ones to be applied, but only on
  // guesses of at most `tightenstates`; the second takes the strips in
  // order and knows the states left.
  void tighten(const BoundsBudget& budget, long long allowance, int from) {
    if (guessed) return;
    std::vector<int> lens;  // the strips to guess, shortest first
    for (int len = done + 1; len <= below[from]; ++len)
      if (tightened[len] < done) lens.push_back(len);
    std::vector<StripGuesses> tried(lens.size());
    std::size_t taken = 0, applied = 0;
    long long used = 0;
    std::mutex lock;  // guards the four above
    // Applies the strips guessed whole, in order, while states are left.
    auto apply = [&] {
      for (; applied < lens.size() && tried[applied].done && used < allowance;
           ++applied) {
        const int len = lens[applied];
        const StripGuesses& t = tried[applied];
        tightened[len] = done;
        used += t.beamstates;
        for (const Guess& g : t.guesses) {
          if (used >= allowance) break;
          used += g.states;
          if (!g.failed) break;
          known[len][rows] = g.guess - 1;
        }
        if (std::min(strip[len], known[len][rows]) <= t.found)
          tightened[len] = rows;  // exact: never again
      }
    };
    workers().run([&](int) {
      Workers alone(1);
      UseWorkers use(alone);
      for (;;) {
        std::size_t k;
        long long left;
        {
          std::lock_guard<std::mutex> hold(lock);
          apply();
          if (taken == lens.size() || used >= allowance) return;
          k = lens.size() - ++taken;  // tallest first
          left = allowance - used;
        }
        StripGuesses t;
        guessstrip(lens[k], budget, left, budget.tightenstates, t);
        std::lock_guard<std::mutex> hold(lock);
        tried[k] = std::move(t);
      }
    });
    for (std::size_t k = 0; k < lens.size(); ++k) {
      apply();
      if (used >= allowance) break;
      if (!tried[k].done)
        guessstrip(lens[k], budget, allowance - used, LLONG_MAX, tried[k]);
    }
    apply();
    settle();
  }

  // Bounds the strips too long to have been searched whole by failed
  // guesses, shortest first, up to as many rows as rows from+1..n admit
  // centres in, and updates the bounds.  After this no strip is searched
  // whole again; a later call guesses the longer strips left.
  void disproverest(const BoundsBudget& budget, int from) {
    for (int len = done + 1; len <= below[from]; ++len) {
      settle();  // the shorter bounds just fell
      exact[len] = disprove(len, budget);
    }
    done = std::max(done, below[from]);
    guessed = true;
    settle();
  }

  // Whether no bound will fall any more: every strip is searched whole or
  // bounded by guesses.
  bool complete() const { return done == rows; }
  // Whether the bounds of rows i+1..n will fall no more.
  bool settled(int i) const { return done >= below[i]; }
  long long states() const { return spent; }
  int above(int i) const { return upper[i]; }

 private:
  // A guess's search that was stopped (stopsalike()).
  struct Stopped {
    std::vector<int> mincount;  // its counts
    long long maxstates;        // its budget
    int row;                    // the row it stopped in
    int len;                    // the rows its cut kept that admit centres
  };

  // A guess of tighten() on a strip: its states, and whether it failed
  // (else it was stopped, or the strip holds the guess).
  struct Guess {
    int guess;
    long long states;
    bool failed;
  };
  // One strip's guesses, from strip[len] down, after its narrow beam, and
  // where they stopped for a later round.
  struct StripGuesses {
    int found = 0;             // the beam's count
    long long beamstates = 0;  // the beam's states
    std::vector<Guess> guesses;
    bool done = false;     // no guess is left to make
    bool begun = false;    // the beam has run: the fields below are set
    int next = 0;          // the guess to make next
    long long used = 0;    // the states of the beam and the guesses
    long long failed = 0;  // states of the last guess disproved
  };

  // The guesses of tighten() on the strip of `len` rows, turned a quarter
  // (see there), holding at most about `left` states in all: guesses stop
  // once they have held that many.  Goes on from where `result` stopped,
  // and stops before a guess whose budget is over `largest`.
  void guessstrip(int len, const BoundsBudget& budget, long long left,
                  long long largest, StripGuesses& result) const {
    const Lattice turned = transposedstrip(lat, len);
    // after[i]: the columns after column i (the turned strip's rows) that
    // admit centres.
    const std::vector<int> after = rowsafter(turned);
    SearchOptions beam = strips;
    beam.phase = "strip guesses";
    beam.beam = budget.narrow;
    if (!result.begun) {
      const Trace found = searchgrouped(turned, beam);
      result.found = found.sol;
      result.beamstates = result.used = found.states;
      result.next = strip[len];
      result.begun = true;
    }
    SearchOptions test = beam;
    test.beam = 0;
    test.mirror = budget.mirror;
    test.fold = budget.fold;
    test.mincount.resize(lat.n + 1);
    for (; result.next > result.found && result.used < left; --result.next) {
      const int guess = result.next;
      test.maxstates = std::max(budget.tightenstates, 4 * result.failed);
      if (test.maxstates > largest) return;
      for (int i = 0; i <= lat.n; ++i)
        test.mincount[i] = guess - rect[len][after[i]];
      const Trace t = searchgrouped(turned, test);
      result.used += t.states;
      const bool fails = !t.stopped && t.sol < guess;
      result.guesses.push_back({guess, t.states, fails});
      if (!fails) break;
      result.failed = t.states;
    }
    result.done = true;
  }

  // Searches the strip of `height` rows whole.  Its rows are the square's
  // columns, so the most its first k rows that admit centres hold is the
  // most a rectangle of `height` rows and k columns holds.
  void searchstrip(int height) {
    const Lattice turned = transposedstrip(lat, height);
    Trace t = searchgrouped(turned, strips);
    exact[height] = t.sol;
    stripstates[height] = t.states;
    for (int i = 1, k = 0; i <= lat.n; ++i)
      if (turned.borderok[i] != 0) known[height][++k] = t.best[i];
  }

  // The bounds from what is known: rect[a][b] is the least of what is
  // known of a rows and b columns (or b rows and a columns, the same
  // shape turned) and of every split of either side in two; strip[len] is
  // rect[len][rows], and upper[] follows.
  void settle() {
    for (int a = 0; a <= rows; ++a) rect[a][0] = rect[0][a] = 0;
    for (int sum = 2; sum <= 2 * rows; ++sum)
      for (int a = std::max(1, sum - rows); a <= std::min(rows, sum - 1); ++a) {
        const int b = sum - a;
        int least = std::min(known[a][b], known[b][a]);
        if (b == rows) least = std::min(least, exact[a]);
        if (a == rows) least = std::min(least, exact[b]);
        for (int s = 1; s < a; ++s)
          least = std::min(least, rect[s][b] + rect[a - s][b]);
        for (int s = 1; s < b; ++s)
          least = std::min(least, rect[a][s] + rect[a][b - s]);
        rect[a][b] = least;
      }
    for (int len = 0; len <= rows; ++len) strip[len] = rect[len][rows];
    for (int i = 0; i <= lat.n; ++i) upper[i] = strip[below[i]];
  }

  // A bound for `len` rows, proven by guesses from strip[len] (the split
  // bound) down.  The rows form a lattice of their own, firstrows(): the
  // square without the rows after them.  The bounded search of it with guess G,
  // cut below each row by the shorter strips' bounds, keeps every packing of G
  // circles if one exists (see above), so one that ends below G proves the rows
  // hold at most G - 1.  A guess the rows can hold makes the search keep every
  // state on their best packings, many times the states of a failing one
  // (at n = 34 and radius 1.581138, 47 million against 0.3), so each
  // guess may hold at most `budget.guessstates` or four times the states
  // of the last that failed, and the first guess not disproved within that
  // ends the bounding.
  int disprove(int len, const BoundsBudget& budget) {
    const Lattice cut = firstrows(lat, len);
    SearchOptions test;
    test.trace = false;
    test.fold = budget.fold;
    test.phase = "strip guesses";
    test.mincount.resize(lat.n + 1);
    int bound = strip[len];
    long long failed = 0;  // states of the last guess disproved
    for (int guess = bound; guess > 0; --guess) {
      // Of rows i+1..n, the cut keeps those among its first `len`; where it
      // keeps all, guess - strip[len] <= 0 drops nothing.  A count below
      // zero drops nothing, as zero does: written as zero, two guesses'
      // counts compare as their searches do (stopsalike()).
      for (int i = 0; i <= lat.n; ++i)
        test.mincount[i] =
            std::max(0, guess - strip[std::max(0, below[i] - (rows - len))]);
      test.maxstates = std::max(budget.guessstates, 4 * failed);
      if (budget.recall && stopsalike(test, len, budget.stopslack)) {
        spent += test.maxstates + 1;  // as searching it would count
        break;
      }
      Trace t = searchgrouped(cut, test);
      spent += t.states;
      if (t.stopped)
        stopped.push_back({test.mincount, test.maxstates, t.filled, len});
      if (t.stopped || t.sol >= guess) break;
      bound = guess - 1;
      failed = t.states;
    }
    return bound;
  }

  // Whether a guess's search would stop as one already stopped did, or, with
  // `slack`, very likely would.  Filling row i reads the counts of rows
  // i - 1 to i + reach (the parents expanded, the row's own, and the
  // look-ahead's) and the lattice's rows 1 to i + reach.  So a search with
  // counts no higher on rows 0 to r + reach, r the row the other stopped
  // in, on a cut that keeps the same rows 1 to r + reach, keeps every state
  // the other kept in rows 1 to r, with as many circles or more (a state
  // is dropped only for having fewer than a count); with a budget no
  // larger, it stops by row r too.  A guess stopped counts its budget plus
  // one as its states (grouped.cpp), so one not searched buys exactly what
  // searching it would.  The strips' last guesses are often such: at n = 34
  // and radius 1.414213 sixteen strips' last guesses each filled the same
  // first rows, 0.76 s each, and at n = 40 and radius 1.06 sixteen of
  // nineteen guesses stopped in their first rows, of 2.6 to 14 million
  // states, three kinds over and over, for 62 s of an 85 s run.
  //
  // One circle more in one of those rows seldom saves a guess that another
  // stopped in its first rows with millions of states, and the next
  // strip's last guess often differs so from the last strip's: at n = 34
  // and radius 1.414213 the last guesses on 23 to 25 rows each held the
  // budget of 2^21 states by row 4 to 6 (3.2 to 4.9 s of runs of 15 to
  // 20 s), each one circle over a stopped guess in one row.  With a slack
  // of one circle, summed over those rows, the run took 10.6 s instead of
  // 16.2.  Wherever it passed over a guess (31 and 32 1.55; 34 1.414213,
  // 1.581138 and 2.5; 36 1.581138 and 1.802775), that guess, searched,
  // stopped at its budget too, so the bounds and every later search were
  // the same; no other class of n = 26 or n = 34 passes over a guess the
  // proven rule does not.  A guess so passed over might have been
  // disproved, leaving its strip's bound higher: the answer is the same
  // either way.
  bool stopsalike(const SearchOptions& test, int len, int slack) const {
    for (const Stopped& s : stopped) {
      const int last = std::min(lat.n, s.row + lat.reach);
      int over = 0;  // circles by which the test's counts exceed s's
      for (int i = 0; i <= last; ++i)
        over += std::max(0, test.mincount[i] - s.mincount[i]);
      if (test.maxstates <= s.maxstates &&
          rows - below[last] <= std::min(len, s.len) &&  // no row cut
          over <= slack)
        return true;
    }
    return false;
  }

  const Lattice& lat;
  const int rows;          // rows that admit centres
  std::vector<int> exact;  // for len <= done: the most len rows hold
                           // (searched whole), or the bound disprove()
                           // found; else kNone
  std::vector<long long> stripstates;  // states of each strip searched
  std::vector<int> strip;  // the bound for `len` rows: rect[len][rows]
  std::vector<std::vector<int>> known;  // known[a][b]: at least the most
                                        // a rows and b columns hold:
                                        // exactly for a strip searched
                                        // whole (a), a bound guesses
                                        // proved for b = rows (tighten());
                                        // else kNone
  std::vector<std::vector<int>> rect;   // rect[a][b]: at least the most a
                                        // rows and b columns hold (settle())
  std::vector<int> tightened;    // tightened[len]: `done` when the strip was
                                 // last guessed by tighten() (rows: never
                                 // again); -1: not yet
  std::vector<int> upper;        // upper[i]: bound for rows i+1..n
  std::vector<int> below;        // below[i]: rows i+1..n that admit centres
  int done = 0;                  // exact[1..done] are known
  bool guessed = false;          // disproverest() has run: no strip is
                                 // searched whole any more
  long long spent = 0;           // states of the strips searched so far
  std::vector<Stopped> stopped;  // the guesses stopped so far
  SearchOptions strips;          // how the strips are searched
};

}  // namespace

Trace searchbounded(const Lattice& lat, const BoundsBudget& budget,
                    bool countonly) {
  const int n = lat.n;
  StripBounds bounds(lat);
  long long spend = budget.first;
  bounds.buy(spend);
  // No packing holds more than the strips allow, the whole square being
  // rows 1..n.
  const int upper = bounds.above(0);

  // LB: the best packing a beam of the most promising states finds.  A
  // narrow beam first, which often reaches the upper bound already (every
  // row full, as just above radius one half): a wide one costs most where
  // a row's states form a single group, since each pattern then scans the
  // whole beam for a parent (n = 50 at radius 0.6: 15 s of the 19 s with
  // only the wide beam, 0.1 s in all with the narrow one).
  SearchOptions beam;
  beam.trace = false;
  beam.phase = "lower bound";
  beam.beam = budget.narrow;
  int lower = searchgrouped(lat, beam).sol;
  if (lower < upper) {
    beam.beam = budget.beam;
    lower = std::max(lower, searchgrouped(lat, beam).sol);
  }

  // The beam's count is often one or two below the optimum, and a bound
  // even one lower keeps many times the states; so a guess above it is
  // tried first (see above), each failure cheap because it drops nearly
  // everything.  A failed guess lies above the optimum whatever the
  // bounds: the guesses that follow lie below it.
  //
  // A search over its budget of states, or a failed guess, first widens
  // the beam eightfold: a better packing raises the next guess, so fewer
  // states are kept, and one that reaches the ceiling ends the proof with
  // no search at all.  At n = 32 and radius 1.27 beams of 8,192, 65,536
  // and 524,288 states take 0.2, 1.1 and 5 s and find 109, 111 and 112 of
  // the 113 circles, where the search from 111 holds 128 million states.
  // But where the searches are small a wide beam is the larger cost, so
  // a beam may hold, over all rows, at most a quarter of the states of the
  // search that ended before it (the count at n = 26 and radius 1.55:
  // 1.2 s so, 2.0 s with all of them, 4.9 s widened without this rule).
  int ceiling = upper;  // no packing holds more circles
  auto nextguess = [&] { return std::min(lower + budget.guess, ceiling); };
  // Widens the beam where that may change the next search: a better
  // packing raises the guess (unless it is at the ceiling already), or, for
  // the count, reaches the ceiling.  Returns whether it did.
  auto widenable = [&] {
    return lower < ceiling && beam.beam < budget.widest &&
           (countonly || nextguess() < ceiling);
  };
  auto widen = [&](long long spent) {
    const long long wider = 8 * static_cast<long long>(beam.beam);
    const int before = nextguess();
    if (!widenable() || 4 * wider * n > spent) return false;
    beam.beam *= 8;
    lower = std::max(lower, searchgrouped(lat, beam).sol);
    return nextguess() != before || (countonly && lower == ceiling);
  };
  // Where a search grows large, the strips too long to search whole are
  // bounded by failed guesses: splitting them loses where the parts
  // meet.  At n = 34 and radius 1.581138 the rows below rows 7 to 10 were
  // bounded one or two above their maximum, and those rows held 99 % of
  // the 328 million states of the answer's search; with the guesses the
  // square's bound is the optimum, so the answer's search is the next
  // one, and the run takes 24 to 33 s and 1.1 GiB instead of 147 s and
  // 9.8 GiB.  Smaller searches pay more for the guesses than they save
  // (26 1.55, whose searches hold up to 9 million states, took 4.8 s
  // instead of 2.7 s when an earlier form guessed before every search,
  // with 2^20 states a guess).  A search in progress keeps its guess (see
  // above), so only the next search has the lower ceiling.
  //
  // A search under way is given the strips it can still use, no taller
  // than the rows it has left; the taller ones, nearly the whole square,
  // cost the most and would serve only the first rows of a later search
  // (n = 31 at radius 1.55: the guesses took 7.6 s instead of 12.4 s and
  // the run 22.5 s instead of 28.2 s, though the answer's search, from row
  // 1 again, held 25 million states instead of 22).  Those are guessed
  // when a later search grows large in turn: at n = 34 and radius
  // 1.581138, guessing none after the strips of a search given up at row
  // 7, the answer's search held 83 million states instead of 23.
  //
  // Strips worth a quarter of the search's states are searched whole
  // first: each guess is cut by the shorter strips' bounds, and no strip is
  // searched whole after the guesses.  The strips bounded by guesses turned
  // a quarter (tighten()) keep the searches small, and with them the strips
  // bought by their budgets: at n = 34 and radius 1.581138 the guesses
  // then began at 15 rows instead of 19, none of the first four was proven
  // within its budget, and the answer's search held 56 million states
  // instead of 23 (23 again with the quarter).
  // Guesses once a search holds more than `after` states.
  auto guessbounds = [&](long long states, int from, long long after) {
    if (bounds.complete() || states <= after) return;
    bounds.buy(spend = std::max(spend, std::min(states / 4, budget.strips)));
    bounds.disproverest(budget, from);
  };
  SearchOptions full;
  full.trace = !countonly;
  full.mirror = budget.mirror;
  full.fold = budget.fold;
  full.mincount.resize(n + 1);
  full.estimatefrom = budget.estimatefrom;
  int guess = 0;  // the guess the rows now being filled are cut with
  // The drop rule for guess g and the bounds as they stand.
  auto cutwith = [&](SearchOptions& o, int g) {
    for (int i = 0; i <= n; ++i) o.mincount[i] = g - bounds.above(i);
  };
  // That rule for the next guess, and the states after which the search
  // looks for better bounds.
  auto setlimits = [&](SearchOptions& o, int row) {
    guess = nextguess();
    cutwith(o, guess);
    const bool last = bounds.settled(row) || spend >= budget.strips;
    o.maxstates =
        last ? 0 : std::max(budget.giveup * bounds.states(), budget.first);
  };
  // A search over its budget goes on from the row it has reached, with a
  // higher guess or better bounds for the rows still to fill (see above):
  // starting again would repeat the rows already filled (n = 26 at radius
  // 1.55: two searches given up took 2.5 s of 4.3).
  //
  // Strips no taller than the rows left to fill are all the search can
  // still use: once those are known, neither more strips nor the guessed
  // bounds are bought, only wider beams, each time the search's states
  // have doubled.  Buying them helped only a later search, if any: at
  // n = 26 and radius 1.55 the answer's search was given up at row 19 of
  // 26 and bought strips for 0.5 s, after which its last rows took 0.1 s;
  // at n = 34 and radius 2.5 the guessed bounds took 5.4 s of 28.
  //
  // A search that has grown large with its guess where the beams left it
  // may be cut by a guess below the optimum: the beams' packings fall
  // further short as n grows, and a guess one short keeps every state
  // that reaches it, many times those on the optimal packings (n = 36,
  // radius 1.414213: the beams found 142 and 143 of 145, and the search
  // from 144 held 33 million states in its third row and 108 million by
  // its seventh).  So once, the guess one higher is tried by a search of
  // its own from the first row (probe()), holding at most the states
  // of the search so far.  If it ends on a packing of at least that
  // guess, the guess was at most the optimum and its search is the answer
  // (the argument above); if it ends below it, no packing reaches it, and
  // the ceiling comes down to the guess; if it stops at its budget, it
  // tells nothing.  Either way the search under way goes on as before: a
  // failed or stopped probe costs at most the states it was allowed.
  bool probed = false;    // the one probe has run
  bool answered = false;  // it reached its guess: `reached` is the answer
  Trace reached;
  // Probes the guess `higher` with at most `states` states; returns whether
  // that settled the run, so that the search under way can stop.
  auto probe = [&](int higher, long long states) {
    probed = true;
    SearchOptions test = full;
    test.phase = "probe";
    test.refine = nullptr;  // stopped inside the row that takes it over
    test.maxstates = states;
    cutwith(test, higher);
    Trace t = searchgrouped(lat, test);
    if (t.stopped) return false;
    if (t.sol < higher) {
      ceiling = higher - 1;
      return false;
    }
    // Every packing of the most circles came through, so t.sol is their
    // count.
    lower = ceiling = t.sol;
    if (!countonly) {
      reached = std::move(t);
      answered = true;
    }
    return true;
  };
  full.refine = [&](SearchOptions& o, int row, long long states) {
    const bool settled = bounds.settled(row);
    const int before = nextguess();
    if (!settled) guessbounds(states, row, budget.guessafter);
    if (!widen(states) && !settled) {
      bounds.buy(spend *= 4);
      bounds.tighten(budget, budget.tighten * spend, row);
    }
    if (countonly && lower == ceiling) return false;  // proven by the beam
    if (!probed && states > budget.probeafter && nextguess() == before &&
        before < std::min(ceiling, bounds.above(0)))
      if (probe(before + 1, states)) return false;
    setlimits(o, row);
    if (bounds.settled(row) && widenable()) o.maxstates = 2 * states;
    return true;
  };
  for (;;) {
    ceiling = std::min(ceiling, bounds.above(0));
    if (countonly && lower == ceiling) {
      Trace count;  // the count, and no rows
      count.sol = lower;
      return count;
    }
    setlimits(full, 0);
    Trace trace = searchgrouped(lat, full);
    if (answered) return reached;
    // A failed guess is followed by a lower one, which keeps more states:
    // the guesses are made once the failed search holds a quarter of what
    // a search given up does.  At n = 34 and radius 1.581138 a failed
    // search held 15 million states and the next 49 million before it
    // was given up for the guesses (26 s against 16 s).  At n = 31 and
    // radius 1.55 the tall strips guessed turned (tighten()) cut the first
    // failed search to 4.4 million states, and the next, failing too, held
    // 16.2 million before the guesses; with a quarter, the guesses come
    // first, and that second failure is gone.
    if (trace.sol < guess) guessbounds(trace.states, 0, budget.guessafter / 4);
    if (trace.stopped) continue;  // the count reached the ceiling
    if (trace.sol >= guess) return trace;
    PACKER_CHECK(guess > lower);  // the beam's packing is there to find
    ceiling = guess - 1;
    widen(trace.states);
    // The next search, with a lower guess, keeps more states than this
    // one held; strips worth half as many are bought before it, rather than
    // after it has grown past its budget.  At n = 27 and radius 1.55 the
    // second guess then held 2.5 million states instead of 3.9, and the
    // answer's search 8.0 million instead of 12.2.  Strips worth as many
    // cut the second guess further, to 0.5 million, but at n = 34 and
    // radius 2.236067 left the next failed guess under the size that buys
    // guessed bounds (`guessafter`), and the answer's search held 25
    // million states instead of 14.
    //
    // The tall strips are guessed here and when a search is refined, not
    // before the first search: where that is small (radius 1.1 at n = 26
    // to 28, under 0.15 million states) the guesses cost more than it.
    if (!bounds.settled(0)) {
      bounds.buy(
          spend = std::max(spend, std::min(trace.states / 2, budget.strips)));
      bounds.tighten(budget, budget.tighten * spend, 0);
    }
  }
}

}  // namespace packer
