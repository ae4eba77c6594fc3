#include "core/server_checks.h"

#include <exception>

namespace kestrane {

DeadlineWatch::~DeadlineWatch() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

DeadlineWatch::Ticket DeadlineWatch::At(std::chrono::steady_clock::time_point when, std::function<void()> fire) {
  Ticket ticket;
  {
    std::lock_guard lock(mutex_);
    ticket = ++last_;
    tickets_.emplace(ticket, due_.emplace(when, std::make_pair(ticket, std::move(fire))));
    if (!watching_) {
      // The thread of the last watch has returned, or is about to: nothing was due any more.
      if (thread_.joinable()) thread_.join();
      try {
        thread_ = std::thread([this] { Watch(); });
      } catch (...) {
        // No thread to spare: this deadline is dropped, the next one tries again.
        due_.erase(tickets_.at(ticket));
        tickets_.erase(ticket);
        throw;
      }
      watching_ = true;
    }
  }
  changed_.notify_all();
  return ticket;
}

void DeadlineWatch::Cancel(Ticket ticket) {
  std::lock_guard lock(mutex_);
  auto it = tickets_.find(ticket);
  if (it == tickets_.end()) return;
  due_.erase(it->second);
  tickets_.erase(it);
  if (due_.empty()) changed_.notify_all();
}

void DeadlineWatch::Watch() {
  std::unique_lock lock(mutex_);
  while (!ending_ && !due_.empty()) {
    const auto next = due_.begin();
    const std::chrono::steady_clock::time_point when = next->first;  // the entry may go while waiting
    if (std::chrono::steady_clock::now() < when) {
      changed_.wait_until(lock, when);
      continue;
    }
    std::function<void()> fire = std::move(next->second.second);
    tickets_.erase(next->second.first);
    due_.erase(next);
    lock.unlock();
    fire();
    lock.lock();
  }
  watching_ = false;  // a later deadline starts a thread of its own
}

// Who answers a check: the worker or the watcher, whichever comes first.
struct ServerChecks::Pending {
  std::mutex mutex;
  std::optional<Answers> answers;
  std::optional<DeadlineWatch::Ticket> deadline;
  std::optional<Answers> Take() {
    std::lock_guard lock(mutex);
    std::optional<Answers> taken = std::move(answers);
    answers.reset();
    return taken;
  }
};

ServerChecks::ServerChecks(DiskQueryFactory queries, bool keep) : queries_(std::move(queries)), keep_(keep) {}

void ServerChecks::Start(const std::string& name, std::optional<std::chrono::milliseconds> deadline, Answers answers) {
  auto pending = std::make_shared<Pending>();
  pending->answers = std::move(answers);
  if (deadline) {
    pending->deadline = watch_->At(std::chrono::steady_clock::now() + *deadline, [weak = std::weak_ptr<Pending>(pending)] {
      if (std::shared_ptr<Pending> late = weak.lock()) {
        if (std::optional<Answers> taken = late->Take()) taken->late();
      }
    });
  }
  auto work = [pending, name, queries = queries_, watch = std::weak_ptr<DeadlineWatch>(watch_)] {
    std::unique_ptr<DiskQuery> query;
    ServerCheck check;
    try {
      query = queries();
      query->Prepare();
    } catch (const std::exception& e) {
      check.failure = CheckFailure::Query;
      check.error = e.what();
    }
    if (query && !check.Failed()) check = CheckServer(*query, name);
    bool failed = check.Failed();
    if (std::optional<Answers> taken = pending->Take()) {
      if (std::shared_ptr<DeadlineWatch> due = watch.lock(); due && pending->deadline) due->Cancel(*pending->deadline);
      failed = taken->answered(std::move(check));
    }
    // After the answer: a window writes the failure before the preparation is released.
    if (failed && query) query->Release();
  };
  try {
    if (keep_) {
      workers_.StartKept(std::move(work));
    } else {
      workers_.Start(std::move(work));
    }
  } catch (...) {
    if (pending->deadline) watch_->Cancel(*pending->deadline);
    throw;
  }
}

}  // namespace kestrane
