// The window-thread dispatcher: how a worker has work done on the window thread.
#pragma once

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

// A mutex-guarded queue drained by the window thread. `wake` (set by the platform) is called
// after each queued function so the window thread comes round to RunPending.
class QueueDispatcher : public Dispatcher {
 public:
  QueueDispatcher();  // the constructing thread is the window thread
  ~QueueDispatcher() override;

  void Post(std::function<void()> fn) override;
  bool Invoke(std::function<void()> fn) override;

  void SetWake(std::function<void()> wake);
  // Where an exception escaping a queued function goes (the general error box).
  void SetErrorHandler(std::function<void(const std::exception&)> onError);
  // Runs what is queued now (on the window thread), one task at a time, so a nested run from a
  // modal loop inside a task keeps the order. Returns how many functions ran.
  std::size_t RunPending();
  // Waits up to `timeoutMs` for work, then runs what is queued. Returns how many ran.
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
};

}  // namespace kestrane
