// kestrane-check: one check of a list of servers, printed as a table, as a monitoring plug-in's
// status line with performance data, or in Prometheus's text format; the exit code says the state.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/check_options.h"
#include "cli/parallel_check.h"
#include "core/disk_query.h"
#include "core/reachability.h"

namespace kestrane {

// Monitoring plug-in states, which are the exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWarning = 1;
inline constexpr int kExitCritical = 2;
inline constexpr int kExitUnknown = 3;

// What the command needs of the system.
struct CheckEnvironment {
  DiskQueryFactory queries;        // the fixed logical disks
  DiskQueryFactory volumeQueries;  // the fixed volumes with a path (--volumes)
  std::function<std::vector<std::uint8_t>(const std::string& path)> readFile;
  std::function<std::string(std::string_view ansi)> ansi;
  std::function<void(const std::string& path, const std::string& text)> writeFile;  // whole, atomically
  std::function<std::string()> computerName;      // the local computer, for the empty name
  std::shared_ptr<HostProbe> probe;                // whether a server answers on TCP 135 (none: not probed)
  std::function<std::vector<std::string>()> ownNames;  // the local computer's own names, never probed
  std::function<double()> seconds;                // a clock, for the check's duration
};

// The state of one checked list: disks below the threshold, below the warning, servers not checked;
// UNKNOWN with its reason when the servers that answered left no disk to judge.
struct CheckVerdict {
  int exitCode = kExitOk;
  std::vector<std::string> critical, warning, unchecked;  // "srv1 D: 700 MB (1%)", "srv2"
  std::string unknown;
};

// Disks are named with their server, the local computer by its name (`computerName`).
CheckVerdict Judge(const std::vector<ServerResult>& results, const CheckOptions& options,
                   const std::string& computerName);

std::string TableText(const std::vector<ServerResult>& results);
std::string NagiosText(const std::vector<ServerResult>& results, const CheckOptions& options,
                       const CheckVerdict& verdict, const std::string& computerName);
std::string PrometheusText(const std::vector<ServerResult>& results, double durationSeconds,
                           const std::string& computerName);

// The disk queries a check of these options makes: the logical disks or the volumes, as the patterns
// choose them.
DiskQueryFactory CheckQueries(const CheckOptions& options, const CheckEnvironment& env);
// The reachability probes of these options (none without a probe or with --connect-timeout 0), within
// half of --timeout; `keep`: their threads are kept, for a command that joins them before it returns;
// `lasts`: how long a result stands for the same name again.
std::shared_ptr<ProbesAhead> CheckProbes(const CheckOptions& options, const CheckEnvironment& env, bool keep,
                                         std::chrono::milliseconds lasts = kProbeResultLasts);

// --format prometheus of a judged run: its series, or only the failed check when it had nothing to judge.
std::string PrometheusRunText(const std::vector<ServerResult>& results, const CheckVerdict& verdict,
                              double durationSeconds, const std::string& computerName);
// Each checked disk's thresholds in free bytes, by the exit code's rule: a disk whose free bytes are
// below kestrane_disk_threshold_bytes is below --threshold.
std::string ThresholdText(const std::vector<ServerResult>& results, const CheckOptions& options,
                          const std::string& computerName);

// The whole command: arguments to exit code, the result to `out` or the --output file, messages to `err`.
int CheckMain(const std::vector<std::string>& args, const CheckEnvironment& env, std::ostream& out, std::ostream& err);

}  // namespace kestrane
