// kestrane-check --serve: the multi-target exporter behind the HTTP server. GET /probe?target=NAME
// checks that one server now, with the check's own options, and answers the text exposition of that
// server; GET /metrics answers the exporter's own series; GET / a page naming both.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

#include "cli/check_command.h"
#include "cli/serve/allowed_targets.h"
#include "cli/serve/exporter_metrics.h"
#include "platform/service_log.h"
#include "cli/serve/shared_checks.h"
#include "platform/http_server.h"

namespace kestrane {

// The deadline of a scrape that does not say its timeout, as Prometheus's default of 10 s would give.
inline constexpr std::chrono::milliseconds kDefaultProbeDeadline{9500};

class Exporter {
 public:
  // `options` as ParseCheckArguments gives them for --serve. Throws when a --list file cannot be read.
  Exporter(const CheckOptions& options, const CheckEnvironment& env, ServiceLog log,
           std::chrono::milliseconds listReread = std::chrono::seconds(1));
  Exporter(const Exporter&) = delete;
  Exporter& operator=(const Exporter&) = delete;

  // Any number of threads at once.
  HttpResponse Serve(const HttpRequest& request);
  // Probes waiting for a server are answered 503 now, and every later one too.
  void Stop();

 private:
  HttpResponse Probe(const HttpRequest& request, std::chrono::steady_clock::time_point received);
  HttpResponse Refuse(int status, ProbeOutcome outcome, const std::string& why);
  std::string IndexPage() const;

  CheckOptions options_;
  std::string computerName_;
  int port_;
  AllowedTargets allowed_;
  SharedChecks checks_;
  ExporterMetrics metrics_;
  std::atomic<int> inFlight_{0};
};

// The deadline a probe has: the scrape's timeout header less half a second (half of a timeout under
// a second), kDefaultProbeDeadline without the header, never beyond --timeout. Nothing for a header
// that is not a positive number.
std::optional<std::chrono::milliseconds> ProbeDeadline(const std::optional<std::string>& scrapeTimeout,
                                                       std::optional<std::chrono::milliseconds> timeout);

}  // namespace kestrane
