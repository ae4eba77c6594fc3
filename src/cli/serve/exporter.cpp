#include "cli/serve/exporter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/serve/listen_address.h"
#include "cli/serve/query_string.h"
#include "core/host_name.h"

namespace kestrane {
namespace {

constexpr char kExposition[] = "text/plain; version=0.0.4; charset=utf-8";

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

// A reason inside an exposition comment: one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string EscapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
  return out;
}

}  // namespace

std::optional<std::chrono::milliseconds> ProbeDeadline(const std::optional<std::string>& scrapeTimeout,
                                                       std::optional<std::chrono::milliseconds> timeout) {
  std::chrono::milliseconds deadline = kDefaultProbeDeadline;
  if (scrapeTimeout) {
    double seconds = 0;
    const char* first = scrapeTimeout->data();
    const char* last = first + scrapeTimeout->size();
    const auto [end, error] = std::from_chars(first, last, seconds);
    if (error != std::errc() || end != last || !std::isfinite(seconds) || seconds <= 0) return std::nullopt;
    // The answer must leave Prometheus before its own timeout cuts the scrape.
    const double left = seconds < 1 ? seconds / 2 : seconds - 0.5;
    deadline = std::chrono::milliseconds(static_cast<std::int64_t>(std::min(left, 86400.0) * 1000));
  }
  if (timeout && *timeout < deadline) deadline = *timeout;
  return deadline;
}

Exporter::Exporter(const CheckOptions& options, const CheckEnvironment& env, ServiceLog log,
                   std::chrono::milliseconds listReread)
    : options_(options),
      computerName_(env.computerName()),
      port_(ParseListenAddress(options.serve.value_or("")).port),
      allowed_({options.listFiles, options.allowedTargets, options.allowAnyTarget}, env.readFile, env.ansi, listReread,
               std::move(log)),
      checks_(ProbedQueries(CheckQueries(options, env), CheckProbes(options, env, false, std::chrono::milliseconds(0))), options.parallel,
              16 * options.parallel) {}

HttpResponse Exporter::Serve(const HttpRequest& request) {
  const auto received = std::chrono::steady_clock::now();
  HttpResponse response;
  const bool known = request.path == "/" || request.path == "/metrics" || request.path == "/probe";
  if (!known) {
    response = {404, "text/plain; charset=utf-8", "Нет такой страницы: /probe?target=ИМЯ, /metrics или /.\n", ""};
  } else if (request.method != "GET") {
    response = {405, "text/plain; charset=utf-8", "Поддерживается только GET.\n", "GET"};
  } else if (request.path == "/probe") {
    response = Probe(request, received);
  } else if (request.path == "/metrics") {
    response = {200, kExposition, "", ""};
    response.body = metrics_.Text(inFlight_.load(), checks_.Running(), checks_.LetGo());
  } else {
    response = {200, "text/html; charset=utf-8", IndexPage(), ""};
  }
  metrics_.Answered(response.status);
  return response;
}

HttpResponse Exporter::Refuse(int status, ProbeOutcome outcome, const std::string& why) {
  metrics_.Probed(outcome, 0);
  return {status, "text/plain; charset=utf-8", why + "\n", ""};
}

HttpResponse Exporter::Probe(const HttpRequest& request, std::chrono::steady_clock::time_point received) {
  const std::optional<std::vector<std::pair<std::string, std::string>>> query = ParseQuery(request.query);
  if (!query) return Refuse(400, ProbeOutcome::Invalid, "Строка запроса содержит неверную %-последовательность.");
  std::vector<std::string> targets;
  for (const auto& [name, value] : *query) {
    if (name == "target") targets.push_back(value);
  }
  if (targets.size() != 1 || targets[0].empty()) {
    return Refuse(400, ProbeOutcome::Invalid, "Нужен ровно один параметр target с именем сервера: /probe?target=ИМЯ.");
  }
  const std::string& target = targets[0];
  if (!ClassifyHost(target)) return Refuse(400, ProbeOutcome::Invalid, NotAHostMessage(target));
  const std::optional<std::chrono::milliseconds> deadline = ProbeDeadline(request.scrapeTimeout, options_.timeout);
  if (!deadline) {
    return Refuse(400, ProbeOutcome::Invalid, "Заголовок X-Prometheus-Scrape-Timeout-Seconds должен быть числом секунд больше нуля.");
  }
  if (!allowed_.Allows(target)) {
    return Refuse(403, ProbeOutcome::Refused, "Сервер «" + target + "» не разрешён: его нет в --list, и он не подходит под --allow-target.");
  }
  ++inFlight_;
  SharedChecks::Result result = checks_.Check(target, received + *deadline);
  --inFlight_;
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - received).count();
  if (result.outcome == SharedChecks::Outcome::Busy || result.outcome == SharedChecks::Outcome::Stopped) {
    metrics_.Probed(ProbeOutcome::Busy, 0);
    return {503, "text/plain; charset=utf-8",
            result.outcome == SharedChecks::Outcome::Busy
                ? "Все места для проверок (--parallel " + std::to_string(options_.parallel) + ") заняты до конца срока.\n"
                : std::string("Экспортёр останавливается.\n"),
            ""};
  }
  const bool late = result.outcome == SharedChecks::Outcome::Late;
  if (late) result.check = ServerCheck{{}, CheckFailure::Late, std::string(kTimedOut) + " (" + Seconds(deadline->count() / 1000.0) + " s)"};
  const std::vector<ServerResult> results{
      TableRow(target, std::move(result.check), [](const std::string&, const DiskReading&) { return false; })};
  const CheckVerdict verdict = Judge(results, options_, computerName_);
  const bool success = !results[0].check.Failed() && verdict.unknown.empty();
  std::string body;
  if (results[0].check.Failed()) body += "# kestrane: " + OneLine(target + ": " + results[0].check.error) + "\n";
  if (!verdict.unknown.empty()) body += "# kestrane: " + OneLine(target + ": " + verdict.unknown) + "\n";
  body += PrometheusRunText(results, verdict, late ? took : std::chrono::duration<double>(result.took).count(), computerName_);
  if (verdict.unknown.empty()) body += ThresholdText(results, options_, computerName_);
  body += "# HELP kestrane_probe_success Whether the server was checked and had disks to judge (1) or not (0).\n"
          "# TYPE kestrane_probe_success gauge\n"
          "kestrane_probe_success " + std::string(success ? "1" : "0") + "\n";
  body += "# HELP kestrane_probe_duration_seconds How long the probe took.\n"
          "# TYPE kestrane_probe_duration_seconds gauge\n"
          "kestrane_probe_duration_seconds " + Seconds(took) + "\n";
  metrics_.Probed(success ? ProbeOutcome::Success : late ? ProbeOutcome::Timeout : ProbeOutcome::Failure, took);
  return {200, kExposition, body, ""};
}

void Exporter::Stop() { checks_.Stop(); }

std::string Exporter::IndexPage() const {
  const std::string self = EscapeHtml(computerName_) + ":" + std::to_string(port_);
  return "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Kestrane</title></head><body>\n"
         "<h1>Kestrane: свободное место на дисках серверов</h1>\n<ul>\n"
         "<li><a href=\"/probe\">/probe?target=ИМЯ</a> - проверить сервер сейчас (текстовый формат Prometheus)</li>\n"
         "<li><a href=\"/metrics\">/metrics</a> - счётчики самого экспортёра</li>\n</ul>\n"
         "<p>Настройка Prometheus:</p>\n<pre>\nscrape_configs:\n"
         "  - job_name: kestrane\n    metrics_path: /probe\n    static_configs:\n"
         "      - targets: [srv01.example.com, srv02.example.com]\n    relabel_configs:\n"
         "      - source_labels: [__address__]\n        target_label: __param_target\n"
         "      - source_labels: [__param_target]\n        target_label: instance\n"
         "      - target_label: __address__\n        replacement: " + self + "\n"
         "  - job_name: kestrane_exporter\n    static_configs:\n      - targets: ['" + self + "']\n</pre>\n"
         "</body></html>\n";
}

}  // namespace kestrane
