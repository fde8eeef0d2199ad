// What a running search reports after each row, for the progress shown on
// a terminal and for the message when memory runs out.
#pragma once

namespace packer {

struct Progress {
  const char* phase = "";  // the search running: see the callers
  int row = 0;             // the row just filled, of `rows`
  int rows = 0;
  long long states = 0;       // states that row holds
  void (*onrow)() = nullptr;  // called after each row, when set
};

// The record of the calling thread: packrange runs searches on two threads
// at once.  A function rather than an extern thread_local variable, whose
// access from other files goes through compiler-made wrappers that the
// undefined-behaviour sanitizer has been seen to misjudge.
Progress& progress();

inline void reportrow(const char* phase, int row, int rows, long long states) {
  Progress& p = progress();
  p.phase = phase;
  p.row = row;
  p.rows = rows;
  p.states = states;
  if (p.onrow) p.onrow();
}

}  // namespace packer
