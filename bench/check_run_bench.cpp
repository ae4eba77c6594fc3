// A whole check run over a simulated fleet, through the window's presenter, the dispatcher and a
// recording view, as the program runs it: time per server and per disk cell, for servers of one
// disk and of five, against one bare hand-off to the window thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "forms/recording_view.h"
#include "support/simulated_disk_query.h"

namespace {

using namespace kestrane;

void BM_CheckRun(benchmark::State& state) {
  const int servers = static_cast<int>(state.range(0));
  const int disks = static_cast<int>(state.range(1));
  auto fleet = std::make_shared<SimulatedFleet>();
  testing::RecordingView window;
  window.recordLog = false;
  for (int s = 0; s < servers; ++s) {
    std::string name = "srv" + std::to_string(s);
    SimulatedServer server;
    for (int d = 0; d < disks; ++d) {
      server.disks.push_back({std::string(1, static_cast<char>('C' + d)) + ":",
                              (std::int64_t{s} * 104729 + d * 7919) % (std::int64_t{1} << 36), std::int64_t{1} << 37});
    }
    fleet->Set(name, std::move(server));
    window.lines.push_back(name);
  }
  auto dispatcher = std::make_shared<QueueDispatcher>();
  CheckRunPresenter runner(dispatcher, window, SimulatedFleet::Factory(fleet));
  for (auto _ : state) {
    runner.Start();
    while (runner.Active()) dispatcher->WaitAndRunPending(1);
  }
  // Seconds per server and per disk cell, printed with an SI prefix ("85u" is 85 us).
  state.counters["time_per_server"] = benchmark::Counter(
      static_cast<double>(servers), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["time_per_disk_cell"] = benchmark::Counter(
      static_cast<double>(servers) * disks, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  while (runner.Workers().Live() > 0) dispatcher->WaitAndRunPending(1);
}
BENCHMARK(BM_CheckRun)->Args({10000, 1})->Args({10000, 5})->Unit(benchmark::kMillisecond)->UseRealTime();

// One bare synchronous hand-off from a worker to the window thread through the same dispatcher,
// pumped as the run is.
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
