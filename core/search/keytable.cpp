#include "keytable.h"

#include <algorithm>

#include "check.h"

namespace packer {

void KeyTable::reset(int width) {
  width_ = width;
  size_ = 0;
  appended_ = false;
  // Small at first: a search on several threads resets a table for each
  // of its shards at every row, and the rows of the narrow strips of the
  // bounds hold a few states (n = 26, radius 1.1: the strips took 0.044 s
  // on two threads against 0.029 s on one with 1,024 slots).
  if (slots_.empty()) slots_.resize(64);
  // A table filled only by append() never touched its slots.
  if (indexed_) std::fill(slots_.begin(), slots_.end(), 0);
  indexed_ = false;
}

std::uint64_t hashkey(const RowMask* key, int width) {
  std::uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (int k = 0; k < width; ++k) {
    h = (h ^ key[k]) * 0xff51afd7ed558ccdULL;
    h ^= h >> 29;
  }
  return h ^ (h >> 32);
}

// The slot where `key`, of hash h, lies, or the empty one where it would
// go: the one probe loop of find() and findorinsert().
std::size_t KeyTable::probe(const RowMask* key, std::uint64_t h) const {
  const std::uint64_t tag = h & 0xffffffff00000000ULL;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = h & mask;; s = (s + 1) & mask) {
    const std::uint64_t slot = slots_[s];
    if (slot == 0) return s;
    if ((slot & 0xffffffff00000000ULL) != tag) continue;
    const RowMask* stored = arena_.data() + slotkey(slot) * width_;
    int k = 0;
    while (k < width_ && stored[k] == key[k]) ++k;
    if (k == width_) return s;
  }
}

int KeyTable::findorinsert(const RowMask* key, std::uint64_t h,
                           bool& inserted) {
  PACKER_CHECK(!appended_);
  const std::size_t s = probe(key, h);
  inserted = slots_[s] == 0;
  if (!inserted) return slotkey(slots_[s]);
  slots_[s] =
      (h & 0xffffffff00000000ULL) | static_cast<std::uint32_t>(size_ + 1);
  indexed_ = true;
  RowMask* stored = newkey();
  for (int k = 0; k < width_; ++k) stored[k] = key[k];
  // At most 7 keys in 10 slots: probes stay short, and the slots take 11
  // to 23 bytes a key rather than 16 to 32 at half full.
  if (10 * static_cast<std::size_t>(size_) > 7 * slots_.size()) grow();
  return size_ - 1;
}

int KeyTable::find(const RowMask* key) const {
  PACKER_CHECK(!appended_);
  const std::uint64_t slot = slots_[probe(key, hash(key))];
  return slot ? slotkey(slot) : -1;
}

void KeyTable::grow() {
  slots_.assign(slots_.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (int k = 0; k < size_; ++k) {
    const std::uint64_t h = hash(arena_.data() + k * width_);
    std::size_t s = h & mask;
    while (slots_[s] != 0) s = (s + 1) & mask;
    slots_[s] = (h & 0xffffffff00000000ULL) | static_cast<std::uint32_t>(k + 1);
  }
}

}  // namespace packer
