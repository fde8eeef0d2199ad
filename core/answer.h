// The answer phase: the count and the centres, as printed.
#pragma once

#include <string>

#include "trace.h"

namespace packer {

// The answer for radr <= 0.5: every lattice point strictly inside the square.
std::string smallanswer(int n);

// Walks the parent links back from the chosen state, checks that the path
// is consistent, and formats the count and the centres (ascending).
std::string answer(const Trace& trace, int n);

}  // namespace packer
