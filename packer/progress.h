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

// One record a thread: packrange runs searches on two threads at once.
extern thread_local Progress progress;

inline void reportrow(const char* phase, int row, int rows, long long states) {
  progress.phase = phase;
  progress.row = row;
  progress.rows = rows;
  progress.states = states;
  if (progress.onrow) progress.onrow();
}

}  // namespace packer
