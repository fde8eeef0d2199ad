// One whole run of the solver, from the two numbers to the printed answer.
#pragma once

#include <string>

#include "radius.h"

namespace packer {

// The answer text for side n (1..kMaxSide) and radius radr: the count, then one
// "row column" line per centre, ascending.
std::string solve(int n, const Radius& radr);

}  // namespace packer
