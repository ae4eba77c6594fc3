// A disk query over a simulated fleet of servers, for tests and benchmarks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/disk_query.h"
#include "core/reachability.h"

namespace kestrane {

struct SimulatedDisk {
  std::string deviceId;
  std::optional<std::int64_t> freeSpace;  // nullopt: the disk reports no free space; skipped
  std::optional<std::int64_t> size;       // nullopt: the reading cannot be converted
};

struct SimulatedServer {
  enum class Failure { None, Connect, Query };
  // As Windows meets it: On answers; Off (switched off, or packets dropped) lets a WMI connect wait
  // for TCP's retries (the fleet's offConnect) and a probe for its whole budget; Refuses refuses a
  // connection at once.
  enum class Power { On, Off, Refuses };
  std::vector<SimulatedDisk> disks;
  Failure failure = Failure::None;
  Power power = Power::On;
  std::chrono::microseconds latency{0};  // spent in Open
  bool blocks = false;                   // Open waits until the fleet lets blocked servers go (after a probe that succeeds)
};

class SimulatedFleet {
 public:
  SimulatedFleet() = default;
  SimulatedFleet(std::initializer_list<std::pair<const std::string, SimulatedServer>> servers)
      : servers_(servers) {}

  void Set(const std::string& name, SimulatedServer server);
  // nullopt: not in the fleet; such a server fails to connect, as an unknown host name does.
  std::optional<SimulatedServer> Find(const std::string& name) const;

  void ReleaseBlocked();  // lets every Open waiting on a blocking server go on
  void WaitWhileBlocked(); // the waiting half, for the queries

  // What the queries were asked, for tests.
  std::vector<std::string> OpenedNames() const;
  int Prepares() const;
  int Releases() const;
  int LiveQueries() const;  // queries made and not yet destroyed

  std::unique_ptr<DiskQuery> NewQuery();  // the fleet must outlive it
  // A factory whose queries share this fleet and keep it alive.
  static DiskQueryFactory Factory(std::shared_ptr<SimulatedFleet> fleet);
  // The reachability probe of this fleet's servers, keeping the fleet alive; a name not in the
  // fleet does not resolve.
  static std::shared_ptr<HostProbe> Probe(std::shared_ptr<SimulatedFleet> fleet);
  std::vector<std::string> ProbedNames() const;

  // How long a WMI connect to a server that is off waits before it fails (Windows: 21 s).
  std::chrono::microseconds offConnect{std::chrono::seconds(21)};

 private:
  friend class SimulatedDiskQuery;
  friend class SimulatedProbe;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool blockedReleased_ = false;
  std::map<std::string, SimulatedServer> servers_;
  std::vector<std::string> opened_;
  std::vector<std::string> probed_;
  int prepares_ = 0;
  int releases_ = 0;
  int liveQueries_ = 0;
};

inline SimulatedServer Unreachable() {
  SimulatedServer s;
  s.failure = SimulatedServer::Failure::Connect;
  return s;
}

}  // namespace kestrane
