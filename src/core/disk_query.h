// The disk query: the fixed logical disks of one server, one reading at a time.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/disk_reading.h"

namespace kestrane {

// Made anew for each check run and used only on that run's worker thread.
class DiskQuery {
 public:
  virtual ~DiskQuery() = default;
  // Per-server platform preparation, made before each server.
  virtual void Prepare() = 0;
  // Releases the preparation once, after a server whose check failed.
  virtual void Release() = 0;
  // Connects to the server ("" is the local computer) and runs the query. Throws on failure.
  virtual void Open(const std::string& server) = 0;
  // The next disk, or nullopt at the end of the list. Throws when a reading cannot be converted.
  virtual std::optional<DiskReading> NextDisk() = 0;
};

using DiskQueryFactory = std::function<std::unique_ptr<DiskQuery>()>;

}  // namespace kestrane
