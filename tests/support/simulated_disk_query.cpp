#include "support/simulated_disk_query.h"

#include <stdexcept>
#include <thread>

namespace kestrane {

class SimulatedDiskQuery : public DiskQuery {
 public:
  SimulatedDiskQuery(SimulatedFleet& fleet, std::shared_ptr<SimulatedFleet> keep)
      : fleet_(fleet), keep_(std::move(keep)) {
    std::lock_guard lock(fleet_.mutex_);
    ++fleet_.liveQueries_;
  }
  ~SimulatedDiskQuery() override {
    std::lock_guard lock(fleet_.mutex_);
    --fleet_.liveQueries_;
  }

  void Prepare() override {
    std::lock_guard lock(fleet_.mutex_);
    ++fleet_.prepares_;
  }
  void Release() override {
    std::lock_guard lock(fleet_.mutex_);
    ++fleet_.releases_;
  }
  void Open(const std::string& server) override {
    {
      std::lock_guard lock(fleet_.mutex_);
      fleet_.opened_.push_back(server);
    }
    disks_.clear();
    next_ = 0;
    std::optional<SimulatedServer> found = fleet_.Find(server);
    if (!found) throw std::runtime_error("The RPC server is unavailable");
    if (found->power == SimulatedServer::Power::Off) std::this_thread::sleep_for(fleet_.offConnect);
    if (found->power != SimulatedServer::Power::On) throw std::runtime_error("The RPC server is unavailable");
    if (found->latency.count() > 0) std::this_thread::sleep_for(found->latency);
    if (found->blocks) fleet_.WaitWhileBlocked();
    if (found->failure == SimulatedServer::Failure::Connect) {
      throw std::runtime_error("The RPC server is unavailable");
    }
    if (found->failure == SimulatedServer::Failure::Query) throw std::runtime_error("Invalid query");
    disks_ = std::move(found->disks);
  }
  std::optional<DiskReading> NextDisk() override {
    while (next_ < disks_.size()) {
      const SimulatedDisk& disk = disks_[next_++];
      if (!disk.freeSpace) continue;
      if (!disk.size) {
        throw std::runtime_error("Could not convert variant of type (Null) into type (Int64)");
      }
      return DiskReading{disk.deviceId, *disk.freeSpace, *disk.size};
    }
    return std::nullopt;
  }

 private:
  SimulatedFleet& fleet_;
  std::shared_ptr<SimulatedFleet> keep_;
  std::vector<SimulatedDisk> disks_;
  std::size_t next_ = 0;
};

class SimulatedProbe : public HostProbe {
 public:
  explicit SimulatedProbe(std::shared_ptr<SimulatedFleet> fleet) : fleet_(std::move(fleet)) {}
  HostReach Probe(const std::string& name, std::chrono::milliseconds budget) override {
    {
      std::lock_guard lock(fleet_->mutex_);
      fleet_->probed_.push_back(name);
    }
    std::optional<SimulatedServer> found = fleet_->Find(name);
    if (!found) return {ReachOutcome::NotResolved, "No such host is known."};
    switch (found->power) {
      case SimulatedServer::Power::Off:
        std::this_thread::sleep_for(budget);
        return {ReachOutcome::NoAnswer, "No answer from TCP port 135 within the time allowed."};
      case SimulatedServer::Power::Refuses:
        return {ReachOutcome::Refused, "No connection could be made because the target machine actively refused it."};
      case SimulatedServer::Power::On: break;
    }
    return {};
  }

 private:
  std::shared_ptr<SimulatedFleet> fleet_;
};

std::shared_ptr<HostProbe> SimulatedFleet::Probe(std::shared_ptr<SimulatedFleet> fleet) {
  return std::make_shared<SimulatedProbe>(std::move(fleet));
}

std::vector<std::string> SimulatedFleet::ProbedNames() const {
  std::lock_guard lock(mutex_);
  return probed_;
}

void SimulatedFleet::Set(const std::string& name, SimulatedServer server) {
  std::lock_guard lock(mutex_);
  servers_[name] = std::move(server);
}

std::optional<SimulatedServer> SimulatedFleet::Find(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = servers_.find(name);
  if (it == servers_.end()) return std::nullopt;
  return it->second;
}

void SimulatedFleet::ReleaseBlocked() {
  {
    std::lock_guard lock(mutex_);
    blockedReleased_ = true;
  }
  released_.notify_all();
}

void SimulatedFleet::WaitWhileBlocked() {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [&] { return blockedReleased_; });
}

std::vector<std::string> SimulatedFleet::OpenedNames() const {
  std::lock_guard lock(mutex_);
  return opened_;
}

int SimulatedFleet::Prepares() const {
  std::lock_guard lock(mutex_);
  return prepares_;
}

int SimulatedFleet::Releases() const {
  std::lock_guard lock(mutex_);
  return releases_;
}

int SimulatedFleet::LiveQueries() const {
  std::lock_guard lock(mutex_);
  return liveQueries_;
}

std::unique_ptr<DiskQuery> SimulatedFleet::NewQuery() {
  return std::make_unique<SimulatedDiskQuery>(*this, nullptr);
}

DiskQueryFactory SimulatedFleet::Factory(std::shared_ptr<SimulatedFleet> fleet) {
  return [fleet] { return std::make_unique<SimulatedDiskQuery>(*fleet, fleet); };
}

}  // namespace kestrane
