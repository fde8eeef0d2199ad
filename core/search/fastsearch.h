// The fast row-by-row searches.  They build the states, counts and parent
// links of the straightforward search (reference.h) that matter for the
// answer, so they print the same answer, but never try a row pattern that
// cannot fit and drop states that cannot be part of an optimal packing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "lattice.h"
#include "trace.h"

namespace packer {

// Whether Profile a comes before Profile b in Profile order, for window
// keys: key[0] is the mask of the oldest row of the window, key[width - 1]
// the newest; both keys cover the same rows.
bool profilebefore(const RowMask* a, const RowMask* b, int width);

// Whether searchfast() answers without a search (grid.cpp): where two
// centres overlap exactly when they lie at most k rows and k columns apart,
// k = 1 (radii above sqrt(2)/2 up to 1) or 2 (above sqrt(2) up to 3/2).
// There millions of packings can tie for the optimum, and a search keeps
// every state on one of them; the answer follows from the ties' order
// instead.
bool usesgrid(const Lattice& lat);

// The answer's path where usesgrid(): every (k + 1)-th column of every
// (k + 1)-th row from the first that admits centres, one state a row, as
// the search would find it.
Trace searchgrid(const Lattice& lat);

// Picks what suits the radius: the grid (see above) or the bounded
// grouped search.
Trace searchfast(const Lattice& lat);

// The optimum alone: the bounded search proving it (bounds.cpp), for every
// radius; ties do not slow it, as it keeps no state that merely ties the
// best packing found.
int countfast(const Lattice& lat);

// A row is estimated before it is filled only after a row of this many
// states (grouped.cpp, Grouped::overbudget()).
constexpr long long kEstimateFrom = 1 << 16;

// What a run of the grouped search keeps.
struct SearchOptions {
  const char* phase = "search";  // what the progress report calls it
  bool trace = true;             // keep every row's parent links for the answer
  long long maxstates = 0;       // once the rows so far hold more states
                                 // than this, between two rows: call
                                 // `refine`, or, without one, stop, inside
                                 // the row that takes it over (0: never)
  // May raise `mincount` for the rows after `row`, the last filled (never
  // lower it: the search drops states early by it), and for `row` itself,
  // whose states below it are then not expanded; and raise `maxstates`,
  // given the states so far; false stops the search (Trace::stopped).
  // `states` may count the row after `row` too, as estimated, when it
  // would take the search to twice `maxstates` (grouped.cpp).
  std::function<bool(SearchOptions&, int row, long long states)> refine;
  long long estimatefrom = kEstimateFrom;  // rows after one of fewer
                                           // states are not estimated
  std::size_t beam = 0;  // keep only this many states a row, those with the
                         // most circles (0: all); the result is then a
                         // lower bound on the optimum, no longer exact
  // mincount[i]: a state of row i with fewer circles is dropped, and so is
  // one of an earlier row none of whose successors in row i can have as
  // many (empty: none is).
  std::vector<int> mincount;
  // Whether a state past the middle of the square must also fit beside a
  // state of the rows before it, turned over, with mincount[n] circles in
  // all (mirror.h); only a lattice that looks the same turned over is
  // checked so.
  bool mirror = false;
  // Whether a state and its mirror image, turned left to right, are kept as
  // one (grouped.cpp, Grouped::folding), where the lattice looks the same
  // turned so and no beam is kept (off: the tests compare).
  bool fold = true;
  // Whether a beam's successor that ranks after its slice's cut is dropped
  // before it is sent there, where it would be dropped (grouped.cpp,
  // Expander::emit()); the beam keeps the same states either way (off: the
  // tests compare).
  bool dropearly = true;
};

// The grouped search alone, for any radius: the bounds run it on the whole
// square and on strips, and the tests on its own.
Trace searchgrouped(const Lattice& lat, const SearchOptions& limits = {});

// What the bounds may spend (bounds.cpp); the tests pass small figures to
// drive every path.
struct BoundsBudget {
  // States a row keeps in the search for the lower bound.  Wider finds a
  // better bound, so the main search drops more states, but costs more
  // itself; at n = 26 it found the optimum or up to two less (hence
  // `guess`).
  std::size_t beam = 8192;
  // A narrower beam tried first, enough where it reaches the strips' bound.
  std::size_t narrow = 64;
  // Beams widened after a failed guess or a search over its budget, each
  // eight times the last, up to this wide (bounds.cpp says when).
  std::size_t widest = 8192 * 64;
  // How far above the beam's count the first guess at the optimum lies.
  int guess = 2;
  // Exact strip bounds cost about twice as much for each row taller, and
  // save the more the larger the search.  So they are bought in rounds:
  // strips within a budget of states (`first`), then the search, until it
  // holds `giveup` times the strips' states; then a budget four times
  // larger for the rows it has still to fill, and so on up to `strips`,
  // after which the search runs to the end.
  long long first = 1 << 18;
  // The strips too tall for that are bounded by cheap failed guesses
  // (bounds.cpp, tighten()), all of them together holding at most
  // `tighten` times the states the strips were bought for, each at most
  // `tightenstates`, or four times the last that failed.
  long long tighten = 4;
  long long tightenstates = 1 << 16;
  long long strips = 1 << 24;
  long long giveup = 8;
  // Once a search holds more states than this when it fails its guess or
  // is given up, the strips too tall to have been searched whole are
  // bounded by failed guesses instead (bounds.cpp), once; each guess may
  // hold `guessstates` states, or four times those of the last guess that
  // failed.
  long long guessafter = 1 << 24;
  long long guessstates = 1 << 21;
  // A guess whose search would stop as one already stopped did (a budget
  // no larger, counts no higher in the rows it reads first) is not searched
  // again (off: the tests compare), nor one whose counts there exceed the
  // other's by at most `stopslack` circles in all (bounds.cpp,
  // stopsalike(); 0: only those proven to stop).
  bool recall = true;
  int stopslack = 1;
  // A search over its budget that holds more states than this, its guess
  // where the beams left it, has the guess one higher tried once by a
  // search of its own (bounds.cpp, probe()).
  long long probeafter = 1 << 22;
  // The rows past the middle checked against those before it turned over
  // (SearchOptions::mirror; off: the tests compare).
  bool mirror = true;
  bool fold = true;                        // SearchOptions::fold
  long long estimatefrom = kEstimateFrom;  // SearchOptions::estimatefrom
};

// The grouped search with states dropped by bounds (bounds.cpp).  With
// `countonly`, only the count (Trace::sol) is found, with fewer states:
// the trace holds no rows.
Trace searchbounded(const Lattice& lat, const BoundsBudget& budget = {},
                    bool countonly = false);

}  // namespace packer
