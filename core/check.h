// Internal invariants of the solver.  They are part of the program's
// behaviour, not debugging aids, so they ignore NDEBUG: a release build that
// silently printed a broken packing would be worse than one that stops.
#pragma once

#include <cstdio>
#include <cstdlib>

#define PACKER_CHECK(expr)                                                \
  do {                                                                    \
    if (!(expr)) {                                                        \
      std::fprintf(stderr, "packer: internal check failed: %s (%s:%d)\n", \
                   #expr, __FILE__, __LINE__);                            \
      std::abort();                                                       \
    }                                                                     \
  } while (0)
