// An open-addressing index of fixed-width keys (a few row masks each).  The
// keys themselves live in one flat arena in insertion order, so the index of
// a key doubles as the index of its state and nothing is allocated per key.
#pragma once

#include <cstdint>
#include <vector>

#include "lattice.h"

namespace packer {

class KeyTable {
 public:
  // Empties the table for keys of `width` masks (0 is allowed: one key).
  void reset(int width);

  // The index of `key`, inserting a copy when it is new (`inserted` tells).
  int findorinsert(const RowMask* key, bool& inserted);

  const RowMask* key(int index) const { return arena_.data() + index * width_; }
  int size() const { return size_; }
  int width() const { return width_; }

 private:
  std::uint64_t hash(const RowMask* key) const;
  void grow();

  int width_ = 0;
  int size_ = 0;
  std::vector<RowMask> arena_;  // size_ * width_ masks, key k at k * width_
  std::vector<std::int32_t> slots_;  // -1 empty, else a key index; the
                                     // length is a power of two, at least
                                     // twice size_
};

}  // namespace packer
