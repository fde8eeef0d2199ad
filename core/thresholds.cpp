#include "thresholds.h"

#include <algorithm>
#include <cmath>

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

std::string boundtext(std::uint64_t d) {
  if (d == kInfinity) return "inf";
  auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(d)));
  while (root * root > d) --root;
  while ((root + 1) * (root + 1) <= d) ++root;
  if (root * root != d) return "sqrt(" + std::to_string(d) + ")/2";
  return std::to_string(root / 2) + (root % 2 ? ".5" : "");
}

std::uint64_t crossedthreshold(int n, std::string_view token,
                               const Radius& radr) {
  // The number typed and radr lie within half a unit of radr's last bit,
  // about radr * 2^-64, of each other, while neighbouring thresholds lie
  // at least 1 / (4n) apart.  So only the threshold nearest to radr can
  // separate them, and near it 4 radr^2 is within 2^-50 of d: d is 4 radr^2
  // rounded to a whole number.  Radii past n / 2 + 1 are far from all.
  if (radr.negative || radr.sig == 0 || compare(radr, 0, n / 2 + 1) > 0)
    return 0;
  // 4 radr^2 = sig^2 / 2^shift.  Below one half (shift >= 128) the number
  // typed is below one half too: one half is a value of the format.
  const int shift = -2 * radr.exp - 2;
  if (shift <= 0 || shift >= 128) return 0;
  const unsigned __int128 square =
      static_cast<unsigned __int128>(radr.sig) * radr.sig;
  const std::uint64_t d = static_cast<std::uint64_t>(
      (square + (static_cast<unsigned __int128>(1) << (shift - 1))) >> shift);
  const std::vector<std::uint64_t> decisive = thresholds(n);
  if (!std::binary_search(decisive.begin(), decisive.end(), d)) return 0;
  const bool readabove = closerthandiameter(d, radr);
  const Side typed = sideof(token, d);
  if (typed == Side::unknown) return 0;
  return (typed == Side::above) != readabove ? d : 0;
}

}  // namespace packer
