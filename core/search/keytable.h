// An open-addressing index of fixed-width keys (a few row masks each).  The
// keys themselves live in one flat arena in insertion order, so the index of
// a key doubles as the index of its state and nothing is allocated per key.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "lattice.h"

namespace packer {

// The hash of a key of `width` masks, which KeyTable indexes by.
std::uint64_t hashkey(const RowMask* key, int width);

class KeyTable {
 public:
  // Empties the table for keys of `width` masks (0 is allowed: one key).
  void reset(int width);

  // The index of `key`, inserting a copy when it is new (`inserted` tells).
  int findorinsert(const RowMask* key, bool& inserted) {
    return findorinsert(key, hash(key), inserted);
  }
  // The same with the key's hash already known.
  int findorinsert(const RowMask* key, std::uint64_t h, bool& inserted);

  // The index of `key`, or -1 when it is not in the table.
  int find(const RowMask* key) const;

  // Room for one more key, known to be new, for the caller to fill in; it
  // is not indexed, so the caller promises not to look keys up in this
  // table until the next reset().
  RowMask* append() {
    appended_ = true;
    return newkey();
  }

  // Gives this table's index to `next`, which is about to be reset and
  // refilled; this table keeps its keys, read by index only.  So the rows
  // of a search share one index instead of holding two.
  void handindex(KeyTable& next) {
    std::swap(slots_, next.slots_);
    std::swap(indexed_, next.indexed_);
    appended_ = true;
  }

  std::uint64_t hash(const RowMask* key) const { return hashkey(key, width_); }
  // Starts loading the slot a key with hash h probes first, so that a
  // caller can overlap the cache miss with other work.
  void prefetch(std::uint64_t h) const {
    __builtin_prefetch(&slots_[h & (slots_.size() - 1)]);
  }

  const RowMask* key(int index) const { return arena_.data() + index * width_; }
  int size() const { return size_; }
  int width() const { return width_; }
  // Slots of the index, which reset() clears.
  std::size_t slots() const { return slots_.size(); }

 private:
  void grow();
  std::size_t probe(const RowMask* key, std::uint64_t h) const;
  // The index of the key a slot in use holds.
  static int slotkey(std::uint64_t slot) {
    return static_cast<int>(static_cast<std::uint32_t>(slot)) - 1;
  }
  // Storage for key number size_, which it then counts.  Keys are a few
  // masks each, so they are copied by hand rather than by a library call
  // per key.
  RowMask* newkey() {
    std::size_t end = static_cast<std::size_t>(size_ + 1) * width_;
    // Growing to just `end` lets the vector double its capacity without
    // touching it; resizing to twice the size would zero, and so make
    // resident, up to twice the keys in use.
    if (end > arena_.size()) arena_.resize(end);
    return arena_.data() + static_cast<std::size_t>(size_++) * width_;
  }

  int width_ = 0;
  int size_ = 0;
  bool appended_ = false;       // keys were appended unindexed
  bool indexed_ = false;        // some slot is in use (reset must clear)
  std::vector<RowMask> arena_;  // key k at k * width_; only the first
                                // size_ keys are in use
  // A slot holds 0 when empty, else the key's index + 1 in its low half
  // and the high half of the key's hash above it, so that most probes of
  // other keys are settled without reading the arena.  The length is a
  // power of two, at least 10/7 of size_.
  std::vector<std::uint64_t> slots_;
};

}  // namespace packer
