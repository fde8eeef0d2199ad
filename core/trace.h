// What a search hands to the answer phase: for every row, each state's
// parent link and the centres its row received, plus the chosen final state.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "lattice.h"

namespace packer {

// Row masks stored in 32 bits each while no mask needs more (sides up to
// 31), which halves the largest part of a trace; the first mask with higher
// columns adds the high halves for all, zero for the masks before it.
class MaskColumn {
 public:
  RowMask operator[](std::size_t k) const {
    return low_[k] | (wide_ ? RowMask{high_[k]} << 32 : 0);
  }
  std::size_t size() const { return low_.size(); }
  void clear() {
    low_.clear();
    high_.clear();
    wide_ = false;
  }
  void reserve(std::size_t n) { low_.reserve(n); }
  void resize(std::size_t n) {
    low_.resize(n);
    if (wide_) high_.resize(n);
  }
  void push_back(RowMask m) {
    if ((m >> 32) != 0) widen();
    low_.push_back(static_cast<std::uint32_t>(m));
    if (wide_) high_.push_back(static_cast<std::uint32_t>(m >> 32));
  }
  void set(std::size_t k, RowMask m) {
    if ((m >> 32) != 0) widen();
    low_[k] = static_cast<std::uint32_t>(m);
    if (wide_) high_[k] = static_cast<std::uint32_t>(m >> 32);
  }

 private:
  void widen() {
    if (wide_) return;
    high_.assign(low_.size(), 0);
    wide_ = true;
  }

  std::vector<std::uint32_t> low_;   // low 32 bits of every mask
  std::vector<std::uint32_t> high_;  // high 32 bits; as long as low_ when
                                     // wide_, else empty
  bool wide_ = false;                // some mask stored had a high bit
};

// Parent links and patterns of some of a row's states, in their order.
//
// A folded trace (Trace::folded) keeps a state and its mirror image, turned
// left to right, as one: state k stands for both, its own links for itself
// and `papaflip` for its image, whose pattern is placed[k] turned.  Every
// link of a folded trace names a state of the previous row and which of the
// two it is: 2 * index + 1 for the image, 2 * index for the state itself.
struct TracePiece {
  std::vector<int> papa;      // papa[k]: index in the previous row of the state
                              // that state k was built from
  MaskColumn placed;          // placed[k]: centres of this row on the path to
                              // state k; same length as papa
  std::vector<int> papaflip;  // folded: the parent of state k's image
};

// A row's states, numbered through its pieces in turn.  A search shared
// among threads fills one piece a shard, and a row's pieces are handed to
// the trace as they stand: joining them costs a copy of every row, made by
// one thread while the others wait (a sixth of the run at n = 26, radius
// 1.55, on two threads).
struct TraceRow {
  std::vector<TracePiece> pieces;

  std::size_t size() const {
    std::size_t total = 0;
    for (const TracePiece& p : pieces) total += p.papa.size();
    return total;
  }
  // The piece state k lies in, and its index there.
  std::pair<const TracePiece*, std::size_t> find(std::size_t k) const {
    for (const TracePiece& p : pieces) {
      if (k < p.papa.size()) return {&p, k};
      k -= p.papa.size();
    }
    return {nullptr, 0};
  }
  // A row held in one piece, made empty: for the searches that fill a
  // whole row at once.
  TracePiece& whole() {
    pieces.assign(1, {});
    return pieces[0];
  }
};

struct Trace {
  std::vector<TraceRow> rows;  // rows[i] for i = 1..n; rows[0] is the
                               // single empty start state and stays empty
  int sol = -1;                // best count in the last row
  int cr = -1;                 // index of the chosen state in the last row
                               // (folded: as a link, 2 * index + image)
  bool folded = false;         // see TracePiece
  long long states = 0;        // states summed over rows 1..n (a search
                               // stopped inside a row: its budget plus
                               // one); the bounds budget their strips by it
  bool stopped = false;        // SearchOptions::maxstates cut the search short
  int filled = 0;              // the grouped search's rows filled: n, or
                               // the row it stopped in or after
  // best[i]: the most circles a state of row i holds, for the rows the
  // grouped search filled (-1: none, or a row it held no state in).  With
  // nothing dropped, the most that rows 1..i hold.
  std::vector<int> best;
};

}  // namespace packer
