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

// 500 servers answering WMI in 200 ms each, 20 of them switched off and spread through the list, in
// the window's run with the reachability probe and without it, against the same list with every
// server on. Time runs a hundred times faster than on a network: 200 ms are 2 ms here, the probe's
// budget of 2 s is 20 ms, and a WMI connect to a server that is off waits 21 s (210 ms).
void BM_ServersThatAreOff(benchmark::State& state) {
  constexpr int kServers = 500, kOff = 20;
  auto fleet = std::make_shared<SimulatedFleet>();
  fleet->offConnect = std::chrono::milliseconds(210);
  testing::RecordingView allOn, someOff;
  allOn.recordLog = someOff.recordLog = false;
  for (int s = 0; s < kServers; ++s) {
    SimulatedServer server;
    server.latency = std::chrono::milliseconds(2);
    server.disks.push_back({"C:", std::int64_t{50} << 30, std::int64_t{100} << 30});
    fleet->Set("on" + std::to_string(s), server);
    server.power = SimulatedServer::Power::Off;
    fleet->Set("off" + std::to_string(s), server);
    allOn.lines.push_back("on" + std::to_string(s));
    // Every 25th server is off.
    someOff.lines.push_back((s % (kServers / kOff) == kServers / kOff / 2 ? "off" : "on") + std::to_string(s));
  }
  auto dispatcher = std::make_shared<QueueDispatcher>();
  auto seconds = [&](testing::RecordingView& view, bool probe) {
    std::shared_ptr<ProbesAhead> probes;
    if (probe) {
      probes = std::make_shared<ProbesAhead>(SimulatedFleet::Probe(fleet), std::chrono::milliseconds(20),
                                             std::vector<std::string>{}, false);
    }
    CheckRunPresenter runner(dispatcher, view, SimulatedFleet::Factory(fleet), probes);
    const auto start = std::chrono::steady_clock::now();
    runner.Start();
    while (runner.Active()) dispatcher->WaitAndRunPending(1);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    while (runner.Workers().Live() > 0) dispatcher->WaitAndRunPending(1);
    return took;
  };
  double on = 0, withProbe = 0, withoutProbe = 0;
  for (auto _ : state) {
    on = seconds(allOn, true);
    withProbe = seconds(someOff, true);
    withoutProbe = seconds(someOff, false);
  }
  state.counters["all_on_s"] = on;
  state.counters["off_with_probe_s"] = withProbe;
  state.counters["off_without_probe_s"] = withoutProbe;
  state.counters["with_probe_over_all_on"] = withProbe / on;
  state.counters["without_over_with_probe"] = withoutProbe / withProbe;
}
BENCHMARK(BM_ServersThatAreOff)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

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
