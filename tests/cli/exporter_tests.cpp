#include "cli/serve/exporter.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <thread>

#include "cli/serve/listen_address.h"
#include "support/simulated_disk_query.h"

namespace kestrane {
namespace {

using namespace std::chrono_literals;

class ExporterTest : public ::testing::Test {
 protected:
  std::shared_ptr<SimulatedFleet> fleet = std::make_shared<SimulatedFleet>();
  std::map<std::string, std::string> files;
  std::mutex logMutex;
  std::vector<std::string> failures;
  CheckEnvironment env;
  std::unique_ptr<Exporter> exporter;

  void SetUp() override {
    env.queries = SimulatedFleet::Factory(fleet);
    env.readFile = [this](const std::string& path) {
      auto it = files.find(path);
      if (it == files.end()) throw std::runtime_error("Cannot open file \"" + path + "\"");
      return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
    };
    env.ansi = [](std::string_view bytes) { return std::string(bytes); };
    env.computerName = [] { return std::string("HOST"); };
    SimulatedServer srv1;
    srv1.disks = {{"C:", 13207024435, 53687091200}, {"D:", 734003200, 53687091200}};
    fleet->Set("srv1", srv1);
    SimulatedServer slow = srv1;
    slow.blocks = true;
    fleet->Set("slow", slow);
  }
  void TearDown() override { fleet->ReleaseBlocked(); }
  void Start(std::vector<std::string> args) {
    args.insert(args.begin(), "--serve");
    exporter = std::make_unique<Exporter>(ParseCheckArguments(args), env, [this](LogEvent event, const std::string& text) {
      std::lock_guard lock(logMutex);
      if (event == LogEvent::Failure) failures.push_back(text);
    }, 0ms);
  }
  HttpResponse Get(const std::string& url, std::optional<std::string> timeout = "10", const std::string& method = "GET") {
    const std::size_t mark = url.find('?');
    return exporter->Serve({method, url.substr(0, mark), mark == std::string::npos ? "" : url.substr(mark + 1), timeout});
  }
  bool Has(const HttpResponse& r, const std::string& line) { return r.body.find(line + "\n") != std::string::npos; }
};

TEST_F(ExporterTest, BadOrRefusedRequestsGetTheirStatusAndReachNoServer) {
  Start({"--allow-target", "srv*"});
  EXPECT_EQ(Get("/probe/x?target=srv1").status, 404);
  const HttpResponse post = Get("/probe?target=srv1", "10", "POST");
  EXPECT_EQ(post.status, 405);
  EXPECT_EQ(post.allow, "GET");
  EXPECT_EQ(Get("/probe").status, 400);
  EXPECT_EQ(Get("/probe?target=").status, 400);
  EXPECT_EQ(Get("/probe?target=srv1&target=srv2").status, 400);
  EXPECT_EQ(Get("/probe?target=srv02+%2Ft+0").status, 400);  // "srv02 /t 0"
  EXPECT_EQ(Get("/probe?target=srv%2").status, 400);
  EXPECT_EQ(Get("/probe?target=srv1", "ten").status, 400);
  EXPECT_EQ(Get("/probe?target=web1").status, 403);
  EXPECT_TRUE(fleet->OpenedNames().empty());
  const HttpResponse metrics = Get("/metrics");
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_probes_total{outcome=\"invalid\"} 6"));
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_probes_total{outcome=\"refused\"} 1"));
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_http_requests_total{code=\"400\"} 6"));
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_probe_duration_seconds_count 0"));
}

TEST_F(ExporterTest, AProbeAnswersTheServersSeriesItsThresholdsAndItsSuccess) {
  Start({"--allow-target", "*", "--threshold", "10%"});
  const HttpResponse ok = Get("/probe?target=srv1");
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.contentType, "text/plain; version=0.0.4; charset=utf-8");
  EXPECT_TRUE(Has(ok, "kestrane_disk_free_bytes{server=\"srv1\",disk=\"D:\"} 734003200"));
  EXPECT_TRUE(Has(ok, "kestrane_server_up{server=\"srv1\"} 1"));
  EXPECT_TRUE(Has(ok, "kestrane_check_success 1"));
  EXPECT_TRUE(Has(ok, "kestrane_disk_threshold_bytes{server=\"srv1\",disk=\"C:\"} 5368709120"));
  EXPECT_TRUE(Has(ok, "kestrane_probe_success 1"));
  EXPECT_NE(ok.body.find("\nkestrane_probe_duration_seconds 0."), std::string::npos);
  const HttpResponse dead = Get("/probe?target=dead");
  EXPECT_EQ(dead.status, 200);
  EXPECT_EQ(dead.body.rfind("# kestrane: dead: The RPC server is unavailable\n", 0), 0u);
  EXPECT_TRUE(Has(dead, "kestrane_server_up{server=\"dead\"} 0"));
  EXPECT_TRUE(Has(dead, "kestrane_probe_success 0"));
  const HttpResponse metrics = Get("/metrics");
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_probes_total{outcome=\"success\"} 1"));
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_probes_total{outcome=\"failure\"} 1"));
  EXPECT_TRUE(Has(metrics, "kestrane_exporter_probe_duration_seconds_bucket{le=\"+Inf\"} 2"));
}

TEST_F(ExporterTest, AServerThatLeavesNoDiskToJudgeIsNoSuccess) {
  Start({"--allow-target", "*", "--disk", "Z:"});
  const HttpResponse none = Get("/probe?target=srv1");
  EXPECT_TRUE(Has(none, "kestrane_check_success 0"));
  EXPECT_TRUE(Has(none, "kestrane_probe_success 0"));
  EXPECT_EQ(none.body.find("kestrane_disk_free_bytes"), std::string::npos);
}

TEST_F(ExporterTest, AServerNotDoneByTheDeadlineIsAnsweredAsLate) {
  Start({"--allow-target", "*"});
  const HttpResponse late = Get("/probe?target=slow", "1");  // half a second
  EXPECT_EQ(late.status, 200);
  EXPECT_EQ(late.body.rfind("# kestrane: slow: No answer within the time allowed (0.500 s)\n", 0), 0u);
  EXPECT_TRUE(Has(late, "kestrane_probe_success 0"));
  EXPECT_TRUE(Has(Get("/metrics"), "kestrane_exporter_probes_total{outcome=\"timeout\"} 1"));
  EXPECT_EQ(ProbeDeadline(std::nullopt, std::nullopt), 9500ms);
  EXPECT_EQ(ProbeDeadline("10", 2000ms), 2000ms);
  EXPECT_EQ(ProbeDeadline("0", std::nullopt), std::nullopt);
}

TEST_F(ExporterTest, ProbesOfOneServerAtOnceShareOneQuery) {
  Start({"--allow-target", "*"});
  std::vector<std::future<HttpResponse>> probes;
  for (int i = 0; i < 6; ++i) probes.push_back(std::async(std::launch::async, [&] { return Get("/probe?target=slow"); }));
  while (!Has(Get("/metrics"), "kestrane_exporter_probes_in_flight 6")) std::this_thread::sleep_for(1ms);
  fleet->ReleaseBlocked();
  for (auto& probe : probes) EXPECT_TRUE(Has(probe.get(), "kestrane_probe_success 1"));
  EXPECT_EQ(fleet->OpenedNames(), std::vector<std::string>{"slow"});
}

TEST_F(ExporterTest, BeyondParallelAProbeWaitsWithinItsDeadlineForAPlace) {
  Start({"--allow-target", "*", "--parallel", "1"});
  auto holder = std::async(std::launch::async, [&] { return Get("/probe?target=slow", "2"); });
  while (fleet->OpenedNames().empty()) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(Get("/probe?target=srv1", "0.2").status, 503);
  // Once the holder's deadline has passed its check no longer holds the place, though still running.
  EXPECT_TRUE(Has(Get("/probe?target=srv1", "5"), "kestrane_probe_success 1"));
  EXPECT_TRUE(Has(holder.get(), "kestrane_probe_success 0"));
  EXPECT_TRUE(Has(Get("/metrics"), "kestrane_exporter_checks_abandoned 1"));
}

TEST_F(ExporterTest, AServerThatHangsHoldsAtMostTwoChecksAndIsCheckedAgainOnceTheyAnswer) {
  Start({"--allow-target", "*"});
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Has(Get("/probe?target=slow", "0.2"), "kestrane_probe_success 0"));
  EXPECT_EQ(fleet->OpenedNames().size(), 2u);
  fleet->ReleaseBlocked();
  while (!Has(Get("/metrics"), "kestrane_exporter_checks_abandoned 0")) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(Has(Get("/probe?target=slow"), "kestrane_probe_success 1"));
  EXPECT_EQ(fleet->OpenedNames().size(), 3u);
}

TEST_F(ExporterTest, StoppingAnswersTheWaitingProbesAtOnce) {
  Start({"--allow-target", "*"});
  auto waiting = std::async(std::launch::async, [&] { return Get("/probe?target=slow", "60"); });
  while (fleet->OpenedNames().empty()) std::this_thread::sleep_for(1ms);
  exporter->Stop();
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(waiting.get().status, 503);
  EXPECT_EQ(Get("/probe?target=srv1").status, 503);
}

TEST_F(ExporterTest, TheListFileAllowsItsNamesAsItChangesAndNoneWhileUnreadable) {
  files["list.txt"] = "srv1\r\n";
  Start({"--list", "list.txt"});
  EXPECT_EQ(Get("/probe?target=srv1").status, 200);
  EXPECT_EQ(Get("/probe?target=srv2").status, 403);
  files["list.txt"] = "\r\n  srv2\t\r\n";
  EXPECT_EQ(Get("/probe?target=srv1").status, 403);
  EXPECT_EQ(Get("/probe?target=SRV2").status, 200);
  files.erase("list.txt");
  EXPECT_EQ(Get("/probe?target=srv2").status, 403);
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_THROW(Start({"--list", "missing.txt"}), std::runtime_error);
  files["bad.txt"] = "srv02 /t 0\n";
  EXPECT_THROW(Start({"--list", "bad.txt"}), std::invalid_argument);
}

TEST(ServeOptionsTest, TheAddressAndTheExportersOwnRules) {
  EXPECT_EQ(UrlPrefix(ParseListenAddress("")), "http://+:10135/");
  EXPECT_EQ(UrlPrefix(ParseListenAddress("127.0.0.1:9999")), "http://127.0.0.1:9999/");
  EXPECT_EQ(UrlPrefix(ParseListenAddress("[::1]:80")), "http://[::1]:80/");
  for (const char* bad : {"0", "080", "65536", "host:80", "::1:80", "[127.0.0.1]:80", "1.2.3.4:"}) {
    EXPECT_THROW(ParseListenAddress(bad), UsageError) << bad;
  }
  EXPECT_EQ(ParseCheckArguments({"--serve", "--allow-any-target"}).parallel, kServeParallel);
  EXPECT_EQ(ParseCheckArguments({"--serve", "--list", "l.txt"}).serve, "");
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"--serve"}, {"--serve", "--allow-target", "*", "srv1"}, {"--serve", "1", "--allow-target", "*", "--format", "nagios"},
           {"--allow-target", "*"}, {"--uninstall-service", "--serve"}, {"--serve", "--allow-target", "--list"}}) {
    EXPECT_THROW(ParseCheckArguments(bad), UsageError);
  }
}

}  // namespace
}  // namespace kestrane
