// Servers checked on the workers of one group, each on a thread of its own with a disk query of its
// own (COM is per thread), and each answered exactly once: with what the server answered or, when
// its deadline passes first, as late. A worker that comes back after that is let go unseen.
#pragma once

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/disk_query.h"
#include "core/server_check.h"
#include "core/worker_group.h"

namespace kestrane {

// Calls each function once its time has come, on a thread of its own that runs only while some
// function is due and is joined at the end. Functions still due at the end are dropped.
class DeadlineWatch {
 public:
  using Ticket = std::uint64_t;
  DeadlineWatch() = default;
  DeadlineWatch(const DeadlineWatch&) = delete;
  DeadlineWatch& operator=(const DeadlineWatch&) = delete;
  ~DeadlineWatch();
  Ticket At(std::chrono::steady_clock::time_point when, std::function<void()> fire);
  // The function is no longer due; nothing happens when it has already been called.
  void Cancel(Ticket ticket);

 private:
  using Due = std::multimap<std::chrono::steady_clock::time_point, std::pair<Ticket, std::function<void()>>>;
  void Watch();
  std::mutex mutex_;
  std::condition_variable changed_;
  Due due_;
  std::map<Ticket, Due::iterator> tickets_;
  Ticket last_ = 0;
  bool watching_ = false;
  bool ending_ = false;
  std::thread thread_;
};

class ServerChecks {
 public:
  struct Answers {
    // On the worker, with what the server answered; it may wait (for the window to show it). It
    // returns whether the server failed as a whole, which has the worker release its preparation.
    std::function<bool(ServerCheck)> answered;
    // On the watcher's thread, once the deadline has passed first; it must not wait.
    std::function<void()> late;
  };

  // `keep`: the group keeps the threads, so that Finish can see them end before the process does.
  ServerChecks(DiskQueryFactory queries, bool keep);
  ServerChecks(const ServerChecks&) = delete;
  ServerChecks& operator=(const ServerChecks&) = delete;

  // Checks `name` now. Throws when no thread can be started (nothing is answered then).
  void Start(const std::string& name, std::optional<std::chrono::milliseconds> deadline, Answers answers);

  const WorkerGroup& Workers() const { return workers_; }
  // As WorkerGroup::Finish: the kept threads joined, or let go past `limit`.
  bool Finish(std::chrono::milliseconds limit) { return workers_.Finish(limit); }

 private:
  struct Pending;
  DiskQueryFactory queries_;
  bool keep_;
  WorkerGroup workers_;
  // Last: it ends first, before anything its functions might touch. Workers cancel their deadline
  // through a weak reference, since they may outlive the checks.
  std::shared_ptr<DeadlineWatch> watch_ = std::make_shared<DeadlineWatch>();
};

}  // namespace kestrane
