#include "fastsearch.h"

#include "check.h"

namespace packer {

bool profilebefore(const RowMask* a, const RowMask* b, int width) {
  for (int j = 0; j < width; ++j) {
    if (a[j] == b[j]) continue;
    // The first centre where the two Profiles differ is the lowest differing
    // column of this row.  The Profile holding it is the smaller one, unless
    // the other has no centre after it at all: a proper prefix comes first.
    RowMask low = (a[j] ^ b[j]) & -(a[j] ^ b[j]);
    const RowMask* other = (a[j] & low) ? b : a;
    bool othergoeson = (other[j] & ~(low | (low - 1))) != 0;
    for (int k = j + 1; k < width && !othergoeson; ++k)
      othergoeson = other[k] != 0;
    return othergoeson == (other == b);
  }
  return false;
}

Trace searchfast(const Lattice& lat) {
  return usesgrid(lat) ? searchgrid(lat) : searchbounded(lat);
}

int countfast(const Lattice& lat) { return searchbounded(lat, {}, true).sol; }

}  // namespace packer
