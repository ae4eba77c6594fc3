#include "core/worker_group.h"

namespace kestrane {

void WorkerGroup::Enter(State& state) {
  std::lock_guard lock(state.mutex);
  ++state.live;
}

void WorkerGroup::Leave(State& state) {
  std::lock_guard lock(state.mutex);
  if (--state.live == 0) state.idle.notify_all();
}

int WorkerGroup::Live() const {
  std::lock_guard lock(state_->mutex);
  return state_->live;
}

bool WorkerGroup::WaitUntilIdle(std::chrono::milliseconds limit) const {
  std::unique_lock lock(state_->mutex);
  return state_->idle.wait_for(lock, limit, [&] { return state_->live == 0; });
}

WorkerGroup::~WorkerGroup() {
  for (std::thread& t : kept_) {
    if (t.joinable()) t.detach();  // not waited for: it ends on its own
  }
}

bool WorkerGroup::Finish(std::chrono::milliseconds limit) {
  if (!WaitUntilIdle(limit)) {
    for (std::thread& t : kept_) t.detach();
    kept_.clear();
    return false;
  }
  // Every worker has left: each kept thread is only returning.
  for (std::thread& t : kept_) t.join();
  kept_.clear();
  return true;
}

}  // namespace kestrane
