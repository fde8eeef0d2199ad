// Reading the two numbers of a run: the side n, then the radius.
#pragma once

#include <istream>
#include <string>

namespace packer {

struct Input {
  int n = 0;             // 1..26 when error is empty
  long double radr = 0;  // finite when error is empty
  std::string error;     // why the input was refused; empty when it is good
};

// Reads the first two white-space separated tokens of `in` and ignores the
// rest.  The side must be a whole decimal number from 1 to 26, the radius a
// decimal number (sign, fraction and exponent allowed) that a long double
// can hold; it is rounded to nearest, to 64 significant bits.
Input readinput(std::istream& in);

}  // namespace packer
