// The pool of workers, and the searches shared among them: the same
// answer, byte for byte, and the same rows for every number of threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <tuple>

#include "answer.h"
#include "fastsearch.h"
#include "radius_util.h"
#include "solve.h"
#include "workers.h"

namespace packer {
namespace {

// PACKER_TEST_THREADS=N runs every test of this program on a pool of N
// workers: ctest runs the differential tests so with 2 and 3 as well.
class ThreadsFromEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* text = std::getenv("PACKER_TEST_THREADS");
    if (!text) return;
    pool = std::make_unique<Workers>(std::atoi(text));
    ASSERT_EQ(pool->size(), std::atoi(text));
    use = std::make_unique<UseWorkers>(*pool);
  }
  void TearDown() override {
    use.reset();
    pool.reset();
  }

 private:
  std::unique_ptr<Workers> pool;
  std::unique_ptr<UseWorkers> use;
};
const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ThreadsFromEnvironment);

TEST(Workers, EveryWorkerRunsEachJobOnceAndEveryChunkIsHandedOutOnce) {
  for (int threads : {1, 2, 3, 5}) {
    Workers pool(threads);
    ASSERT_EQ(pool.size(), threads);
    // Many jobs: helpers wait between them, polling when the next comes
    // soon and asleep when it comes later.  What a job writes is seen by
    // the caller once run() returns (the thread sanitizer checks the
    // plain writes).
    for (int job = 0; job < 60; ++job) {
      if (job % 20 == 19)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      std::vector<std::atomic<int>> ran(threads);
      std::vector<int> wrote(threads, -1);
      pool.run([&](int worker) {
        ++ran[worker];
        wrote[worker] = job;
      });
      for (int k = 0; k < threads; ++k) {
        EXPECT_EQ(ran[k].load(), 1);
        EXPECT_EQ(wrote[k], job);
      }
    }
    for (std::size_t count : {0, 1, 7, 1000, 4099})
      for (std::size_t chunk : {1, 3, 64, 5000}) {
        std::vector<std::atomic<int>> seen(count);
        std::atomic<int> bad{0};
        pool.forchunks(count, chunk, [&](std::size_t b, std::size_t e, int w) {
          if (b >= e || e > count || e - b > chunk || w < 0 || w >= threads)
            ++bad;
          for (std::size_t k = b; k < e; ++k) ++seen[k];
        });
        EXPECT_EQ(bad.load(), 0);
        for (std::size_t k = 0; k < count; ++k)
          ASSERT_EQ(seen[k].load(), 1) << count << " " << chunk << " " << k;
      }
  }
}

TEST(Workers, APoolIsTheCallingThreadsWhileItIsInUse) {
  Workers& before = workers();
  Workers outer(2), inner(3);
  {
    UseWorkers a(outer);
    EXPECT_EQ(&workers(), &outer);
    {
      UseWorkers b(inner);
      EXPECT_EQ(workers().size(), 3);
    }
    EXPECT_EQ(&workers(), &outer);
    // A helper thread has a pool of its own, of one worker.
    std::atomic<int> alone{0};
    outer.run([&](int worker) {
      if (worker != 0 && workers().size() == 1) ++alone;
    });
    EXPECT_EQ(alone.load(), 1);
  }
  EXPECT_EQ(&workers(), &before);
}

// What a search kept, independent of the order its states were stored
// in: the count, the states of each row, and each row's patterns in sorted
// order.
struct Shape {
  int sol = -1;
  long long states = 0;
  std::vector<std::vector<RowMask>> rows;
  bool operator==(const Shape&) const = default;
};
Shape shape(const Trace& t) {
  Shape s{t.sol, t.states, {}};
  for (const TraceRow& row : t.rows) {
    std::vector<RowMask> placed;
    for (const TracePiece& piece : row.pieces)
      for (std::size_t k = 0; k < piece.placed.size(); ++k)
        placed.push_back(piece.placed[k]);
    std::sort(placed.begin(), placed.end());
    s.rows.push_back(placed);
  }
  return s;
}

TEST(Threads, TheSameBytesAndRowsOnEveryNumberOfThreads) {
  struct Case {
    int n;
    const char* r;
  };
  // The bounded search with rows that merge and rows that do not,
  // tie-heavy classes, beams widened, and rows past column 31.
  const Case cases[] = {{21, "1.2"}, {20, "1.75"}, {16, "2"},    {24, "0.6"},
                        {18, "1.1"}, {20, "1.27"}, {22, "1.46"}, {24, "1.55"},
                        {20, "1.9"}, {28, "2.2"},  {26, "2.5"},  {30, "3.5"},
                        {45, "10"},  {40, "6.5"},  {63, "0.6"},  {63, "15"}};
  Workers one(1), two(2), three(3);
  for (const Case& c : cases) {
    const Radius r = radius(c.r);
    const Lattice lat = buildtables(c.n, r);
    std::string want;
    Shape rows;
    int count = 0;
    {
      UseWorkers use(one);
      want = solve(c.n, r);
      rows = shape(searchfast(lat));
      count = countat(c.n, r);
    }
    for (Workers* pool : {&two, &three}) {
      UseWorkers use(*pool);
      EXPECT_EQ(solve(c.n, r), want) << c.n << " " << c.r;
      EXPECT_TRUE(shape(searchfast(lat)) == rows) << c.n << " " << c.r;
      EXPECT_EQ(countat(c.n, r), count) << c.n << " " << c.r;
    }
  }
}

// Whether the bounded search on `budget` holds the same states and finds
// the same answer on two and on three workers as on one.
bool alikeonthreads(const Lattice& lat, const BoundsBudget& budget) {
  Workers one(1), two(2), three(3);
  Shape want;
  {
    UseWorkers use(one);
    want = shape(searchbounded(lat, budget));
  }
  bool alike = true;
  for (Workers* pool : {&two, &three}) {
    UseWorkers use(*pool);
    alike = alike && shape(searchbounded(lat, budget)) == want;
  }
  return alike;
}

TEST(Threads, GuessesStoppedInsideARowBuyTheSameBounds) {
  // Every search guessing the strips' bounds, each guess on a budget so
  // small that it stops inside a row, at a point that depends on the
  // threads' timing: what it buys must not.
  for (auto [n, r] : {std::pair{22, "1.2"}, std::pair{20, "1.55"},
                      std::pair{20, "1.06"}, std::pair{24, "1.2"}}) {
    BoundsBudget guessing;
    guessing.first = 64;
    guessing.guessafter = 0;
    guessing.guessstates = 4096;
    EXPECT_TRUE(alikeonthreads(buildtables(n, radius(r)), guessing))
        << n << " " << r;
  }
}

TEST(Threads, AProbeStoppedInsideARowDecidesAlike) {
  // The guess one higher probed at every chance, on budgets so small that
  // it stops inside a row at a point that depends on the threads' timing,
  // or large enough that it answers or fails: which it does must not
  // depend on them, nor so the search that follows.
  for (auto [n, r] :
       {std::pair{20, "1.55"}, std::pair{22, "1.2"}, std::pair{20, "1.06"}})
    for (long long first : {1 << 10, 1 << 14}) {
      BoundsBudget probing;
      probing.first = first;
      probing.giveup = first == 1 << 10 ? 16 : 4;
      probing.probeafter = 0;
      probing.guess = 0;  // the beam's count, often below the optimum
      probing.beam = probing.widest = 1;
      EXPECT_TRUE(alikeonthreads(buildtables(n, radius(r)), probing))
          << n << " " << r << " " << first;
    }
}

TEST(Threads, StripsGuessedTogetherBuyWhatOneWorkerBuys) {
  // The strips turned a quarter are guessed on all workers at once, taller
  // strips first, and their larger guesses later, and their guesses share
  // one allowance of states: budgets so small that it runs out inside a
  // strip's guesses, with other strips already taken or waiting for their
  // larger guesses, must not change the bounds a search is cut with.
  for (auto [n, r] : {std::pair{24, "1.55"}, std::pair{22, "1.75"},
                      std::pair{24, "2.1"}, std::pair{21, "1.2"}}) {
    const Lattice lat = buildtables(n, radius(r));
    for (long long guess : {1 << 10, 1 << 12, 1 << 16}) {
      BoundsBudget tight;
      tight.first = 64;   // strips bought by small budgets, and guessed
      tight.tighten = 1;  // within as many states, which guesses of up to
      tight.tightenstates = guess;  // `guess` states soon take
      EXPECT_TRUE(alikeonthreads(lat, tight)) << n << " " << r << " " << guess;
    }
  }
}

TEST(Threads, RowsAreEstimatedAlikeOnEveryNumberOfThreads) {
  // A search that refines whenever it passes its budget, set just above
  // the states so far, so that most rows are first estimated from a
  // sample of their groups: what each refinement is told, estimates
  // included, must not depend on the threads.
  using Calls = std::vector<std::pair<int, long long>>;
  Workers one(1), two(2), three(3);
  for (auto [n, r] : {std::pair{18, "1.2"}, std::pair{17, "1.55"},
                      std::pair{19, "1.06"}, std::pair{18, "2.1"}}) {
    const Lattice lat = buildtables(n, radius(r));
    auto calls = [&](Workers& pool) {
      UseWorkers use(pool);
      Calls seen;
      SearchOptions o;
      o.trace = false;
      o.maxstates = 1;
      o.estimatefrom = 1;
      o.refine = [&](SearchOptions& to, int row, long long states) {
        seen.emplace_back(row, states);
        to.maxstates = states + 1;
        return true;
      };
      seen.emplace_back(n + 1, searchgrouped(lat, o).sol);
      return seen;
    };
    const Calls want = calls(one);
    EXPECT_GT(want.size(), 10u) << n << " " << r;
    EXPECT_EQ(calls(two), want) << n << " " << r;
    EXPECT_EQ(calls(three), want) << n << " " << r;
  }
}

TEST(Threads, ABeamKeepsTheSameStatesWhateverTheShards) {
  // A narrow beam trims its shards while rows fill; what it keeps at the
  // end of each row is the first `beam` in one total order, so the same
  // states on any number of threads, and no more than the beam; and the
  // same whether or not successors ranked after a slice's cut are
  // dropped before they reach it.  Two slices in the wider beam.
  Workers one(1), three(3);
  for (auto [n, r, width] :
       {std::tuple{40, "2.5", 16}, std::tuple{60, "2.5", 16},
        std::tuple{30, "1.3", 16}, std::tuple{50, "0.6", 16},
        std::tuple{26, "1.1", 2048}}) {
    const Lattice lat = buildtables(n, radius(r));
    SearchOptions beam;
    beam.beam = width;
    SearchOptions sendall = beam;
    sendall.dropearly = false;
    Shape want;
    {
      UseWorkers use(one);
      want = shape(searchgrouped(lat, sendall));
      EXPECT_TRUE(shape(searchgrouped(lat, beam)) == want) << n << " " << r;
    }
    UseWorkers use(three);
    Trace t = searchgrouped(lat, beam);
    EXPECT_TRUE(shape(t) == want) << n << " " << r;
    for (const TraceRow& row : t.rows)
      EXPECT_LE(row.size(), static_cast<std::size_t>(width));
    std::string out = answer(t, n);
    EXPECT_EQ(out.substr(0, out.find('\n')), std::to_string(t.sol));
  }
}

}  // namespace
}  // namespace packer
