// Checks servers several at a time, each on a worker thread of its own with its own disk query; a
// server past its deadline counts as failed and its worker is let go. The results come back in list
// order, row for row as one at a time.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/disk_query.h"
#include "core/reachability.h"
#include "core/server_check.h"

namespace kestrane {

// Whether a disk counts as below the threshold in the table, judged from its cell text and its reading.
using DiskTest = std::function<bool(const std::string& cellText, const DiskReading& disk)>;

struct ServerResult {
  std::string name;
  std::vector<std::string> cells;  // the server's table row, from column 0
  ServerCheck check;
  bool below = false;  // a disk below the threshold: the row's alert flag
};

// The row the window would show for what the server answered: its name, a disk cell per disk from
// column 4 with the alert flag where `test` says so, "Недоступно" where it failed.
ServerResult TableRow(const std::string& name, ServerCheck check, const DiskTest& test);

// `probes` (or none): each server is probed before WMI is asked, the next ones down the list ahead of it.
std::vector<ServerResult> CheckServers(const std::vector<std::string>& names, const DiskQueryFactory& queries,
                                       const DiskTest& test, int parallel,
                                       std::optional<std::chrono::milliseconds> timeout,
                                       std::shared_ptr<ProbesAhead> probes = nullptr);

}  // namespace kestrane
