#include "workers.h"

#include <sched.h>

#include <algorithm>
#include <chrono>

#include "progress.h"

namespace packer {

int usablecores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return std::max(1, CPU_COUNT(&set));
}

Workers::Workers(int threads) {
  helpers_.reserve(std::max(0, threads - 1));  // start() holds pointers
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return;
  pthread_attr_setstacksize(&attr, kThreadStack);
  for (int k = 1; k < threads; ++k) {
    Helper& helper = helpers_.emplace_back(Helper{this, k, {}});
    if (pthread_create(&helper.thread, &attr, start, &helper) != 0) {
      helpers_.pop_back();
      break;
    }
  }
  pthread_attr_destroy(&attr);
}

Workers::~Workers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (Helper& helper : helpers_) pthread_join(helper.thread, nullptr);
}

void* Workers::start(void* helper) {
  Helper& h = *static_cast<Helper*>(helper);
  h.pool->serve(h.worker);
  return nullptr;
}

namespace {

// How long a thread that has finished its part polls for what it waits for
// before it sleeps.  A row of a small search takes a millisecond or less,
// and waking a sleeping thread took 65 to 250 microseconds on the 2-core
// virtual machine, three wakes a row (the tables' reset, the expansion,
// the queued merges): at n = 26 and radius 1.2 the strips' guesses took
// longer on two threads than on one.  The next job comes within this time
// when the rows are small; when they are large, a wasted poll is small
// beside them.
constexpr auto kPoll = std::chrono::microseconds(100);

// Polls done() for up to kPoll; returns whether it became true.
template <typename Done>
bool pollfor(Done done) {
  const auto until = std::chrono::steady_clock::now() + kPoll;
  for (int k = 0;; ++k) {
    if (done()) return true;
    if (k % 64 == 63 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
}

}  // namespace

void Workers::serve(int worker) {
  long long seen = 0;
  for (;;) {
    const std::function<void(int)>* job = nullptr;
    Progress where;
    pollfor(
        [&] { return generation_.load(std::memory_order_acquire) != seen; });
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
      job = job_;
      where = shared_;
    }
    // A helper that runs out of memory names the row as the caller would.
    progress() = where;
    progress().onrow = nullptr;
    (*job)(worker);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (--running_ == 0) done_.notify_one();
    }
  }
}

void Workers::run(const std::function<void(int)>& job) {
  if (helpers_.empty()) {
    job(0);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = &job;
    shared_ = progress();
    running_ = static_cast<int>(helpers_.size());
    ++generation_;
  }
  wake_.notify_all();
  job(0);
  pollfor([&] { return running_.load(std::memory_order_acquire) == 0; });
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return running_ == 0; });
  job_ = nullptr;
}

void Workers::forchunks(
    std::size_t count, std::size_t chunk,
    const std::function<void(std::size_t, std::size_t, int)>& body) {
  if (helpers_.empty() || count <= chunk) {
    for (std::size_t begin = 0; begin < count; begin += chunk)
      body(begin, std::min(count, begin + chunk), 0);
    return;
  }
  std::atomic<std::size_t> next{0};
  run([&](int worker) {
    for (std::size_t begin; (begin = next.fetch_add(chunk)) < count;)
      body(begin, std::min(count, begin + chunk), worker);
  });
}

void Workers::foreach (std::size_t count, bool shared,
                       const std::function<void(std::size_t, int)>& body) {
  if (!shared) {
    for (std::size_t k = 0; k < count; ++k) body(k, 0);
    return;
  }
  forchunks(count, 1, [&](std::size_t begin, std::size_t end, int worker) {
    for (std::size_t k = begin; k < end; ++k) body(k, worker);
  });
}

namespace {

Workers*& current() {
  thread_local Workers* pool = nullptr;
  return pool;
}

}  // namespace

Workers& workers() {
  thread_local Workers alone(1);
  Workers* pool = current();
  return pool ? *pool : alone;
}

UseWorkers::UseWorkers(Workers& pool) : before_(current()) {
  current() = &pool;
}

UseWorkers::~UseWorkers() { current() = before_; }

}  // namespace packer
