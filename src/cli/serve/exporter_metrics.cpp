#include "cli/serve/exporter_metrics.h"

#include <cstdio>

#ifndef KESTRANE_VERSION
#define KESTRANE_VERSION "unknown"
#endif

namespace kestrane {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

void Family(std::string& out, const char* name, const char* type, const char* help) {
  out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

}  // namespace

void ExporterMetrics::Probed(ProbeOutcome outcome, double seconds) {
  std::lock_guard lock(mutex_);
  ++outcomes_[static_cast<std::size_t>(outcome)];
  if (outcome != ProbeOutcome::Success && outcome != ProbeOutcome::Failure && outcome != ProbeOutcome::Timeout) return;
  std::size_t bucket = 0;
  while (bucket < kBuckets.size() && seconds > kBuckets[bucket]) ++bucket;
  ++buckets_[bucket];
  sum_ += seconds;
}

void ExporterMetrics::Answered(int status) {
  std::lock_guard lock(mutex_);
  ++statuses_[status];
}

std::string ExporterMetrics::Text(int probesInFlight, int checksRunning, int checksLetGo) const {
  static const char* const kOutcomes[] = {"success", "failure", "timeout", "refused", "invalid", "busy"};
  std::lock_guard lock(mutex_);
  std::string out;
  Family(out, "kestrane_exporter_probes_total", "counter",
         "Probes answered, by outcome: success, failure (the server could not be checked), timeout, refused "
         "(target not allowed), invalid (bad request), busy (no free place before the deadline).");
  for (std::size_t i = 0; i < outcomes_.size(); ++i) {
    out += std::string("kestrane_exporter_probes_total{outcome=\"") + kOutcomes[i] + "\"} " + std::to_string(outcomes_[i]) + "\n";
  }
  Family(out, "kestrane_exporter_http_requests_total", "counter", "HTTP requests answered, by status code.");
  for (const auto& [status, count] : statuses_) {
    out += "kestrane_exporter_http_requests_total{code=\"" + std::to_string(status) + "\"} " + std::to_string(count) + "\n";
  }
  Family(out, "kestrane_exporter_probe_duration_seconds", "histogram", "How long the probes that checked a server took.");
  std::uint64_t below = 0;
  for (std::size_t i = 0; i < buckets_.size(); ++i) {
    below += buckets_[i];
    const std::string le = i < kBuckets.size() ? Number(kBuckets[i]) : "+Inf";
    out += "kestrane_exporter_probe_duration_seconds_bucket{le=\"" + le + "\"} " + std::to_string(below) + "\n";
  }
  out += "kestrane_exporter_probe_duration_seconds_sum " + Number(sum_) + "\n";
  out += "kestrane_exporter_probe_duration_seconds_count " + std::to_string(below) + "\n";
  Family(out, "kestrane_exporter_probes_in_flight", "gauge", "Probes waiting for their server now.");
  out += "kestrane_exporter_probes_in_flight " + std::to_string(probesInFlight) + "\n";
  Family(out, "kestrane_exporter_checks_running", "gauge", "Checks of servers running now, each on a thread of its own.");
  out += "kestrane_exporter_checks_running " + std::to_string(checksRunning) + "\n";
  Family(out, "kestrane_exporter_checks_abandoned", "gauge",
         "Checks still running that every probe has given up on; they hold a thread until the server answers.");
  out += "kestrane_exporter_checks_abandoned " + std::to_string(checksLetGo) + "\n";
  Family(out, "kestrane_exporter_build_info", "gauge", "The exporter's version.");
  out += "kestrane_exporter_build_info{version=\"" KESTRANE_VERSION "\"} 1\n";
  return out;
}

}  // namespace kestrane
