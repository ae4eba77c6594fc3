#include "core/worker_group.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>

namespace kestrane {
namespace {

TEST(WorkerGroup, AWorkerCountsUntilWhatItHoldsIsGoneAlsoWhenItsWorkThrows) {
  WorkerGroup workers;
  auto held = std::make_shared<int>(0);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  workers.Start([held, released] { released.wait(); });
  workers.Start([held, released] {
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

}  // namespace
}  // namespace kestrane
