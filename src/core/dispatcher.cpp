#include "core/dispatcher.h"

#include <chrono>
#include <stdexcept>

namespace kestrane {

struct InvokeState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool ran = false;
};

QueueDispatcher::QueueDispatcher() : windowThread_(std::this_thread::get_id()) {}

QueueDispatcher::~QueueDispatcher() { Shutdown(); }

void QueueDispatcher::SetErrorHandler(std::function<void(const std::exception&)> onError) {
  std::lock_guard lock(mutex_);
  onError_ = std::move(onError);
}

void QueueDispatcher::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

bool QueueDispatcher::Enqueue(Task task) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    if (shutDown_) return false;
    queue_.push_back(std::move(task));
    if (!wakeOutstanding_) {
      wakeOutstanding_ = true;
      wake = wake_;
    }
  }
  queued_.notify_one();
  if (wake) wake();
  return true;
}

void QueueDispatcher::Post(std::function<void()> fn) { Enqueue(Task{std::move(fn), nullptr}); }

bool QueueDispatcher::Invoke(std::function<void()> fn) {
  if (IsWindowThread()) {
    fn();
    return true;
  }
  auto state = std::make_shared<InvokeState>();
  if (!Enqueue(Task{std::move(fn), state})) return false;
  std::unique_lock lock(state->mutex);
  state->finished.wait(lock, [&] { return state->done; });
  return state->ran;
}

std::size_t QueueDispatcher::RunPending(std::chrono::nanoseconds slice) {
  // The wake that brought the window thread here is spent: work posted from now on wakes it
  // again, also into the loop of a box that a task below opens.
  {
    std::lock_guard lock(mutex_);
    wakeOutstanding_ = false;
  }
  const auto end = std::chrono::steady_clock::now() + slice;
  std::size_t count = 0;
  for (;;) {
    // One task at a time from the shared queue: a task that opens a modal box runs the
    // dispatcher again from the box's loop, and the older tasks must still come first.
    Task task;
    std::function<void(const std::exception&)> onError;
    std::function<void()> wake;
    bool spent = false;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return count;
      spent = count > 0 && std::chrono::steady_clock::now() >= end;
      if (!spent) {
        task = std::move(queue_.front());
        queue_.pop_front();
        onError = onError_;
      } else if (!wakeOutstanding_) {
        wakeOutstanding_ = true;
        wake = wake_;
      }
    }
    if (spent) {
      // The rest waits for the next wake, which the platform answers after input and paint.
      if (wake) wake();
      return count;
    }
    bool ran = false;
    try {
      task.fn();
      ran = true;
    } catch (const std::exception& e) {
      if (onError) onError(e);
    } catch (...) {
      if (onError) onError(std::runtime_error("Unknown exception"));
    }
    if (task.invoke) {
      std::lock_guard lock(task.invoke->mutex);
      task.invoke->done = true;
      task.invoke->ran = ran;
      task.invoke->finished.notify_all();
    }
    ++count;
  }
}

std::size_t QueueDispatcher::Pending() {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

std::size_t QueueDispatcher::WaitAndRunPending(int timeoutMs) {
  {
    std::unique_lock lock(mutex_);
    queued_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [&] { return !queue_.empty() || shutDown_; });
  }
  return RunPending();
}

void QueueDispatcher::Shutdown() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    dropped.swap(queue_);
  }
  for (Task& task : dropped) {
    if (!task.invoke) continue;
    std::lock_guard lock(task.invoke->mutex);
    task.invoke->done = true;
    task.invoke->ran = false;
    task.invoke->finished.notify_all();
  }
}

}  // namespace kestrane
