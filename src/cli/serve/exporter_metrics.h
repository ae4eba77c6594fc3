// The exporter's own series for /metrics: how its scrapes ended, what runs now, how long probes took.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace kestrane {

enum class ProbeOutcome { Success, Failure, Timeout, Refused, Invalid, Busy };

class ExporterMetrics {
 public:
  // A /probe answered; `seconds` counts for the probes that checked a server.
  void Probed(ProbeOutcome outcome, double seconds);
  // Any request answered, by its status.
  void Answered(int status);
  // The exposition: the counters, the histogram of probe durations, the gauges given, build info.
  std::string Text(int probesInFlight, int checksRunning, int checksLetGo) const;

 private:
  static constexpr std::array<double, 9> kBuckets{0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30};
  mutable std::mutex mutex_;
  std::array<std::uint64_t, 6> outcomes_{};
  std::array<std::uint64_t, kBuckets.size() + 1> buckets_{};  // each bucket alone; summed when shown
  double sum_ = 0;
  std::map<int, std::uint64_t> statuses_;
};

}  // namespace kestrane
