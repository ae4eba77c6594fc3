#include "core/worker_group.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

namespace kestrane {
namespace {

// A worker's capture that takes a while to let go of what it holds.
struct SlowToLetGo {
  std::shared_ptr<int> held;
  ~SlowToLetGo() {
    if (held) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
};

TEST(WorkerGroup, AWorkerCountsUntilWhatItHoldsIsGoneAlsoWhenItsWorkThrows) {
  WorkerGroup workers;
  SlowToLetGo slow{std::make_shared<int>(0)};
  const std::shared_ptr<int>& held = slow.held;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  workers.Start([slow, released] { released.wait(); });
  workers.Start([slow, released] {
    released.wait();
    throw std::runtime_error("ends the worker, not the program");
  });
  EXPECT_EQ(workers.Live(), 2);
  EXPECT_FALSE(workers.WaitUntilIdle(std::chrono::milliseconds(1)));
  release.set_value();
  ASSERT_TRUE(workers.WaitUntilIdle(std::chrono::seconds(20)));
  EXPECT_EQ(workers.Live(), 0);
  EXPECT_EQ(held.use_count(), 1);  // the workers' copies were gone before they counted as ended
}

TEST(WorkerGroup, AWaitEndsWhenTheLastWorkerLeavesNotAtItsLimit) {
  WorkerGroup workers;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  workers.Start([released] { released.wait(); });
  std::promise<bool> idle;
  std::future<bool> idleSeen = idle.get_future();
  std::thread waiter([&] { idle.set_value(workers.WaitUntilIdle(std::chrono::hours(1))); });
  release.set_value();
  if (idleSeen.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    waiter.detach();
    FAIL() << "the wait was not woken when the last worker left";
  }
  waiter.join();
  EXPECT_TRUE(idleSeen.get());
}

// What a kept thread holds to its very end (its thread_local objects) is gone when Finish says all
// ended: the process may end right after.
std::atomic<bool> threadEnded{false};
struct AtThreadEnd {
  ~AtThreadEnd() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    threadEnded = true;
  }
};

TEST(WorkerGroup, FinishSeesKeptThreadsEndAndLetsGoOfOnesStillWorking) {
  WorkerGroup workers;
  workers.StartKept([] {
    thread_local AtThreadEnd last;
    (void)last;
  });
  ASSERT_TRUE(workers.Finish(std::chrono::seconds(20)));
  EXPECT_TRUE(threadEnded);

  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  workers.StartKept([released] { released.wait(); });
  EXPECT_FALSE(workers.Finish(std::chrono::milliseconds(1)));
  release.set_value();  // it ends on its own
  EXPECT_TRUE(workers.WaitUntilIdle(std::chrono::seconds(20)));
}

}  // namespace
}  // namespace kestrane
