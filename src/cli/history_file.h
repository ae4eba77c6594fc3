// kestrane-check's history of readings, as the file --history keeps it: CSV (RFC 4180) in UTF-8,
// a header line, then one reading a line, each disk's readings together and in time order:
//
//   time_utc,server,disk,free_bytes,size_bytes
//   2024-05-01T10:15:00Z,SRV-FILES,C:,13207024435,53687091200
//
// A server is named as the check names it (the local computer by its name); servers and disks are
// the same whatever their case. The history keeps a disk's readings of the last kHistoryDays days,
// at most kMostReadingsPerDisk of them, whichever is fewer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "cli/forecast.h"

namespace kestrane {

inline constexpr char kHistoryHeader[] = "time_utc,server,disk,free_bytes,size_bytes";
inline constexpr std::int64_t kHistoryDays = 35;
inline constexpr std::size_t kMostReadingsPerDisk = 10080;  // 35 days at one reading in 5 minutes

// A text that is not such a history, with the line that shows it.
class HistoryFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DiskHistory {
  std::string server, disk;          // as first written
  std::vector<DiskSample> samples;   // in the order read and added
};

class History {
 public:
  // Throws HistoryFormatError.
  static History Parse(std::string_view text);

  void Add(const std::string& server, const std::string& disk, const DiskSample& sample);
  // Each disk's readings in time order, older ones than kHistoryDays before `now` and the oldest
  // beyond kMostReadingsPerDisk left out; a disk with none left goes.
  void Trim(std::int64_t now);
  std::string Text() const;

  const DiskHistory* Find(const std::string& server, const std::string& disk) const;
  const std::vector<DiskHistory>& Disks() const { return disks_; }

 private:
  DiskHistory& Series(std::string_view server, std::string_view disk);

  std::vector<DiskHistory> disks_;
  std::unordered_map<std::string, std::size_t> index_;  // folded "server\ndisk"
};

// "2024-05-01T10:15:00Z".
std::string UtcText(std::int64_t seconds);

}  // namespace kestrane
