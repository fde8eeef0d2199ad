#include "reference.h"

#include <algorithm>
#include <map>

#include "check.h"

namespace packer {

// (n + 1)^4 entries: 17 MB at n = 63.
static std::size_t memoindex(int n, int r, int c, int row, int col) {
  std::size_t side = n + 1;
  return ((r * side + c) * side + row) * side + col;
}

Inserter::Inserter(const Lattice& l)
    : lat(l), memoi(memoindex(l.n, l.n, l.n, l.n, l.n) + 1, 0) {}

bool Inserter::inscells(Profile profile, int row, RowMask mask) {
  nw.clear();
  keep.assign(profile.size(), true);
  for (int col = 0; col <= lat.n; ++col) {
    if (!(mask >> col & 1)) continue;
    nw.push_back({row, col});
    for (std::size_t k = 0; k < profile.size(); ++k) {
      auto [r, c] = profile[k];
      PACKER_CHECK(r < row);
      if (lat.intersectcircle[row - r][std::abs(c - col)]) return false;
      std::int8_t& memo = memoi[memoindex(lat.n, r, c, row, col)];
      if (memo == 0) memo = covers(lat, r, c, row, col) ? 1 : 2;
      PACKER_CHECK(memo == 1 || memo == 2);
      if (memo == 1) keep[k] = false;
    }
  }
  for (std::size_t k = 0; k < profile.size(); ++k)
    if (keep[k] && staysafter(lat, profile[k].first, row))
      nw.push_back(profile[k]);
  std::sort(nw.begin(), nw.end());
  return true;
}

Trace searchreference(const Lattice& lat) {
  const int n = lat.n;
  std::vector<RowMask> masks = validmasks(lat);
  Inserter ins(lat);
  using RowState = std::pair<int, Profile>;  // (count, Profile)
  std::vector<RowState> prev{{0, Profile{}}};
  Trace trace;
  trace.rows.resize(n + 1);
  for (int i = 1; i <= n; ++i) {
    std::map<Profile, std::pair<int, int>> mp;  // Profile -> (count, parent)
    for (int j = 0; j < static_cast<int>(prev.size()); ++j) {
      for (RowMask mask : masks) {
        bool ok = true;
        int count = 0;
        for (int c = 0; c <= n; ++c)
          if (mask >> c & 1) {
            ok = ok && lat.okplaceborder[i][c];
            ++count;
          }
        if (!ok || !ins.inscells(prev[j].second, i, mask)) continue;
        int val = prev[j].first + count;
        auto it = mp.find(ins.nw);
        if (it == mp.end())
          mp.emplace(ins.nw, std::make_pair(val, j));
        else if (val > it->second.first)
          it->second = {val, j};  // equal counts keep the earlier parent
      }
    }
    std::vector<RowState> cur;
    TracePiece& out = trace.rows[i].whole();
    for (auto& [profile, entry] : mp) {
      RowMask placed = 0;
      for (auto [r, c] : profile)
        if (r == i) placed |= RowMask{1} << c;
      out.papa.push_back(entry.second);
      out.placed.push_back(placed);
      cur.emplace_back(entry.first, profile);
    }
    trace.states += static_cast<long long>(cur.size());
    prev = std::move(cur);
  }
  for (int k = 0; k < static_cast<int>(prev.size()); ++k)
    if (prev[k].first > trace.sol) {
      trace.sol = prev[k].first;
      trace.cr = k;
    }
  return trace;
}

}  // namespace packer
