// kestrane-check over 1 000 simulated servers of five disks, a tenth of them failing after 200 ms
// and the rest answering in 2 ms: one at a time against 32 at once, with the same rows.
#include <benchmark/benchmark.h>

#include "cli/parallel_check.h"
#include "support/simulated_disk_query.h"

namespace {

using namespace kestrane;

struct Fleet {
  std::shared_ptr<SimulatedFleet> fleet = std::make_shared<SimulatedFleet>();
  std::vector<std::string> names;
  Fleet() {
    for (int s = 0; s < 1000; ++s) {
      std::string name = "srv" + std::to_string(s);
      SimulatedServer server;
      if (s % 10 == 7) {
        server.failure = SimulatedServer::Failure::Connect;
        server.latency = std::chrono::milliseconds(200);
      } else {
        server.latency = std::chrono::milliseconds(2);
        for (int d = 0; d < 5; ++d) {
          server.disks.push_back({std::string(1, static_cast<char>('C' + d)) + ":",
                                  (std::int64_t{s} * 104729 + d * 7919) % (std::int64_t{1} << 36), std::int64_t{1} << 37});
        }
      }
      fleet->Set(name, std::move(server));
      names.push_back(name);
    }
  }
};

std::vector<ServerResult> Check(const Fleet& f, int parallel) {
  const DiskTest below2GB = [](const std::string&, const DiskReading& disk) { return disk.FreeSpace < (std::int64_t{2} << 30); };
  return CheckServers(f.names, SimulatedFleet::Factory(f.fleet), below2GB, parallel, std::nullopt);
}

void BM_CheckThousandServers(benchmark::State& state) {
  static const Fleet fleet;
  static std::vector<ServerResult> oneAtATime;  // the rows of the first run, one at a time
  const int parallel = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<ServerResult> results = Check(fleet, parallel);
    if (parallel == 1) oneAtATime = results;
    for (std::size_t i = 0; i < results.size() && i < oneAtATime.size(); ++i) {
      if (results[i].cells != oneAtATime[i].cells) state.SkipWithError("the rows differ from one at a time");
    }
  }
}
BENCHMARK(BM_CheckThousandServers)->Arg(1)->Arg(32)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
