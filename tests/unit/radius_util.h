// Radii for the unit tests, read from decimal text exactly as the program
// reads them, so every test means the same value on every platform.
#pragma once

#include <string>

#include "radius.h"

namespace packer {

inline Radius radius(const std::string& text) {
  Radius r;
  readradius(text, r);
  return r;
}

// The neighbouring value with a 64-bit significand, above or below.
inline Radius nextup(Radius r) {
  if (++r.sig == 0) {
    r.sig = std::uint64_t{1} << 63;
    ++r.exp;
  }
  return r;
}
inline Radius nextdown(Radius r) {
  if (--r.sig < std::uint64_t{1} << 63) {
    r.sig = r.sig << 1 | 1;
    --r.exp;
  }
  return r;
}

}  // namespace packer
