// kestrane-check's arguments.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrane {

enum class OutputFormat { Table, Nagios, Prometheus };

// A threshold as given: a number in the unit ("1,5" or "1.5" with GB), or a free share ("10%").
struct ThresholdValue {
  std::string text;      // the number as the window's field takes it: with the decimal comma
  bool percent = false;  // a share of the disk's size, not its free space
  // The exact value, digits / 10^scale: 74,7 is 747 and 1.
  std::uint64_t digits = 0;
  int scale = 0;
};

struct CheckOptions {
  ThresholdValue threshold{"2", false, 2, 0};
  std::optional<ThresholdValue> warning;
  std::string unit = "GB";
  bool unitGiven = false;
  OutputFormat format = OutputFormat::Table;
  std::optional<std::string> output;     // a file written whole, or standard output
  std::vector<std::string> names;        // from the command line, in order
  std::vector<std::string> listFiles;    // their names follow those of the command line
  int parallel = 1;                      // servers checked at once
  std::optional<std::chrono::milliseconds> timeout;  // a server's deadline
  // The reachability probe's budget for resolving and connecting to TCP 135; 0 turns it off.
  std::chrono::milliseconds connectTimeout{2000};
  std::vector<std::string> disks;         // --disk patterns: only disks that match one
  std::vector<std::string> excludedDisks; // --exclude-disk patterns
  bool volumes = false;                   // volumes with their mount points instead of logical disks
  std::optional<std::string> history;     // the readings kept from run to run, for the time left
  std::optional<std::int64_t> warningTime, criticalTime;  // seconds left below which a disk alerts
  bool help = false;
  bool parallelGiven = false;
  // The exporter: --serve, the targets it may probe, and the Windows service that runs it.
  std::optional<std::string> serve;        // "[ADDRESS:]PORT" as given, "" for the default port
  std::vector<std::string> allowedTargets; // --allow-target patterns
  bool allowAnyTarget = false;
  bool installService = false;
  bool uninstallService = false;
  bool service = false;                    // started by the service control manager
  std::optional<std::string> serviceAccount;
  bool Serves() const { return serve || installService || service; }
};

// A message for the operator; the command ends with UNKNOWN (3).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// 10^n (n up to 38), for exact arithmetic on threshold values.
constexpr unsigned __int128 Pow10(int n) {
  unsigned __int128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// Probes the exporter runs at once unless --parallel says otherwise.
inline constexpr int kServeParallel = 8;

CheckOptions ParseCheckArguments(const std::vector<std::string>& args);

extern const char kCheckUsage[];

}  // namespace kestrane
