// Checks servers several at a time, each on a worker thread of its own with its own disk query,
// through the check run's own per-server steps; a server past its deadline counts as failed and
// its worker is abandoned. The results come back in list order, row for row as one at a time.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/check_run.h"
#include "core/disk_query.h"

namespace kestrane {

struct ServerResult {
  std::string name;
  std::vector<std::string> cells;  // the server's table row, from column 0
  ServerCheck check;
};

std::vector<ServerResult> CheckServers(const std::vector<std::string>& names, const DiskQueryFactory& queries,
                                       const DiskTest& test, int parallel,
                                       std::optional<std::chrono::milliseconds> timeout);

inline constexpr char kTimedOut[] = "No answer within the time allowed";

}  // namespace kestrane
