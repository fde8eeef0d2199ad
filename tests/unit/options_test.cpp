// The command line: sizes read and shown, options accepted and refused.
#include "options.h"

#include <gtest/gtest.h>

#include "process.h"
#include "radius_util.h"
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

}  // namespace
}  // namespace packer
