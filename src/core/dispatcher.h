// The window-thread dispatcher: how a worker has work done on the window thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kestrane {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Queues fn for the window thread; queued functions run in the order posted.
  virtual void Post(std::function<void()> fn) = 0;
  // Runs fn on the window thread and waits for it. False: the dispatcher was shut down and
  // fn did not run. Called on the window thread itself, fn runs at once.
  virtual bool Invoke(std::function<void()> fn) = 0;
};

// How long the window thread runs queued functions in one go before input and paint may come in.
inline constexpr std::chrono::milliseconds kDispatchSlice{10};

// A mutex-guarded queue drained by the window thread. `wake` (set by the platform) is called when
// work arrives and no wake is outstanding, so a busy worker leaves one wake, not one per function,
// in the window thread's message queue.
class QueueDispatcher : public Dispatcher {
 public:
  QueueDispatcher();  // the constructing thread is the window thread
  ~QueueDispatcher() override;

  void Post(std::function<void()> fn) override;
  bool Invoke(std::function<void()> fn) override;

  void SetWake(std::function<void()> wake);
  // Where an exception escaping a queued function goes (the general error box).
  void SetErrorHandler(std::function<void(const std::exception&)> onError);
  // Runs a slice of what is queued (on the window thread): one task at a time from the shared
  // queue, so a nested run from a modal loop inside a task keeps the order, until the queue is
  // empty or `slice` is spent (one task at least). What is left asks for a wake of its own.
  // Returns how many functions ran.
  std::size_t RunPending(std::chrono::nanoseconds slice = kDispatchSlice);
  // Waits up to `timeoutMs` for work, then runs a slice. Returns how many ran.
  std::size_t WaitAndRunPending(int timeoutMs);
  // From now on posts are dropped and invokes return false; pending invokes are released.
  void Shutdown();
  bool IsWindowThread() const { return std::this_thread::get_id() == windowThread_; }
  // How many functions wait in the queue.
  std::size_t Pending();

 private:
  struct Task {
    std::function<void()> fn;
    std::shared_ptr<struct InvokeState> invoke;  // null for a post
  };
  bool Enqueue(Task task);

  std::thread::id windowThread_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<Task> queue_;
  std::function<void()> wake_;
  std::function<void(const std::exception&)> onError_;
  bool shutDown_ = false;
  bool wakeOutstanding_ = false;  // a wake was asked for and has not yet led to a slice
};

}  // namespace kestrane
