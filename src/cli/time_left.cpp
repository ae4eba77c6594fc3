#include "cli/time_left.h"

#include <chrono>

#include "cli/history_update.h"
#include "core/server_table.h"

namespace kestrane {
namespace {

// Runs at the same moment wait for each other; one that hangs must not stop the next for long.
constexpr std::chrono::seconds kHistoryLockWait{30};

}  // namespace

const DiskForecast* TimeLeftReport::At(std::size_t server, std::size_t disk) const {
  if (server >= forecasts.size() || disk >= forecasts[server].size() || !forecasts[server][disk]) return nullptr;
  return &*forecasts[server][disk];
}

TimeLeftReport ReportTimeLeft(const std::vector<ServerResult>& results, const CheckOptions& options,
                              const std::string& computerName, std::int64_t now) {
  TimeLeftReport report;
  if (!options.history) return report;
  report.kept = true;
  auto label = [&](const ServerResult& r) { return r.name.empty() ? computerName : r.name; };
  std::vector<HistoryReading> readings;
  for (const ServerResult& r : results) {
    if (r.check.Failed()) continue;
    for (const DiskReading& d : r.check.disks) readings.push_back({label(r), d.DeviceID, {now, d.FreeSpace, d.Size}});
  }
  UpdatedHistory updated;
  try {
    updated = UpdateHistory(*options.history, readings, now, kHistoryLockWait);
  } catch (const std::exception& e) {
    report.failure = "История \"" + *options.history + "\" не записана: " + e.what();
    return report;
  }
  report.notice = updated.notice;
  report.forecasts.resize(results.size());
  for (std::size_t s = 0; s < results.size(); ++s) {
    const ServerResult& r = results[s];
    if (r.check.Failed()) continue;
    for (const DiskReading& d : r.check.disks) {
      const DiskHistory* series = updated.history.Find(label(r), d.DeviceID);
      std::optional<DiskForecast>& forecast = report.forecasts[s].emplace_back();
      if (series) forecast = ForecastDisk(series->samples);
      if (!forecast) continue;
      const std::string item = label(r) + " " + d.DeviceID + " " + TimeLeftText(*forecast);
      if (options.criticalTime && forecast->secondsLeft < *options.criticalTime) {
        report.critical.push_back(item);
      } else if (options.warningTime && forecast->secondsLeft < *options.warningTime) {
        report.warning.push_back(item);
      }
    }
  }
  return report;
}

void JudgeTimeLeft(CheckVerdict& verdict, const TimeLeftReport& report) {
  if (!report.critical.empty() && verdict.exitCode != kExitUnknown) verdict.exitCode = kExitCritical;
  if (!report.warning.empty() && verdict.exitCode == kExitOk) verdict.exitCode = kExitWarning;
  if (!report.failure.empty()) {
    verdict.exitCode = kExitUnknown;
    if (verdict.unknown.empty()) verdict.unknown = report.failure;
  }
}

std::vector<ServerResult> WithTimeLeftCells(std::vector<ServerResult> results, const TimeLeftReport& report) {
  for (std::size_t s = 0; s < results.size(); ++s) {
    std::vector<std::string>& cells = results[s].cells;
    for (std::size_t d = 0; d < results[s].check.disks.size() && kFirstDiskColumn + d < cells.size(); ++d) {
      if (const DiskForecast* forecast = report.At(s, d)) {
        cells[kFirstDiskColumn + d] += ", до заполнения " + TimeLeftText(*forecast);
      }
    }
  }
  return results;
}

std::string TimeLeftText(const DiskForecast& forecast) {
  return forecast.moreThanAYear ? "более года" : DurationText(forecast.secondsLeft);
}

std::int64_t UtcNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace kestrane
