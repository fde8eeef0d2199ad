// The fast engines against the straightforward search: the same answer,
// byte for byte, on many squares and on both sides of every threshold.
#include "fastsearch.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "answer.h"
#include "progress.h"
#include "radius_util.h"
#include "reference.h"

namespace packer {
namespace {

TEST(ProfileOrder, WindowKeysCompareLikeTheirCellLists) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 20000; ++trial) {
    int width = 1 + trial % 3;
    RowMask a[3], b[3];
    Profile pa, pb;
    for (int j = 0; j < width; ++j) {
      // Few columns, so that equal rows and proper prefixes are common.
      a[j] = rng() & 0x2a;
      b[j] = rng() % 3 == 0 ? a[j] : rng() & 0x2a;
      for (int c = 0; c < 8; ++c) {
        if (a[j] >> c & 1) pa.push_back({j, c});
        if (b[j] >> c & 1) pb.push_back({j, c});
      }
    }
    EXPECT_EQ(profilebefore(a, b, width), pa < pb);
  }
}

// Radii on both sides of each threshold where 4r^2 crosses a sum of two
// squares or 2r an integer, and some round and random values.
std::vector<Radius> radii() {
  std::vector<Radius> out;
  for (const char* text : {"0.6", "0.75", "1", "1.05", "1.1", "1.2", "1.25",
                           "1.5", "1.75", "2", "2.2", "2.5", "3", "3.5", "4.5"})
    out.push_back(radius(text));
  // Every sum of two squares up to 52 (radii up to about 3.6), the perfect
  // squares among them being where 2r crosses an integer.
  for (int d = 2; d <= 52; ++d) {
    bool sum = false;
    for (int i = 0; i * i <= d; ++i)
      for (int j = i; i * i + j * j <= d; ++j) sum = sum || i * i + j * j == d;
    if (!sum) continue;
    // sqrt(d) / 2 itself when d is a square, else the last value below.
    Radius r = halfsqrtbelow(d);
    out.push_back(nextdown(r));
    out.push_back(r);
    out.push_back(nextup(r));
  }
  std::mt19937 rng(11);
  for (int k = 0; k < 10; ++k)  // 0.51 to 3.2, five decimals
    out.push_back(radius(std::to_string(51000 + rng() % 269001) + "e-5"));
  return out;
}

template <typename Search>
std::string run(Search search, int n, const Radius& r) {
  Lattice lat = buildtables(n, r);
  return answer(search(lat), n);
}

Trace grouped(const Lattice& lat) { return searchgrouped(lat); }
Trace unfolded(const Lattice& lat) {
  SearchOptions apart;
  apart.fold = false;
  return searchgrouped(lat, apart);
}
Trace bounded(const Lattice& lat) { return searchbounded(lat); }

TEST(Differential, FastEngineMatchesTheStraightforwardSearch) {
  int compared = 0;
  for (const Radius& r : radii())
    for (int n = 1; n <= 14; ++n) {
      std::string want = run(searchreference, n, r);
      EXPECT_EQ(run(searchfast, n, r), want)
          << "n " << n << " r " << r.sig << " * 2^" << r.exp;
      // Each search on its own, whatever the radius: the grouped one with
      // and without dropping states by bounds, and with every state apart
      // from its image.
      EXPECT_EQ(run(grouped, n, r), want)
          << "grouped, n " << n << " r " << r.sig << " * 2^" << r.exp;
      EXPECT_EQ(run(unfolded, n, r), want)
          << "unfolded, n " << n << " r " << r.sig << " * 2^" << r.exp;
      // Folded, a pair stands for both its states, and the bounds drop
      // both or neither: as many states, and as many circles in each row.
      Lattice lat = buildtables(n, r);
      const Trace folded = searchgrouped(lat), apart = unfolded(lat);
      EXPECT_EQ(folded.states, apart.states) << "n " << n << " r " << r.sig;
      EXPECT_EQ(folded.best, apart.best) << "n " << n << " r " << r.sig;
      BoundsBudget split;
      split.fold = false;
      EXPECT_EQ(searchbounded(lat).states, searchbounded(lat, split).states)
          << "bounded, n " << n << " r " << r.sig;
      EXPECT_EQ(run(bounded, n, r), want)
          << "bounded, n " << n << " r " << r.sig << " * 2^" << r.exp;
      ++compared;
    }
  EXPECT_GT(compared, 1000);
}

TEST(Differential, LargerSquaresTheStraightforwardSearchFinishes) {
  struct Case {
    int n;
    const char* r;
  };
  for (Case c : {Case{14, "0.7"}, Case{14, "0.9"}, Case{14, "1.05"},
                 Case{14, "1.118034"}, Case{16, "1.5"}, Case{20, "1.75"},
                 Case{20, "2"}, Case{24, "2.5"}, Case{30, "4.5"}, Case{35, "6"},
                 Case{40, "8"}, Case{63, "20"}})
    EXPECT_EQ(run(searchfast, c.n, radius(c.r)),
              run(searchreference, c.n, radius(c.r)))
        << "n " << c.n << " r " << c.r;
}

// What a run of the bounded search did after its first search: bought
// more strips, or widened its beam; and whether it bought strips for a
// search given up where none could help: the strips searched whole, one a
// height, already as many as the rows after the one it gave up at that
// admit centres (`lat`: the square being searched).
struct Rounds {
  bool searched = false, bought = false, widened = false, useless = false;
  const Lattice* lat = nullptr;
  int strips = 0;   // strips searched so far, one a height
  int givenup = 0;  // the last row a search reported, if it was not row n
  bool instrip = false;
};
Rounds rounds;
void watchrounds() {
  const Progress& p = progress();
  const std::string phase = p.phase;
  if (phase == "upper bounds" && !rounds.instrip && rounds.givenup) {
    int left = 0;  // rows after the one given up at that admit centres
    for (int i = rounds.givenup + 1; i <= rounds.lat->n; ++i)
      left += rounds.lat->borderok[i] != 0;
    rounds.useless = rounds.useless || rounds.strips >= left;
  }
  if (phase == "upper bounds" && p.row == 1) ++rounds.strips;
  rounds.instrip = phase == "upper bounds";
  rounds.givenup = phase == "search" && p.row < p.rows ? p.row : 0;
  rounds.searched = rounds.searched || phase == "search";
  rounds.bought = rounds.bought || (rounds.searched && phase == "upper bounds");
  rounds.widened =
      rounds.widened || (rounds.searched && phase == "lower bound");
}

// Budgets so small that the search is given up and resumed with more
// strips or a wider beam, several times, and a beam so narrow that its
// guess fails.
BoundsBudget tinybudget() {
  BoundsBudget tiny;
  tiny.narrow = 1;
  tiny.beam = 2;
  tiny.first = 4;
  tiny.strips = 1 << 12;
  tiny.giveup = 1;
  return tiny;
}

TEST(Differential, BoundsBoughtInRoundsKeepTheAnswer) {
  int bought = 0, widened = 0;
  progress().onrow = watchrounds;
  for (const char* r : {"1.1", "1.3", "1.46", "1.6", "1.9", "2.2"})
    for (int n = 6; n <= 15; ++n) {
      Lattice lat = buildtables(n, radius(r));
      rounds = {};
      rounds.lat = &lat;
      Trace t = searchbounded(lat, tinybudget());
      bought += rounds.bought;
      widened += rounds.widened;
      EXPECT_FALSE(rounds.useless) << "n " << n << " r " << r;
      EXPECT_EQ(answer(t, n), answer(searchreference(lat), n))
          << "n " << n << " r " << r;
    }
  progress().onrow = nullptr;
  EXPECT_GT(bought, 10);
  EXPECT_GE(widened, 2);  // a few: most guesses here sit at the ceiling
}

TEST(Differential, StripsBoundedByFailedGuessesKeepTheAnswer) {
  // Strips bought a few at a time, and every search guessing the rest's
  // bounds at once: both the answer and the count must stand, and the
  // guesses must have lowered some bound (fewer states somewhere).
  int fewer = 0;
  for (const char* r : {"1.1", "1.3", "1.46", "1.6", "1.9", "2.2", "2.6"})
    for (int n = 6; n <= 16; ++n) {
      Lattice lat = buildtables(n, radius(r));
      BoundsBudget guessing;
      guessing.first = 4;
      guessing.guessafter = 0;
      guessing.guessstates = n % 2 ? 16 : 1 << 20;  // stopped early, or not
      BoundsBudget whole = guessing;
      whole.guessafter = 1LL << 60;
      const Trace want = searchreference(lat);
      const Trace got = searchbounded(lat, guessing);
      EXPECT_EQ(answer(got, n), answer(want, n)) << "n " << n << " r " << r;
      EXPECT_EQ(searchbounded(lat, guessing, true).sol, want.sol)
          << "count, n " << n << " r " << r;
      fewer += got.states < searchbounded(lat, whole).states;
    }
  EXPECT_GT(fewer, 5);
}

// Whether a probe (bounds.cpp) ran during a call, and whether the call's
// last row was a probe's: then the probe was the answer.
struct Probes {
  bool ran = false, last = false;
};
Probes probes;
void watchprobes() {
  probes.last = std::string(progress().phase) == "probe";
  probes.ran = probes.ran || probes.last;
}

TEST(Differential, AHigherGuessProbedKeepsTheAnswer) {
  // Every search over its budget has the guess one higher probed, after a
  // beam so narrow that the guess often lies below the optimum, or one
  // above it: a probe that reaches its guess is the answer, one that fails
  // lowers the ceiling, one stopped at its budget tells nothing.  The
  // answer and the count must stand each way.
  int answered = 0, not_answered = 0;
  progress().onrow = watchprobes;
  for (const char* r : {"1.1", "1.3", "1.46", "1.6", "1.9", "2.2"})
    for (int n = 6; n <= 15; ++n)
      for (int above : {0, 1}) {
        Lattice lat = buildtables(n, radius(r));
        BoundsBudget probing = tinybudget();
        probing.probeafter = 0;
        probing.guess = above;              // over the beam's count,
        probing.beam = probing.widest = 1;  // raised by no wider beam
        probing.giveup = 16;
        const Trace want = searchreference(lat);
        probes = {};
        const Trace got = searchbounded(lat, probing);
        answered += probes.last;
        not_answered += probes.ran && !probes.last;
        EXPECT_EQ(answer(got, n), answer(want, n))
            << "n " << n << " r " << r << " above " << above;
        EXPECT_EQ(searchbounded(lat, probing, true).sol, want.sol)
            << "count, n " << n << " r " << r << " above " << above;
      }
  progress().onrow = nullptr;
  EXPECT_GT(answered, 3);
  EXPECT_GT(not_answered, 10);
}

// The rows and states that the searches of one phase fill during a call.
struct Filled {
  long long rows = 0, states = 0;
};
Filled filled;
const char* filledphase = "";
void countfilled() {
  if (std::string(progress().phase) != filledphase) return;
  ++filled.rows;
  filled.states += progress().states;
}
template <typename Run>
Filled fillsof(const char* phase, Run run) {
  filled = {};
  filledphase = phase;
  progress().onrow = countfilled;
  run();
  progress().onrow = nullptr;
  return filled;
}

// The answer and the count on `tried` must be the straightforward
// search's; returns whether its searches filled fewer states than on
// `base`.
bool fillsfewer(int n, const char* r, const BoundsBudget& tried,
                const BoundsBudget& base) {
  Lattice lat = buildtables(n, radius(r));
  const Trace want = searchreference(lat);
  Trace got;
  const Filled fewer =
      fillsof("search", [&] { got = searchbounded(lat, tried); });
  const Filled plain = fillsof("search", [&] { searchbounded(lat, base); });
  EXPECT_EQ(answer(got, n), answer(want, n)) << "n " << n << " r " << r;
  EXPECT_EQ(searchbounded(lat, tried, true).sol, want.sol)
      << "count, n " << n << " r " << r;
  return fewer.states < plain.states;
}

TEST(Differential, RowsEstimatedPastTheBudgetKeepTheAnswer) {
  // Every row estimated before it is filled, on budgets so small that many
  // estimates take the search past twice its budget, so that the bounds
  // are refined before the row: the answer and the count must stand, and
  // the searches must fill fewer states somewhere than without estimates.
  int fewer = 0;
  for (const char* r : {"1.06", "1.3", "1.55", "1.9", "2.2"})
    for (int n = 8; n <= 16; ++n) {
      BoundsBudget estimating;
      estimating.first = 16;
      estimating.giveup = 2;
      estimating.estimatefrom = 1;
      BoundsBudget filling = estimating;
      filling.estimatefrom = 1LL << 60;
      fewer += fillsfewer(n, r, estimating, filling);
    }
  EXPECT_GT(fewer, 5);
}

TEST(Differential, TallStripsBoundedByGuessesTurnedKeepTheAnswer) {
  // Few strips searched whole, the taller ones bounded by guesses on the
  // strip turned a quarter, each stopped early or not: the answer and the
  // count must stand, and the searches must fill fewer states somewhere
  // than with the taller strips split.
  int fewer = 0;
  for (const char* r : {"1.1", "1.3", "1.55", "1.9", "2.2"})
    for (int n = 8; n <= 15; ++n) {
      BoundsBudget guessing;
      guessing.first = 64;
      guessing.tightenstates = n % 2 ? 16 : 1 << 20;
      BoundsBudget split = guessing;
      split.tighten = 0;
      fewer += fillsfewer(n, r, guessing, split);
    }
  EXPECT_GT(fewer, 10);
}

TEST(Bounds, AGuessThatWouldStopAsOneDidIsNotSearchedAgain) {
  // Guesses of a few states, stopped in their first rows: recalling the
  // ones that stop alike must buy exactly the bounds searching them does,
  // so every search holds the same states, with fewer rows filled.  With a
  // slack, a guess a circle over one that stopped is passed over too: its
  // strip may keep a higher bound, never another answer.
  int recalled = 0, passed = 0;
  for (const char* r : {"1.06", "1.3", "1.414213", "1.6", "2.2"})
    for (int n = 12; n <= 18; ++n) {
      Lattice lat = buildtables(n, radius(r));
      BoundsBudget recall;
      recall.first = 4;
      recall.guessafter = 0;
      recall.guessstates = 1 << (n % 4 + 6);
      recall.stopslack = 0;
      BoundsBudget again = recall, slack = recall;
      again.recall = false;
      slack.stopslack = 1;
      Trace want, got, slackened;
      auto fills = [&](const BoundsBudget& budget, Trace& out) {
        return fillsof("strip guesses",
                       [&] { out = searchbounded(lat, budget); })
            .rows;
      };
      const long long searched = fills(again, want);
      const long long recalling = fills(recall, got);
      const long long passing = fills(slack, slackened);
      EXPECT_EQ(answer(got, n), answer(want, n)) << "n " << n << " r " << r;
      EXPECT_EQ(got.states, want.states) << "n " << n << " r " << r;
      EXPECT_LE(recalling, searched) << "n " << n << " r " << r;
      EXPECT_EQ(answer(slackened, n), answer(want, n))
          << "n " << n << " r " << r;
      recalled += recalling < searched;
      passed += passing < recalling;
    }
  EXPECT_GT(recalled, 5);
  EXPECT_GT(passed, 8);
}

// Every side past 26, at radii where the straightforward search takes well
// under a second: a quarter, a third and two fifths of the side, and the
// radii whose last admissible column is 31, 32 or 33 (n - r = c + 1/2),
// where row masks first need more than 32 bits, when they are that large.
TEST(Differential, EverySideTo63WhereTheStraightforwardSearchFinishes) {
  int wide = 0;  // cases with centres allowed in column 32 or beyond
  for (int n = 27; n <= kMaxSide; ++n) {
    std::vector<double> rs = {n / 4.0, n / 3.0, n / 2.5};
    for (int last : {31, 32, 33})
      if (n - last - 0.5 >= n / 4.3) rs.push_back(n - last - 0.5);
    for (double r : rs) {
      Radius radr = radius(std::to_string(r));
      wide += n - r >= 32;
      EXPECT_EQ(run(searchfast, n, radr), run(searchreference, n, radr))
          << "n " << n << " r " << r;
    }
  }
  EXPECT_GT(wide, 40);
}

TEST(Differential, TheCountAloneIsTheOptimum) {
  // The count drops every state that merely ties the best packing found,
  // so its paths are checked on their own: every radius of the list and
  // every small side, with the usual budget and with one so small that the
  // narrow beam finds little, guesses fail, beams widen and strips are
  // bought in rounds.
  int widened = 0;
  progress().onrow = watchrounds;
  for (const Radius& r : radii())
    for (int n = 1; n <= 14; ++n) {
      Lattice lat = buildtables(n, r);
      const int want = searchreference(lat).sol;
      EXPECT_EQ(countfast(lat), want)
          << "n " << n << " r " << r.sig << " * 2^" << r.exp;
      rounds = {};
      rounds.lat = &lat;
      EXPECT_EQ(searchbounded(lat, tinybudget(), true).sol, want)
          << "tiny budget, n " << n << " r " << r.sig << " * 2^" << r.exp;
      widened += rounds.widened;
      EXPECT_FALSE(rounds.useless)
          << "tiny budget, n " << n << " r " << r.sig << " * 2^" << r.exp;
    }
  progress().onrow = nullptr;
  // Enough for every way a beam is widened; fewer since the tall strips'
  // guesses make the searches that fail smaller (16 of the runs, 20 or
  // more before).
  EXPECT_GE(widened, 12);
  // Where many packings tie for the optimum (the side less the border a
  // multiple of the period), against the full search's count.
  struct Case {
    int n;
    const char* r;
  };
  for (Case c :
       {Case{20, "0.85"}, Case{21, "1.46"}, Case{24, "1.46"}, Case{22, "1.55"},
        Case{24, "1.9"}, Case{24, "2.5"}, Case{36, "6"}}) {
    Lattice lat = buildtables(c.n, radius(c.r));
    EXPECT_EQ(countfast(lat), searchfast(lat).sol) << c.n << " " << c.r;
  }
}

TEST(Differential, RowsPastTheMiddleCheckedTurnedOverKeepTheAnswer) {
  // The search with and without the rows before the middle turned over,
  // on squares past the straightforward search's reach: odd and even
  // sides, sides past 33, and those where many packings tie (the side less
  // the border a multiple of the period), both the answer and the count.
  struct Case {
    int n;
    const char* r;
  };
  int fewer = 0;
  for (Case c :
       {Case{21, "1.55"}, Case{22, "1.55"}, Case{23, "1.2"}, Case{24, "1.9"},
        Case{25, "2.5"}, Case{24, "2.5"}, Case{34, "4.5"}, Case{35, "6"},
        Case{36, "6"}, Case{40, "8"}, Case{41, "7.5"}, Case{63, "20"}}) {
    Lattice lat = buildtables(c.n, radius(c.r));
    BoundsBudget plain;
    plain.mirror = false;
    Trace with = searchbounded(lat), without = searchbounded(lat, plain);
    EXPECT_EQ(answer(with, c.n), answer(without, c.n)) << c.n << " " << c.r;
    EXPECT_EQ(searchbounded(lat, {}, true).sol,
              searchbounded(lat, plain, true).sol)
        << "count, " << c.n << " " << c.r;
    fewer += with.states < without.states;
  }
  EXPECT_GE(fewer, 8);  // the check drops states on most of them
}

TEST(Differential, TheWholeSearchesAnswersAtLargerSidesOnTheGrids) {
  // The grouped search keeping every state, itself checked against the
  // straightforward search above, is the model where a Profile is a single
  // row, up to the sides where it still finishes quickly: for the grid of
  // radii up to 1, and for the bounded search just above radius one half,
  // where every row is full.
  int grids = 0;
  for (const char* r : {"0.5000001", "0.6", "0.7071", "0.70711", "0.85", "1"})
    for (int n = 1; n <= 20; n += n < 16 ? 1 : 4) {
      Lattice lat = buildtables(n, radius(r));
      std::string want = answer(searchgrouped(lat), n);
      EXPECT_EQ(answer(searchfast(lat), n), want) << "n " << n << " r " << r;
      if (usesgrid(lat)) {
        ++grids;
        continue;
      }
      EXPECT_EQ(answer(searchbounded(lat), n), want) << "n " << n << " r " << r;
    }
  EXPECT_EQ(grids, 3 * 17);  // the last three radii, every side
  // Above sqrt(2) up to 3/2 a Profile spans two rows, and the bounded
  // search is the model: every remainder of the side by 3, up to the sides
  // where it still finishes within a second.
  for (const char* r : {"1.4143", "1.46", "1.5"})
    for (int n = 15; n <= 24; ++n) {
      Lattice lat = buildtables(n, radius(r));
      ASSERT_TRUE(usesgrid(lat)) << "n " << n << " r " << r;
      EXPECT_EQ(answer(searchgrid(lat), n), answer(searchbounded(lat), n))
          << "n " << n << " r " << r;
    }
  for (const char* r : {"1.4142", "1.5000001"})
    EXPECT_FALSE(usesgrid(buildtables(20, radius(r)))) << r;
}

TEST(Bounds, TheWholeSquareTurnedAQuarterHasTheSameOptimum) {
  // A strip as tall as all the rows that admit centres is the square
  // itself, turned: the bound it gives must be the optimum.
  for (const char* r : {"1.1", "1.6", "2", "2.5"})
    for (int n = 3; n <= 12; ++n) {
      Lattice lat = buildtables(n, radius(r));
      const int rows = centrerows(lat).count;
      if (rows == 0) continue;
      SearchOptions count;
      count.trace = false;
      EXPECT_EQ(searchgrouped(transposedstrip(lat, rows), count).sol,
                searchreference(lat).sol)
          << "n " << n << " r " << r;
    }
}

// The square with centres only in its first `a` rows and `b` columns
// that admit them.
Lattice rectangle(const Lattice& lat, int a, int b) {
  Lattice cut = firstrows(lat, a);
  for (int i = 0; i <= lat.n; ++i) {
    RowMask kept = 0;
    for (RowMask m = cut.borderok[i]; m && std::popcount(kept) < b; m &= m - 1)
      kept |= m & -m;
    cut.borderok[i] = kept;
    for (int c = 0; c <= lat.n; ++c) cut.okplaceborder[i][c] = kept >> c & 1;
  }
  return cut;
}

TEST(Bounds, AStripsRowsGiveEveryRectangleEitherWayRound) {
  // The bounds read the best count of row i of a strip turned a quarter as
  // the most its first columns hold, and take a rectangle of a rows and b
  // columns to hold as many as one of b rows and a columns.
  for (const char* r : {"1.1", "1.6", "2.2"})
    for (int n : {7, 10, 12}) {
      Lattice lat = buildtables(n, radius(r));
      const int rows = centrerows(lat).count;
      for (int height = 1; height <= rows; ++height) {
        const Lattice turned = transposedstrip(lat, height);
        SearchOptions count;
        count.trace = false;
        const Trace t = searchgrouped(turned, count);
        for (int i = 1, k = 0; i <= n; ++i) {
          if (turned.borderok[i] == 0) continue;
          ++k;
          EXPECT_EQ(t.best[i], searchreference(rectangle(lat, height, k)).sol)
              << n << " " << r << " " << height << " " << k;
          EXPECT_EQ(t.best[i], searchreference(rectangle(lat, k, height)).sol)
              << n << " " << r << " " << height << " " << k;
        }
      }
    }
}

TEST(Bounds, ABeamFindsAPackingAndDroppingKeepsTheAnswer) {
  for (int n : {9, 12, 14}) {
    Lattice lat = buildtables(n, radius("1.3"));
    std::string want = answer(searchreference(lat), n);
    SearchOptions beam;
    beam.trace = false;
    beam.beam = 3;
    int lower = searchgrouped(lat, beam).sol;
    SearchOptions none;
    int best = searchgrouped(lat, none).sol;
    EXPECT_GT(lower, 0);
    EXPECT_LE(lower, best);
    // Dropping every state of the last rows below the optimum, and any
    // state that cannot reach it at all, changes nothing printed.
    SearchOptions cut;
    cut.mincount.assign(n + 1, 0);
    cut.mincount[n] = best;
    cut.mincount[n - 1] = best - 4;
    EXPECT_EQ(answer(searchgrouped(lat, cut), n), want) << n;
  }
}

TEST(Bounds, ABeamHoldsAFewTimesItsWidthEvenWhereRowsHaveMillionsOfPatterns) {
  // At n = 60 and radius 2.5 one row alone admits millions of patterns; a
  // beam must trim while it fills a row, not after.  Its trace stays
  // consistent through the trimming: the answer phase checks that the
  // path holds exactly the count's centres.
  Lattice lat = buildtables(60, radius("2.5"));
  SearchOptions beam;
  beam.beam = 64;
  Trace t = searchgrouped(lat, beam);
  EXPECT_LE(t.states, 60 * 4 * 64);
  EXPECT_GE(t.sol, 100);  // rows and columns 3, 8, ..., 53: 11 x 11 fit
  std::string out = answer(t, 60);
  EXPECT_EQ(out.substr(0, out.find('\n')), std::to_string(t.sol));
}

TEST(KnownCounts, TheHardClassBeyondTheOldRange) {
  // At 1 < r <= sqrt(5)/2 the centres form an (n - 3)^2 grid where no two
  // may lie at squared distance 1, 2 or 4; the largest such sets are known.
  for (auto [n, want] :
       {std::pair{27, 116}, std::pair{29, 136}, std::pair{32, 169}})
    EXPECT_EQ(searchfast(buildtables(n, radius("1.1"))).sol, want) << n;
}

TEST(ClosedForms, CheckerboardAndEveryOtherRowAtTheLargestSide) {
  // Just above one half only direct neighbours collide: a checkerboard of
  // the 25 x 25 interior points.  At radius 1 diagonal neighbours collide
  // too: every other row and column.
  for (auto [r, want] : {std::pair{"0.5000001", 313}, std::pair{"1", 169}}) {
    Trace t = searchfast(buildtables(26, radius(r)));
    EXPECT_EQ(t.sol, want);
  }
}

}  // namespace
}  // namespace packer
