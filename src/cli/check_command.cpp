#include "cli/check_command.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "cli/disk_selection.h"
#include "cli/time_left.h"
#include "core/host_name.h"
#include "core/reachability.h"
#include "core/list_file.h"
#include "core/number_text.h"
#include "core/server_table.h"
#include "core/size_text.h"
#include "core/text_lines.h"
#include "core/utf8_text.h"

namespace kestrane {
namespace {

// The disk cell's share: the whole part of F x 100 / S.
std::int64_t Share(const DiskReading& disk) {
  if (disk.Size == 0) return 0;
  return static_cast<std::int64_t>(static_cast<__int128>(disk.FreeSpace) * 100 / disk.Size);
}

// The window's rule, which the table keeps: the size read back from the shown text against the
// threshold in bytes, or the cell's whole-number share against the percent. The text is read after
// the disk's name, whose digits and words ("D:\Data1\", "E:\GB\") a volume's path may carry.
bool WindowBelow(const ThresholdValue& limit, const std::string& unit, const std::string& cellText,
                 const DiskReading& disk) {
  if (limit.percent) return static_cast<double>(Share(disk)) < ParseFloat(limit.text);
  std::optional<std::int64_t> size = ReadBackSize(std::string_view(cellText).substr(disk.DeviceID.size()));
  return size && IsBelowThreshold(*size, limit.text, unit);
}

using Exact = unsigned __int128;

// The monitoring rule: the smallest whole number of free bytes that is not below the threshold,
// which is also where the plug-in's "alert below" range starts. Free space counts in whole bytes,
// so a threshold's fractional byte rounds up: 74,7 GB is 80 208 514 252,8 bytes, and 80 208 514 252
// free bytes are below it, 80 208 514 253 are not. A percent p of the size S is p x S / 100,
// formed from the threshold's digits without rounding until this last step.
Exact AlertBelowBytes(const ThresholdValue& limit, const std::string& unit, const DiskReading& disk) {
  const Exact size = disk.Size > 0 ? static_cast<Exact>(disk.Size) : 0;
  const Exact factor = limit.percent ? size : unit == "MB" ? Exact{1048576} : Exact{1073741824};
  const Exact numerator = static_cast<Exact>(limit.digits) * factor;
  const Exact denominator = Pow10(limit.scale) * (limit.percent ? 100 : 1);
  return (numerator + denominator - 1) / denominator;
}

bool Below(const ThresholdValue& limit, const std::string& unit, const DiskReading& disk) {
  return disk.FreeSpace < 0 || static_cast<Exact>(disk.FreeSpace) < AlertBelowBytes(limit, unit, disk);
}

std::string ToString(Exact value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return digits;
}

// The spellings of the local computer: the empty name, ".", "localhost", its own name and the
// loopback addresses, as the reachability probe knows them.
bool IsLocalComputer(const std::string& name, const std::string& computerName) {
  return kestrane::IsLocalComputer(name, std::vector<std::string>{computerName});
}

// The server as the output names it: the local computer by its name, however it was spelt.
std::string ServerLabel(const std::string& name, const std::string& computerName) {
  return IsLocalComputer(name, computerName) ? computerName : name;
}

// A '|' ends the plug-in's text and begins its performance data, on the status line and on each
// line after it; where our text (a pattern, a volume path, a reason) carries one, it becomes '_'.
std::string PluginText(std::string text) {
  std::replace(text.begin(), text.end(), '|', '_');
  return text;
}

// A quoted label may hold any character but '=', which ends the label for every parser of
// performance data (a mount folder "D:\Mounts\a=b\" would cut it), so '=' becomes '_' as '|' does;
// a quote is doubled, as the plug-in guidelines allow.
std::string PerfLabel(const std::string& text) {
  std::string out = "'";
  for (char c : PluginText(text)) {
    out += c == '\'' ? std::string("''") : c == '=' ? std::string("_") : std::string(1, c);
  }
  return out + "'";
}

std::string PromValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '"') out += "\\\"";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

// Whether the arguments ask for the plug-in format, also when they cannot be read whole.
bool AsksForNagios(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i + 1 < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--format" && args[i + 1] == "nagios") return true;
  }
  return false;
}

// The names in order, each server once: compared without case, every spelling of the local
// computer as its name, the first spelling kept. A name that is not a host name stops the command.
std::vector<std::string> ListNames(const CheckOptions& options, const CheckEnvironment& env) {
  std::vector<std::string> names = options.names;
  for (const std::string& file : options.listFiles) {
    // A file names servers only: its blank lines are spacing, never the local computer.
    for (const std::string& line : SplitLines(ListTextFromFileUtf8First(env.readFile(file), env.ansi))) {
      std::string_view name = TrimBlanks(line);
      if (!name.empty()) names.emplace_back(name);
    }
  }
  if (options.names.empty() && options.listFiles.empty()) names.push_back("");  // the local computer
  if (names.empty()) throw UsageError("В списке нет ни одного сервера.");
  const std::string computerName = env.computerName();
  std::vector<std::string> unique;
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (!IsLocalComputer(name, computerName) && !ClassifyHost(name)) {
      throw std::invalid_argument(NotAHostMessage(name));
    }
    if (seen.insert(FoldCase(ServerLabel(name, computerName))).second) unique.push_back(name);
  }
  return unique;
}

// One line per server that could not be checked, with the reason.
std::string UncheckedText(const std::vector<ServerResult>& results, const std::string& computerName) {
  std::string out;
  for (const ServerResult& r : results) {
    if (r.check.Failed()) out += ServerLabel(r.name, computerName) + ": не удалось проверить (" + r.check.error + ")\n";
  }
  return out;
}

// Whether the check completed, for an alert on the exposition itself: a failed run's file says 0.
std::string SuccessGauge(bool completed) {
  return std::string("# HELP kestrane_check_success Whether the check completed (1) or ended UNKNOWN (0).\n"
                     "# TYPE kestrane_check_success gauge\n"
                     "kestrane_check_success ") +
         (completed ? "1" : "0") + "\n";
}

// What an UNKNOWN run gives its consumer once the format and the output are known: the plug-in's
// status line, or an exposition holding only the failed check, which replaces the last good file so
// that a collector stops serving its old values. A table has no such form.
std::string UnknownRunText(OutputFormat format, const std::string& message) {
  switch (format) {
    case OutputFormat::Nagios: return "DISKFREE UNKNOWN - " + PluginText(message) + "\n";
    case OutputFormat::Prometheus: return SuccessGauge(false);
    case OutputFormat::Table: break;
  }
  return "";
}

// Why a run whose servers answered has nothing to judge, naming the patterns that left every disk out.
std::string NoDiskMessage(const CheckOptions& options) {
  std::vector<std::string> patterns;
  for (const std::string& p : options.disks) patterns.push_back("--disk \"" + p + "\"");
  for (const std::string& p : options.excludedDisks) patterns.push_back("--exclude-disk \"" + p + "\"");
  if (patterns.empty()) {
    return options.volumes ? "Серверы не сообщили ни одного фиксированного тома с путём"
                           : "Серверы не сообщили ни одного фиксированного диска";
  }
  return std::string(options.volumes ? "Ни один том" : "Ни один диск") + " не выбран (" + Join(patterns, ", ") + ")";
}

}  // namespace

CheckVerdict Judge(const std::vector<ServerResult>& results, const CheckOptions& options,
                   const std::string& computerName) {
  CheckVerdict verdict;
  bool answered = false, judged = false;
  for (const ServerResult& r : results) {
    if (r.check.Failed()) {
      verdict.unchecked.push_back(r.name);
      continue;
    }
    answered = true;
    judged = judged || !r.check.disks.empty();
    for (std::size_t i = 0; i < r.check.disks.size(); ++i) {
      const DiskReading& disk = r.check.disks[i];
      const std::string fault = ServerLabel(r.name, computerName) + " " + r.cells[kFirstDiskColumn + i];
      if (Below(options.threshold, options.unit, disk)) {
        verdict.critical.push_back(fault);
      } else if (options.warning && Below(*options.warning, options.unit, disk)) {
        verdict.warning.push_back(fault);
      }
    }
  }
  verdict.exitCode = !verdict.critical.empty() || !verdict.unchecked.empty() ? kExitCritical
                     : !verdict.warning.empty()                               ? kExitWarning
                                                                              : kExitOk;
  // No disk to judge is no OK: a mistyped pattern would otherwise leave the monitoring blind.
  if (answered && !judged) {
    verdict.exitCode = kExitUnknown;
    verdict.unknown = NoDiskMessage(options);
  }
  return verdict;
}

std::string TableText(const std::vector<ServerResult>& results) {
  std::string out;
  bool alert = false;
  for (const ServerResult& r : results) {
    std::vector<std::string> cells = r.cells;
    while (!cells.empty() && cells.back().empty()) cells.pop_back();
    out += Join(cells, "\t") + "\n";
    alert = alert || r.below;
  }
  out += alert ? "Оповещение: место заканчивается\n" : "Оповещение: нет\n";
  return out;
}

namespace {

// 'SERVER DISK time left'=SECONDSs;WARN:;CRIT:, the ranges in seconds as the time limits give them.
std::string TimeLeftPerf(const std::string& disk, const DiskForecast& forecast, const CheckOptions& options) {
  std::string entry = PerfLabel(disk + " time left") + "=" + std::to_string(forecast.secondsLeft) + "s";
  if (options.warningTime || options.criticalTime) {
    entry += ';';
    if (options.warningTime) entry += std::to_string(*options.warningTime) + ":";
    entry += ';';
    if (options.criticalTime) entry += std::to_string(*options.criticalTime) + ":";
  }
  return entry;
}

std::string NagiosReport(const std::vector<ServerResult>& results, const CheckOptions& options,
                         const CheckVerdict& verdict, const std::string& computerName, const TimeLeftReport& timeLeft) {
  static const char* const kStates[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
  std::vector<std::string> parts;
  if (!verdict.unknown.empty()) parts.push_back(verdict.unknown);
  if (!verdict.critical.empty()) parts.push_back("ниже порога: " + Join(verdict.critical, ", "));
  if (!verdict.unchecked.empty()) {
    std::vector<std::string> names;
    for (const std::string& n : verdict.unchecked) names.push_back(ServerLabel(n, computerName));
    parts.push_back("не проверены: " + Join(names, ", "));
  }
  if (!verdict.warning.empty()) parts.push_back("ниже предупреждения: " + Join(verdict.warning, ", "));
  if (!timeLeft.critical.empty()) {
    parts.push_back("заполнится в пределах --critical-time: " + Join(timeLeft.critical, ", "));
  }
  if (!timeLeft.warning.empty()) parts.push_back("заполнится в пределах --warning-time: " + Join(timeLeft.warning, ", "));
  std::size_t disks = 0;
  for (const ServerResult& r : results) disks += r.check.disks.size();
  if (parts.empty()) {
    parts.push_back("дисков: " + std::to_string(disks) + ", серверов: " + std::to_string(results.size()));
  }
  std::string out = std::string("DISKFREE ") + kStates[verdict.exitCode] + " - " + PluginText(Join(parts, "; "));
  std::vector<std::string> perf;
  for (std::size_t s = 0; s < results.size(); ++s) {
    const ServerResult& r = results[s];
    for (std::size_t d = 0; d < r.check.disks.size(); ++d) {
      const DiskReading& disk = r.check.disks[d];
      std::string entry = PerfLabel(ServerLabel(r.name, computerName) + " " + disk.DeviceID + " free") + "=" +
                          std::to_string(disk.FreeSpace) + "B;";
      if (options.warning) entry += ToString(AlertBelowBytes(*options.warning, options.unit, disk)) + ":";
      entry += ';' + ToString(AlertBelowBytes(options.threshold, options.unit, disk)) + ":;0;" +
               std::to_string(disk.Size);
      perf.push_back(entry);
      if (const DiskForecast* forecast = timeLeft.At(s, d)) {
        perf.push_back(TimeLeftPerf(ServerLabel(r.name, computerName) + " " + disk.DeviceID, *forecast, options));
      }
    }
  }
  if (!perf.empty()) out += " | " + Join(perf, " ");
  return out + "\n" + PluginText(UncheckedText(results, computerName));
}

std::string PrometheusReport(const std::vector<ServerResult>& results, double durationSeconds,
                             const std::string& computerName, const TimeLeftReport& timeLeft) {
  std::string out;
  // `value` gives a disk's sample, or nothing for a disk that has none.
  auto disks = [&](const char* metric, const char* help, auto value) {
    out += std::string("# HELP ") + metric + " " + help + "\n# TYPE " + metric + " gauge\n";
    for (std::size_t s = 0; s < results.size(); ++s) {
      const ServerResult& r = results[s];
      for (std::size_t i = 0; i < r.check.disks.size(); ++i) {
        const DiskReading& d = r.check.disks[i];
        const std::optional<std::string> sample = value(d, timeLeft.At(s, i));
        if (!sample) continue;
        out += std::string(metric) + "{server=\"" + PromValue(ServerLabel(r.name, computerName)) + "\",disk=\"" +
               PromValue(d.DeviceID) + "\"} " + *sample + "\n";
      }
    }
  };
  using Forecast = const DiskForecast*;
  disks("kestrane_disk_free_bytes", "Free space of a fixed disk in bytes.",
        [](const DiskReading& d, Forecast) { return std::optional(std::to_string(d.FreeSpace)); });
  disks("kestrane_disk_size_bytes", "Size of a fixed disk in bytes.",
        [](const DiskReading& d, Forecast) { return std::optional(std::to_string(d.Size)); });
  if (timeLeft.kept) {
    disks("kestrane_disk_time_to_full_seconds", "Forecast time until a fixed disk is full, at most a year.",
          [](const DiskReading&, Forecast f) { return f ? std::optional(std::to_string(f->secondsLeft)) : std::nullopt; });
    disks("kestrane_disk_free_bytes_per_second", "Forecast change of free space, negative when it falls.",
          [](const DiskReading&, Forecast f) -> std::optional<std::string> {
            if (!f) return std::nullopt;
            char rate[32];
            std::snprintf(rate, sizeof rate, "%.6g", f->freePerSecond);
            return rate;
          });
  }
  out += "# HELP kestrane_server_up Whether the server could be checked (1) or not (0).\n";
  out += "# TYPE kestrane_server_up gauge\n";
  for (const ServerResult& r : results) {
    out += "kestrane_server_up{server=\"" + PromValue(ServerLabel(r.name, computerName)) + "\"} " +
           (r.check.Failed() ? "0" : "1") + "\n";
  }
  out += "# HELP kestrane_server_check_failure Where the check of a server failed: 1 for the stage that failed, "
         "0 for the others (reach: the name did not resolve or nothing answered on TCP 135; wmi: the WMI query "
         "failed or a disk could not be read; deadline: no answer within --timeout).\n";
  out += "# TYPE kestrane_server_check_failure gauge\n";
  for (const ServerResult& r : results) {
    const std::string server = PromValue(ServerLabel(r.name, computerName));
    for (const auto& [stage, failure] : {std::pair{"reach", CheckFailure::Unreachable},
                                         std::pair{"wmi", CheckFailure::Query}, std::pair{"deadline", CheckFailure::Late}}) {
      out += "kestrane_server_check_failure{server=\"" + server + "\",stage=\"" + stage + "\"} " +
             (r.check.failure == failure ? "1" : "0") + "\n";
    }
  }
  char duration[64];
  std::snprintf(duration, sizeof duration, "%.3f", durationSeconds);
  out += "# HELP kestrane_check_duration_seconds How long the check took.\n";
  out += "# TYPE kestrane_check_duration_seconds gauge\n";
  out += std::string("kestrane_check_duration_seconds ") + duration + "\n";
  return out + SuccessGauge(true);
}

}  // namespace

std::string NagiosText(const std::vector<ServerResult>& results, const CheckOptions& options,
                       const CheckVerdict& verdict, const std::string& computerName) {
  return NagiosReport(results, options, verdict, computerName, TimeLeftReport{});
}

std::string PrometheusText(const std::vector<ServerResult>& results, double durationSeconds,
                           const std::string& computerName) {
  return PrometheusReport(results, durationSeconds, computerName, TimeLeftReport{});
}

DiskQueryFactory CheckQueries(const CheckOptions& options, const CheckEnvironment& env) {
  return SelectDisks(options.volumes ? env.volumeQueries : env.queries, options.disks, options.excludedDisks);
}

std::shared_ptr<ProbesAhead> CheckProbes(const CheckOptions& options, const CheckEnvironment& env, bool keep,
                                         std::chrono::milliseconds lasts) {
  if (!env.probe || options.connectTimeout.count() == 0) return nullptr;
  // Within half the server's deadline, so that a server that is off is told apart from one that hangs.
  std::chrono::milliseconds budget = options.connectTimeout;
  if (options.timeout) budget = std::min(budget, std::max(std::chrono::milliseconds(1), *options.timeout / 2));
  return std::make_shared<ProbesAhead>(env.probe, budget, env.ownNames ? env.ownNames() : std::vector<std::string>{},
                                       keep, lasts);
}

std::string PrometheusRunText(const std::vector<ServerResult>& results, const CheckVerdict& verdict,
                              double durationSeconds, const std::string& computerName) {
  return verdict.unknown.empty() ? PrometheusText(results, durationSeconds, computerName)
                                 : UnknownRunText(OutputFormat::Prometheus, verdict.unknown);
}

std::string ThresholdText(const std::vector<ServerResult>& results, const CheckOptions& options,
                          const std::string& computerName) {
  std::string out;
  auto limits = [&](const char* metric, const char* help, const ThresholdValue& limit) {
    out += std::string("# HELP ") + metric + " " + help + "\n# TYPE " + metric + " gauge\n";
    for (const ServerResult& r : results) {
      for (const DiskReading& d : r.check.disks) {
        out += std::string(metric) + "{server=\"" + PromValue(ServerLabel(r.name, computerName)) + "\",disk=\"" +
               PromValue(d.DeviceID) + "\"} " + ToString(AlertBelowBytes(limit, options.unit, d)) + "\n";
      }
    }
  };
  limits("kestrane_disk_threshold_bytes", "Free bytes a fixed disk needs not to be below the critical threshold.",
         options.threshold);
  if (options.warning) {
    limits("kestrane_disk_warning_bytes", "Free bytes a fixed disk needs not to be below the warning threshold.",
           *options.warning);
  }
  return out;
}

int CheckMain(const std::vector<std::string>& args, const CheckEnvironment& env, std::ostream& out, std::ostream& err) {
  CheckOptions options;
  try {
    options = ParseCheckArguments(args);
  } catch (const std::exception& e) {
    // Arguments that cannot be read name no output to write into: said where the monitoring reads it.
    if (AsksForNagios(args)) out << UnknownRunText(OutputFormat::Nagios, e.what());
    err << e.what() << "\n" << kCheckUsage;
    return kExitUnknown;
  }
  if (options.help) {
    out << kCheckUsage;
    return kExitOk;
  }
  // The result, whatever the state, to standard output or whole into the --output file.
  auto deliver = [&](const std::string& text, int exitCode) {
    if (!options.output) {
      out << text;
      return exitCode;
    }
    if (text.empty()) return exitCode;  // an UNKNOWN run has no table: the file stays as it was
    try {
      env.writeFile(*options.output, text);
    } catch (const std::exception& e) {
      err << e.what() << "\n";
      return kExitUnknown;
    }
    return exitCode;
  };
  std::vector<std::string> names;
  try {
    names = ListNames(options, env);
  } catch (const std::exception& e) {
    // A name that is not a host name or an unreadable list.
    err << e.what() << "\n";
    if (dynamic_cast<const UsageError*>(&e)) err << kCheckUsage;
    return deliver(UnknownRunText(options.format, e.what()), kExitUnknown);
  }
  const double started = env.seconds();
  // The cells and their alert flags as the window would show them; the state from the exact figures.
  DiskTest test = [options](const std::string& text, const DiskReading& disk) {
    return WindowBelow(options.threshold, options.unit, text, disk);
  };
  // Each server is probed on TCP 135 before WMI is asked; the local computer never is.
  std::vector<ServerResult> results = CheckServers(names, CheckQueries(options, env), test, options.parallel,
                                                   options.timeout, CheckProbes(options, env, true));
  const double duration = env.seconds() - started;
  const std::string computerName = env.computerName();
  CheckVerdict verdict = Judge(results, options, computerName);
  const TimeLeftReport timeLeft = ReportTimeLeft(results, options, computerName, UtcNow());
  JudgeTimeLeft(verdict, timeLeft);
  err << timeLeft.notice;
  std::string text;
  switch (options.format) {
    case OutputFormat::Table: text = TableText(WithTimeLeftCells(results, timeLeft)); break;
    case OutputFormat::Nagios: text = NagiosReport(results, options, verdict, computerName, timeLeft); break;
    case OutputFormat::Prometheus:
      text = verdict.unknown.empty() ? PrometheusReport(results, duration, computerName, timeLeft)
                                     : UnknownRunText(options.format, verdict.unknown);
      break;
  }
  // The plug-in output carries the reasons itself; beside a table or the exposition they are messages.
  if (options.format != OutputFormat::Nagios) err << UncheckedText(results, computerName);
  if (!verdict.unknown.empty()) err << verdict.unknown << "\n";
  return deliver(text, verdict.exitCode);
}

}  // namespace kestrane
