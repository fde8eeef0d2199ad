// One whole run of the solver, from the two numbers to the printed answer.
#pragma once

#include <string>

namespace packer {

// The answer text for side n (1..26) and radius radr: the count, then one
// "row column" line per centre, ascending.
std::string solve(int n, long double radr);

}  // namespace packer
