#include "landscape.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

#include "check.h"
#include "solve.h"

namespace packer {

std::vector<std::uint64_t> thresholds(int n) {
  const std::uint64_t top = static_cast<std::uint64_t>(n) * n;
  std::vector<bool> sum(top + 1, false);
  for (std::uint64_t i = 0; i * i <= top; ++i)
    for (std::uint64_t j = i; i * i + j * j <= top; ++j)
      sum[i * i + j * j] = true;
  std::vector<std::uint64_t> out;
  for (std::uint64_t d = 1; d <= top; ++d)
    if (sum[d]) out.push_back(d);
  return out;
}

std::vector<Step> landscape(int n, int threads) {
  const std::vector<std::uint64_t> t = thresholds(n);
  // Step k holds the radii with t[k - 1] < 4 r^2 <= t[k], and decides as
  // the largest radius not above sqrt(t[k]) / 2.  The steps of small radii
  // cost the most, so they are handed out first.
  std::vector<int> counts(t.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t k; (k = next++) < t.size();)
      counts[k] = countat(n, halfsqrtbelow(t[k]));
  };
  std::vector<std::thread> pool;
  for (int k = 1; k < threads; ++k) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();

  std::vector<Step> steps;
  for (std::size_t k = 0; k <= t.size(); ++k) {
    // Past n / 2 (4 r^2 > n^2) no circle fits.
    Step s{k ? t[k - 1] : 0, k < t.size() ? t[k] : kInfinity,
           k < t.size() ? counts[k] : 0};
    if (!steps.empty() && steps.back().count == s.count) {
      steps.back().to = s.to;
      continue;
    }
    // A larger radius never fits more circles: any packing of it is one of
    // the smaller radius too.
    PACKER_CHECK(steps.empty() || steps.back().count > s.count);
    steps.push_back(s);
  }
  return steps;
}

std::string boundtext(std::uint64_t d) {
  if (d == kInfinity) return "inf";
  auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(d)));
  while (root * root > d) --root;
  while ((root + 1) * (root + 1) <= d) ++root;
  if (root * root != d) return "sqrt(" + std::to_string(d) + ")/2";
  return std::to_string(root / 2) + (root % 2 ? ".5" : "");
}

std::string bounddecimal(std::uint64_t d) {
  if (d == kInfinity) return "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.6f",
                std::sqrt(static_cast<double>(d)) / 2);
  return text;
}

}  // namespace packer
