// Reading the two numbers of a run: the side n, then the radius.
#pragma once

#include <istream>
#include <string>

#include "radius.h"

namespace packer {

struct Input {
  int n = 0;                // 1..kMaxSide when error is empty
  Radius radr;              // as read, when error is empty
  std::string radiustext;   // the radius as written, for messages
  std::string error;        // why the input was refused; empty when it is good
  bool unreadable = false;  // the error is that the input could not be read
};

// Reads the first two white-space separated tokens of `in` and ignores the
// rest.  The side must be a whole decimal number from 1 to 63, the radius a
// decimal number (sign, fraction and exponent allowed), rounded to nearest
// to 64 significant bits (radius.h); one beyond that format's range is
// refused.  A token may be up to a million characters long.
Input readinput(std::istream& in);

}  // namespace packer
