// What kestrane-check says of the time left until its disks are full: the run's readings kept in
// the --history file, a forecast per disk from them, and what the forecasts make of the state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/check_command.h"
#include "cli/forecast.h"

namespace kestrane {

struct TimeLeftReport {
  bool kept = false;  // --history was given
  // Per server and disk in the results' order; nothing for a disk without a forecast.
  std::vector<std::vector<std::optional<DiskForecast>>> forecasts;
  std::vector<std::string> critical, warning;  // "HOST C: 1 дн. 5 ч"
  std::string failure;                         // why the history could not be kept
  std::string notice;                          // for standard error

  const DiskForecast* At(std::size_t server, std::size_t disk) const;
};

// Nothing without --history. Servers are named as in the check's output, the local computer by
// its name.
TimeLeftReport ReportTimeLeft(const std::vector<ServerResult>& results, const CheckOptions& options,
                              const std::string& computerName, std::int64_t now);

// A disk's time left below --critical-time makes the state CRITICAL, below --warning-time at least
// WARNING; a history that could not be kept ends the run UNKNOWN, as an unwritable --output does.
void JudgeTimeLeft(CheckVerdict& verdict, const TimeLeftReport& report);

// The results with each forecast disk's cell followed by its time left, for the table.
std::vector<ServerResult> WithTimeLeftCells(std::vector<ServerResult> results, const TimeLeftReport& report);

// "3 дн. 4 ч", "более года".
std::string TimeLeftText(const DiskForecast& forecast);

// Seconds since 1970-01-01 UTC.
std::int64_t UtcNow();

}  // namespace kestrane
