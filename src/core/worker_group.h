// The detached workers of one kind (check runs, clean-up counts, the command line's servers):
// how many are alive, and a wait until none is. Nothing in the program waits for a worker;
// a worker whose work is no longer wanted learns it from its token and ends on its own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrane {

// Whether a worker's work is still wanted. Current until ended: by Stop, a newer start, a
// deadline or the end of what it works for. What an ended worker produces is dropped.
class WorkToken {
 public:
  bool Current() const { return current_.load(); }
  void End() { current_.store(false); }

 private:
  std::atomic<bool> current_{true};
};

class WorkerGroup {
 public:
  WorkerGroup() = default;
  WorkerGroup(const WorkerGroup&) = delete;
  WorkerGroup& operator=(const WorkerGroup&) = delete;

  // Starts `work` on a detached thread. The worker counts as alive until `work` has returned
  // and what it holds is gone; an exception escaping it ends the worker quietly. Throws when no
  // thread can be started.
  template <typename Work>
  void Start(Work work) {
    Launch(std::move(work)).detach();
  }
  // As Start, but the group keeps the thread so that Finish can see it end; for a caller that
  // returns to the process's end, where a thread still on its way out could be torn down with it.
  template <typename Work>
  void StartKept(Work work) {
    kept_.push_back(Launch(std::move(work)));
  }
  // Waits, at most `limit`, until no worker is alive, then until every kept thread has ended.
  // True when all ended; otherwise the kept threads are let go and false comes back.
  bool Finish(std::chrono::milliseconds limit);
  ~WorkerGroup();
  // Workers alive now, ended ones still finishing included.
  int Live() const;
  // Waits until no worker is alive, at most `limit`. True when none is.
  bool WaitUntilIdle(std::chrono::milliseconds limit) const;

 private:
  struct State {
    mutable std::mutex mutex;
    std::condition_variable idle;
    int live = 0;
  };
  template <typename Work>
  std::thread Launch(Work work) {
    Enter(*state_);
    try {
      return std::thread([state = state_, held = std::optional<Work>(std::move(work))]() mutable {
        try {
          (*held)();
        } catch (...) {
        }
        held.reset();
        Leave(*state);
      });
    } catch (...) {
      Leave(*state_);  // no thread was started
      throw;
    }
  }
  static void Enter(State& state);
  static void Leave(State& state);
  std::vector<std::thread> kept_;
  std::shared_ptr<State> state_ = std::make_shared<State>();  // outlives the group while workers run
};

}  // namespace kestrane
