// The column sweep (sweep.cpp): the tests' exact model for radii up to 1.
#pragma once

#include "lattice.h"
#include "trace.h"

namespace packer {

// Every admissible pattern of every row as a state, each with its best
// parent; needs a radius up to 1.
Trace searchsweep(const Lattice& lat);

}  // namespace packer
