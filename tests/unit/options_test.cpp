// The command line and the memory estimate: sizes read and shown, options
// accepted and refused, and the cheap count of row patterns behind the
// refusal of runs that cannot fit.
#include "options.h"

#include <gtest/gtest.h>

#include "fastsearch.h"
#include "lattice.h"
#include "process.h"
#include "radius_util.h"
#include "solve.h"
#include "workers.h"

namespace packer {
namespace {

TEST(Sizes, ReadWithBinarySuffixes) {
  struct Case {
    const char* text;
    std::uint64_t bytes;
  };
  for (Case c : {Case{"100000", 100000}, Case{"512M", 512ull << 20},
                 Case{"8G", 8ull << 30}, Case{"8g", 8ull << 30},
                 Case{"1.5G", 3ull << 29}, Case{"64KiB", 64ull << 10},
                 Case{"2TB", 2ull << 40}}) {
    std::uint64_t bytes = 0;
    EXPECT_TRUE(parsesize(c.text, bytes)) << c.text;
    EXPECT_EQ(bytes, c.bytes) << c.text;
  }
  std::uint64_t bytes = 0;
  for (const char* bad :
       {"", "M", "0", "0.1", "-5M", "5X", "5MM", "1.2.3G", "99999999T", "5 M"})
    EXPECT_FALSE(parsesize(bad, bytes)) << bad;
}

TEST(Sizes, ShownInTheNearestUnit) {
  EXPECT_EQ(formatsize(512), "512 bytes");
  EXPECT_EQ(formatsize(512ull << 20), "512 MiB");
  EXPECT_EQ(formatsize(3ull << 29), "1.5 GiB");
  EXPECT_EQ(formatsize(23ull << 30), "23 GiB");
}

TEST(Options, AcceptedAndRefused) {
  auto parse = [](std::vector<const char*> args) {
    args.insert(args.begin(), "packrange");
    return parsecommandline(static_cast<int>(args.size()), args.data(),
                            "packrange", true, {"--svg"});
  };
  EXPECT_EQ(parse({}).error, "");
  EXPECT_EQ(parse({}).maxmemory, 0u);
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_TRUE(parse({"-h"}).help);
  EXPECT_TRUE(parse({"--version"}).version);
  EXPECT_EQ(parse({"--max-memory=2G"}).maxmemory, 2ull << 30);
  EXPECT_EQ(parse({"--max-memory", "3M"}).maxmemory, 3ull << 20);
  EXPECT_EQ(parse({"--max-memory"}).error,
            "--max-memory needs a size such as 512M or 8G");
  EXPECT_EQ(parse({"--max-memory=x"}).error,
            "--max-memory needs a size such as 512M or 8G, not 'x'");
  EXPECT_EQ(parse({"--threads=3"}).threads, 3);
  EXPECT_EQ(parse({"--threads", "1024"}).threads, 1024);
  EXPECT_EQ(parse({"12"}).threads, 0);  // not given: every usable core
  EXPECT_EQ(threadsfor(parse({"12"})), usablecores());
  EXPECT_GE(usablecores(), 1);
  for (const char* bad : {"0", "1025", "-1", "two", "", "1.5"})
    EXPECT_EQ(parse({"--threads", bad}).error,
              std::string("--threads needs a number of threads, 1 to 1024, "
                          "not '") +
                  bad + "'")
        << bad;
  EXPECT_EQ(parse({"--threads"}).error,
            "--threads needs a number of threads, 1 to 1024");
  EXPECT_EQ(parse({"--maxmemory=1G"}).error,
            "unknown option '--maxmemory=1G' (see packrange --help)");
  // Operands and flags in any order; negative numbers and anything after
  // "--" are operands.
  CommandLine mixed = parse({"12", "--svg", "-1.5", "--", "--help", "-"});
  EXPECT_EQ(mixed.error, "");
  EXPECT_FALSE(mixed.help);
  EXPECT_EQ(mixed.flags, std::vector<std::string>{"--svg"});
  EXPECT_EQ(mixed.operands,
            (std::vector<std::string>{"12", "-1.5", "--help", "-"}));
  // A program without --max-memory, --threads or flags refuses them.
  const char* svg[] = {"packsvg", "--max-memory=1G"};
  EXPECT_NE(parsecommandline(2, svg, "packsvg", false).error, "");
  const char* threads[] = {"packsvg", "--threads=2"};
  EXPECT_NE(parsecommandline(2, threads, "packsvg", false).error, "");
  const char* flag[] = {"packsvg", "--svg"};
  EXPECT_NE(parsecommandline(2, flag, "packsvg", false).error, "");
}

TEST(MemoryNeed, OnlyTheSweepIsRefusedBeforeItStarts) {
  // The sweep keeps every admissible pattern (the ones validmasks lists)
  // as a state of every row with centres, in its trace: that much at
  // least.  The bounded search, which finds every count, may drop nearly
  // every state, so nothing is known before it runs.
  for (const char* r : {"0.6", "0.75", "1", "1.1", "1.6", "2.5"})
    for (int n : {4, 9, 15, 20}) {
      Lattice lat = buildtables(n, radius(r));
      MemoryNeed need = leastmemory(n, radius(r));
      MemoryNeed count = leastmemory(n, radius(r), true);
      const CentreRows rows = centrerows(lat);
      EXPECT_EQ(count.bytes, 0u) << "n " << n << " r " << r;
      if (!usessweep(lat) || rows.count == 0) {
        EXPECT_EQ(need.bytes, 0u) << "n " << n << " r " << r;
        continue;
      }
      EXPECT_EQ(need.patterns, validmasks(lat).size()) << n << " " << r;
      EXPECT_GE(need.bytes, need.patterns * rows.count * 8);
    }
  EXPECT_EQ(leastmemory(63, radius("0.5")).bytes, 0u);  // no search at all
  // Beyond any machine: Fibonacci-many patterns of 62 columns.
  EXPECT_GT(leastmemory(63, radius("0.75")).bytes, 1ull << 50);
  // Every row full, which the bounds prove at once: nothing to refuse.
  EXPECT_EQ(leastmemory(63, radius("0.6")).bytes, 0u);
}

}  // namespace
}  // namespace packer
