// What a search hands to the answer phase: for every row, each state's
// parent link and the centres its row received, plus the chosen final state.
#pragma once

#include <string>
#include <vector>

#include "lattice.h"

namespace packer {

struct TraceRow {
  std::vector<int> papa;        // papa[k]: index in the previous row of the
                                // state that state k was built from
  std::vector<RowMask> placed;  // placed[k]: centres of this row on the
                                // path to state k; same length as papa
};

struct Trace {
  std::vector<TraceRow> rows;  // rows[i] for i = 1..n; rows[0] is the
                               // single empty start state and stays empty
  int sol = -1;                // best count in the last row
  int cr = -1;                 // index of the chosen state in the last row
  long long states = 0;        // states summed over rows 1..n (statistics)
  std::vector<int> best;       // best[i]: most circles of a state of row i
                               // (the grouped search fills it)
};

// The answer for radr <= 0.5: every lattice point strictly inside the square.
std::string smallanswer(int n);

// Walks the parent links back from the chosen state, checks that the path
// is consistent, and formats the count and the centres (ascending).
std::string answer(const Trace& trace, int n);

}  // namespace packer
