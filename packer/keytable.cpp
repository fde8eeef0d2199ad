#include "keytable.h"

#include <algorithm>

namespace packer {

void KeyTable::reset(int width) {
  width_ = width;
  size_ = 0;
  arena_.clear();
  if (slots_.empty()) slots_.resize(1024);
  std::fill(slots_.begin(), slots_.end(), -1);
}

std::uint64_t KeyTable::hash(const RowMask* key) const {
  std::uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (int k = 0; k < width_; ++k) {
    h = (h ^ key[k]) * 0xff51afd7ed558ccdULL;
    h ^= h >> 29;
  }
  return h ^ (h >> 32);
}

int KeyTable::findorinsert(const RowMask* key, bool& inserted) {
  std::size_t mask = slots_.size() - 1;
  for (std::size_t s = hash(key) & mask;; s = (s + 1) & mask) {
    std::int32_t at = slots_[s];
    if (at < 0) {
      inserted = true;
      slots_[s] = size_;
      arena_.insert(arena_.end(), key, key + width_);
      if (2 * ++size_ > static_cast<int>(slots_.size())) grow();
      return size_ - 1;
    }
    if (std::equal(key, key + width_, arena_.data() + at * width_)) {
      inserted = false;
      return at;
    }
  }
}

void KeyTable::grow() {
  slots_.assign(slots_.size() * 2, -1);
  std::size_t mask = slots_.size() - 1;
  for (int k = 0; k < size_; ++k) {
    std::size_t s = hash(arena_.data() + k * width_) & mask;
    while (slots_[s] >= 0) s = (s + 1) & mask;
    slots_[s] = k;
  }
}

}  // namespace packer
