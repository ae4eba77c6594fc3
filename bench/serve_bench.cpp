// The exporter's serve path against the simulated fleet: a probe answered through Exporter::Serve
// (query string, allow list, a worker of its own, the exposition) against the disk query alone, with
// servers answering at once and after 1 ms; one client, and eight at once on distinct servers.
#include <benchmark/benchmark.h>

#include "cli/serve/exporter.h"
#include "core/server_check.h"
#include "support/simulated_disk_query.h"

namespace {

using namespace kestrane;

constexpr int kServers = 64;

std::shared_ptr<SimulatedFleet> Fleet(std::chrono::microseconds latency) {
  auto fleet = std::make_shared<SimulatedFleet>();
  for (int s = 0; s < kServers; ++s) {
    SimulatedServer server;
    server.latency = latency;
    for (int d = 0; d < 5; ++d) {
      server.disks.push_back({std::string(1, static_cast<char>('C' + d)) + ":", (std::int64_t{s} * 104729 + d) << 20, std::int64_t{1} << 37});
    }
    fleet->Set("srv" + std::to_string(s), std::move(server));
  }
  return fleet;
}

void BM_QueryAlone(benchmark::State& state) {
  auto fleet = Fleet(std::chrono::microseconds(state.range(0)));
  std::unique_ptr<DiskQuery> query = fleet->NewQuery();
  int next = 0;
  for (auto _ : state) {
    ServerCheck check = CheckServer(*query, "srv" + std::to_string(next++ % kServers));
    if (check.disks.size() != 5) state.SkipWithError("the server did not answer");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_QueryAlone)->Arg(0)->Arg(1000)->UseRealTime();

void BM_ProbeServed(benchmark::State& state) {
  static std::unique_ptr<Exporter> exporter;
  if (state.thread_index() == 0) {
    CheckEnvironment env;
    env.queries = SimulatedFleet::Factory(Fleet(std::chrono::microseconds(state.range(0))));
    env.computerName = [] { return std::string("HOST"); };
    exporter = std::make_unique<Exporter>(ParseCheckArguments({"--serve", "--allow-target", "srv*"}), env,
                                          [](LogEvent, const std::string&) {});
  }
  // Each client its own servers: shared checks would answer several probes with one query.
  int next = state.thread_index();
  for (auto _ : state) {
    const HttpResponse response =
        exporter->Serve({"GET", "/probe", "target=srv" + std::to_string(next % kServers), "10"});
    next += state.threads();
    if (response.status != 200 || response.body.find("\nkestrane_probe_success 1\n") == std::string::npos) {
      state.SkipWithError("the probe failed");
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProbeServed)->Arg(0)->Arg(1000)->UseRealTime();
BENCHMARK(BM_ProbeServed)->Arg(0)->Arg(1000)->Threads(8)->UseRealTime();

}  // namespace
