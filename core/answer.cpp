#include "answer.h"

#include <set>

#include "check.h"

namespace packer {

std::string smallanswer(int n) {
  PACKER_CHECK(1 <= n && n <= kMaxSide);
  std::string out = std::to_string((n - 1) * (n - 1)) + "\n";
  for (int i = 1; i <= n - 1; ++i)
    for (int j = 1; j <= n - 1; ++j)
      out += std::to_string(i) + " " + std::to_string(j) + "\n";
  return out;
}

std::string answer(const Trace& trace, int n) {
  PACKER_CHECK(static_cast<int>(trace.rows.size()) == n + 1);
  std::set<Cell> all;  // centres on the path, ascending
  int cr = trace.cr;
  for (int i = n; i > 0; --i) {
    PACKER_CHECK(cr >= 0);
    // A folded link names a state and whether it is its image.
    const bool image = trace.folded && (cr & 1);
    auto [piece, k] = trace.rows[i].find(trace.folded ? cr >> 1 : cr);
    PACKER_CHECK(piece != nullptr);
    PACKER_CHECK(piece->placed.size() == piece->papa.size());
    PACKER_CHECK(!trace.folded || piece->papaflip.size() == piece->papa.size());
    for (int c = 0; c <= n; ++c)
      if (piece->placed[k] >> c & 1) all.insert({i, image ? n - c : c});
    cr = image ? piece->papaflip[k] : piece->papa[k];
  }
  // The walk must end on the single start state (folded, itself or its
  // image, the same empty Profile), and the path must hold exactly as many
  // distinct centres as its count claims.
  PACKER_CHECK((trace.folded ? cr >> 1 : cr) == 0);
  PACKER_CHECK(static_cast<int>(all.size()) == trace.sol);

  std::string out = std::to_string(trace.sol) + "\n";
  for (const Cell& cell : all)
    out +=
        std::to_string(cell.first) + " " + std::to_string(cell.second) + "\n";
  return out;
}

}  // namespace packer
