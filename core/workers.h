// The threads a run computes on: one pool for the whole run, its workers
// waiting between the parallel steps of the searches (a row's expansion,
// a beam's trim), so that no thread is made per row.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "progress.h"

namespace packer {

// The cores this process may run on (sched_getaffinity), at least 1.
int usablecores();

// The stack a thread running the searches needs: they go a few dozen
// frames deep, of at most tens of KiB each (the grouped search's scratch
// rows); a helper used 80 KiB at most at n = 26 to 63, and 125 KiB in
// packrange's steps.  The caller's stack is grown to it before memory is
// capped (process.cpp), and each helper's is made this size.
constexpr std::size_t kThreadStack = std::size_t{1} << 20;

class Workers {
 public:
  // Starts threads - 1 helpers: the caller of run() is worker 0.  A helper
  // that cannot start (its stack does not fit a memory cap) leaves its
  // share to the others, so size() may be smaller than asked.  A helper's
  // stack is kThreadStack, not the system's default (8 MiB, as `ulimit -s`
  // sets it), which counts whole against the address space --max-memory
  // caps: n = 26 at radius 1.2 fits in 17 MiB on one thread, and needed 29
  // on two so (19 now); 63 helpers would hold half a gigabyte.
  explicit Workers(int threads = 1);
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  int size() const { return static_cast<int>(helpers_.size()) + 1; }

  // Runs job(worker) on every worker at once, worker = 0..size() - 1, and
  // returns when all have returned.  Not reentrant: a job does not call
  // run() of the same pool.
  void run(const std::function<void(int worker)>& job);

  // Hands out the items 0..count - 1 in chunks of `chunk` to whichever
  // worker is free: body(begin, end, worker).
  void forchunks(
      std::size_t count, std::size_t chunk,
      const std::function<void(std::size_t, std::size_t, int)>& body);

  // Runs body(k, worker) for every k < count: on the workers, one item at
  // a time to whichever is free, when `shared`; else on the caller alone,
  // where the items cost less than waking the workers.
  void foreach (std::size_t count, bool shared,
                const std::function<void(std::size_t, int)>& body);

 private:
  void serve(int worker);
  static void* start(void* helper);

  // A helper thread and the worker it is, which start() reads.
  struct Helper {
    Workers* pool;
    int worker;
    pthread_t thread;
  };
  std::vector<Helper> helpers_;  // started, in order; never reallocated
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(int)>* job_ = nullptr;  // the job being run
  // Counts the jobs started, so a helper runs each job once; written under
  // mutex_, read also without it by a helper spinning for the next job.
  std::atomic<long long> generation_{0};
  // Helpers still in the current job; written under mutex_, read also
  // without it by the caller spinning for the job's end.
  std::atomic<int> running_{0};
  bool stopping_ = false;
  Progress shared_;  // the caller's progress record, copied to each helper
};

// The pool the searches of the calling thread use: by default a single
// worker, the thread itself.  packrange runs a search on each of its
// threads, each on its own (default) pool.
Workers& workers();

// Makes `pool` the calling thread's pool while it lives.
class UseWorkers {
 public:
  explicit UseWorkers(Workers& pool);
  ~UseWorkers();
  UseWorkers(const UseWorkers&) = delete;
  UseWorkers& operator=(const UseWorkers&) = delete;

 private:
  Workers* before_;
};

}  // namespace packer
