// Pumps a dispatcher on the calling thread, which stands for the window thread.
#pragma once

#include <chrono>
#include <functional>

#include "core/dispatcher.h"

namespace kestrane::testing {

// Until `done` holds or time runs out; false when it ran out.
inline bool PumpUntil(QueueDispatcher& dispatcher, const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    dispatcher.WaitAndRunPending(5);
  }
  return true;
}

}  // namespace kestrane::testing
