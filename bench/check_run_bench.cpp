// A whole check run over a simulated fleet, through the run body, the dispatcher and a
// recording window, as the program runs it: nanoseconds per disk cell.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "core/recording_window.h"
#include "support/simulated_disk_query.h"

namespace {

using namespace kestrane;

void BM_CheckRun(benchmark::State& state) {
  const int servers = static_cast<int>(state.range(0));
  constexpr int kDisks = 5;
  auto fleet = std::make_shared<SimulatedFleet>();
  testing::RecordingWindow window;
  window.recordLog = false;
  for (int s = 0; s < servers; ++s) {
    std::string name = "srv" + std::to_string(s);
    SimulatedServer server;
    for (int d = 0; d < kDisks; ++d) {
      server.disks.push_back({std::string(1, static_cast<char>('C' + d)) + ":",
                              (std::int64_t{s} * 104729 + d * 7919) % (std::int64_t{1} << 36), std::int64_t{1} << 37});
    }
    fleet->Set(name, std::move(server));
    window.lines.push_back(name);
  }
  auto dispatcher = std::make_shared<QueueDispatcher>();
  CheckRunner runner(dispatcher, window, window, SimulatedFleet::Factory(fleet));
  for (auto _ : state) {
    runner.Start();
    while (runner.Active()) dispatcher->WaitAndRunPending(1);
  }
  // Seconds per disk cell, printed with an SI prefix ("850n" is 850 ns).
  state.counters["time_per_disk_cell"] = benchmark::Counter(
      static_cast<double>(servers) * kDisks, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CheckRun)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One bare synchronous hand-off from a worker to the window thread through the same dispatcher,
// pumped as the run is: the least a step of the run can cost.
void BM_HandOff(benchmark::State& state) {
  const int handOffs = static_cast<int>(state.range(0));
  auto dispatcher = std::make_shared<QueueDispatcher>();
  for (auto _ : state) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int i = 0; i < handOffs; ++i) dispatcher->Invoke([] {});
      done = true;
    });
    while (!done) dispatcher->WaitAndRunPending(1);
    worker.join();
  }
  state.counters["time_per_hand_off"] = benchmark::Counter(
      static_cast<double>(handOffs), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HandOff)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
