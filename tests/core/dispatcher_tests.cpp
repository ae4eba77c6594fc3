#include "core/dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kestrane {
namespace {

TEST(QueueDispatcher, RunsPostsOnTheWindowThreadInOrder) {
  QueueDispatcher dispatcher;
  std::vector<int> order;
  std::thread::id ranOn;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      dispatcher.Post([&, i] {
        order.push_back(i);
        ranOn = std::this_thread::get_id();
      });
    }
  });
  worker.join();
  EXPECT_EQ(dispatcher.RunPending(), 100u);
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QueueDispatcher, ANestedRunFromAModalLoopKeepsTheWorkersOrder) {
  // A change opens a box; the box's loop runs the dispatcher again while the worker goes on
  // posting. The older changes still come before the newer.
  QueueDispatcher dispatcher;
  std::vector<std::string> order;
  dispatcher.Post([&] {
    order.push_back("A opens a box");
    dispatcher.Post([&] { order.push_back("D"); });  // posted while the box is open
    dispatcher.RunPending();                         // the box's message loop
    order.push_back("A's box closed");
  });
  dispatcher.Post([&] { order.push_back("B"); });
  dispatcher.Post([&] { order.push_back("C"); });
  dispatcher.RunPending();
  EXPECT_EQ(order, (std::vector<std::string>{"A opens a box", "B", "C", "D", "A's box closed"}));
}

TEST(QueueDispatcher, AWaitingWindowThreadWakesForAPostNotAtItsLimit) {
  QueueDispatcher dispatcher;
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // most often once the wait has begun
    dispatcher.Post([] {});
  });
  EXPECT_EQ(dispatcher.WaitAndRunPending(3600000), 1u);
  worker.join();
}

TEST(QueueDispatcher, InvokeWaitsForTheWindowThreadAndRunsAtOnceOnIt) {
  QueueDispatcher dispatcher;
  int value = 0;
  EXPECT_TRUE(dispatcher.Invoke([&] { value = 1; }));  // on the window thread: at once
  EXPECT_EQ(value, 1);

  std::atomic<bool> returned{false};
  std::thread worker([&] {
    int seen = 0;
    EXPECT_TRUE(dispatcher.Invoke([&] { seen = value; }));
    EXPECT_EQ(seen, 2);
    returned = true;
  });
  value = 2;
  while (!returned) dispatcher.WaitAndRunPending(5);
  worker.join();
}

TEST(QueueDispatcher, ShutdownReleasesWaitingInvokesAndDropsLaterWork) {
  QueueDispatcher dispatcher;
  std::atomic<int> result{-1};
  std::thread worker([&] { result = dispatcher.Invoke([] {}) ? 1 : 0; });
  dispatcher.Shutdown();  // most often before the invoke is queued
  worker.join();
  EXPECT_EQ(result, 0);
  bool ran = false;
  dispatcher.Post([&] { ran = true; });
  EXPECT_EQ(dispatcher.RunPending(), 0u);
  EXPECT_FALSE(ran);
  std::thread late([&] { EXPECT_FALSE(dispatcher.Invoke([&] { ran = true; })); });
  late.join();
  EXPECT_FALSE(ran);

  // An invoke already waiting in the queue is let go as well.
  QueueDispatcher waited;
  std::promise<bool> outcome;
  std::future<bool> returned = outcome.get_future();
  std::thread waiting([&] { outcome.set_value(waited.Invoke([] {})); });
  while (waited.Pending() == 0) std::this_thread::yield();
  waited.Shutdown();
  if (returned.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    waiting.detach();  // still waiting: it holds only its own state
    FAIL() << "the waiting invoke was not released";
  }
  waiting.join();
  EXPECT_FALSE(returned.get());
}

TEST(QueueDispatcher, AFailingFunctionIsReportedAndTheQueueGoesOn) {
  QueueDispatcher dispatcher;
  std::vector<std::string> errors;
  dispatcher.SetErrorHandler([&](const std::exception& e) { errors.push_back(e.what()); });
  bool after = false;
  dispatcher.Post([] { throw std::runtime_error("boom"); });
  dispatcher.Post([&] { after = true; });
  dispatcher.RunPending();
  EXPECT_EQ(errors, std::vector<std::string>{"boom"});
  EXPECT_TRUE(after);

  std::atomic<int> result{-1};
  std::thread worker([&] { result = dispatcher.Invoke([] { throw std::runtime_error("read"); }) ? 1 : 0; });
  while (result == -1) dispatcher.WaitAndRunPending(5);
  worker.join();
  EXPECT_EQ(result, 0);  // the waiting worker is let go and told it did not run
}

TEST(QueueDispatcher, ASliceEndsOnceItsTimeIsSpentAndLeavesTheRestQueued) {
  QueueDispatcher dispatcher;
  auto longerThanASlice = [] { std::this_thread::sleep_for(kDispatchSlice + std::chrono::milliseconds(1)); };
  dispatcher.Post(longerThanASlice);
  dispatcher.Post(longerThanASlice);
  EXPECT_EQ(dispatcher.RunPending(), 1u);  // input and paint come before the second
  EXPECT_EQ(dispatcher.Pending(), 1u);
}

TEST(QueueDispatcher, ABusyWorkerLeavesOneWakeAndASpentSliceAsksForTheNext) {
  QueueDispatcher dispatcher;
  std::atomic<int> wakes{0};
  dispatcher.SetWake([&] { ++wakes; });
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) dispatcher.Post([&, i] { order.push_back(i); });
  });
  worker.join();
  EXPECT_EQ(wakes, 1);  // one wake answers everything queued before it is taken

  // A slice with no time to spare runs one task; the rest asks for a wake of its own, once.
  EXPECT_EQ(dispatcher.RunPending(std::chrono::nanoseconds(0)), 1u);
  EXPECT_EQ(wakes, 2);
  dispatcher.Post([&] { order.push_back(3); });
  EXPECT_EQ(wakes, 2);
  EXPECT_EQ(dispatcher.RunPending(), 3u);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(wakes, 2);  // nothing was left

  // A task that opens a box: work posted while it runs wakes the box's loop.
  dispatcher.Post([&] {
    dispatcher.Post([&] { order.push_back(5); });
    EXPECT_EQ(wakes, 4);
    dispatcher.RunPending();
  });
  EXPECT_EQ(wakes, 3);
  EXPECT_EQ(dispatcher.RunPending(), 1u);
  EXPECT_EQ(order.back(), 5);
}

}  // namespace
}  // namespace kestrane
