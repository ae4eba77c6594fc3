// One run's readings added to the history file, safely against a crash and against a second run
// at the same moment: under a lock on FILE.lock the file is read, the readings added, the history
// trimmed and written beside it, then renamed over it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/history_file.h"

namespace kestrane {

struct HistoryReading {
  std::string server, disk;
  DiskSample sample;
};

struct UpdatedHistory {
  History history;     // as written
  std::string notice;  // a file that was no history, set aside: for standard error
};

// A file that is no history (damaged, of another format) is first renamed FILE.bad-TIME, the notice
// says so, and a new history begins. Throws std::runtime_error with the reason when the lock, the
// read, the renaming or the writing fails; the file then stays as it was.
UpdatedHistory UpdateHistory(const std::string& path, const std::vector<HistoryReading>& readings, std::int64_t now,
                             std::chrono::milliseconds lockWait);

}  // namespace kestrane
