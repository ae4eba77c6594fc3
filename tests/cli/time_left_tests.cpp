#include "cli/time_left.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/history_file.h"
#include "support/simulated_disk_query.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kGiB = 1073741824;

// C: of "srv" and of the local computer "HOST" with 40,5 GB free, which a history of 12 hours
// has seen fall by 1 GB an hour: 40,5 hours left.
class TimeLeftTest : public ::testing::Test {
 protected:
  fs::path folder = fs::path(::testing::TempDir()) / ("kestrane_time_left_" + std::to_string(::getpid()));
  std::string history = (folder / "history.csv").string();
  std::shared_ptr<SimulatedFleet> fleet = std::make_shared<SimulatedFleet>();
  CheckEnvironment env;
  std::ostringstream out, err;

  void SetUp() override {
    fs::remove_all(folder);
    fs::create_directories(folder);
    env.queries = SimulatedFleet::Factory(fleet);
    env.computerName = [] { return std::string("HOST"); };
    env.seconds = [] { return 0.0; };
    SimulatedServer server;
    server.disks = {{"C:", 81 * kGiB / 2, 100 * kGiB}};
    fleet->Set("srv", server);
    fleet->Set("", server);
    History seeded;
    const std::int64_t now = UtcNow();
    for (std::int64_t t = now - 12 * 3600; t < now - 300; t += 1800) {
      const DiskSample sample{t, 81 * kGiB / 2 + kGiB * (now - t) / 3600, 100 * kGiB};
      seeded.Add("srv", "C:", sample);
      seeded.Add("host", "c:", sample);  // the local computer as another spelling of its name
    }
    std::ofstream(history, std::ios::binary) << seeded.Text();
  }
  void TearDown() override { fs::remove_all(folder); }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return CheckMain(args, env, out, err);
  }
  bool Shows(const std::string& pattern) { return std::regex_search(out.str(), std::regex(pattern)); }
};

TEST_F(TimeLeftTest, EveryFormatShowsTheTimeLeftAndTheDurationsJudgeIt) {
  EXPECT_EQ(Run({"--history", history, "--format", "nagios", "--warning-time", "3d", "--critical-time", "2d", "srv", ""}),
            kExitCritical);
  EXPECT_TRUE(Shows("^DISKFREE CRITICAL - заполнится в пределах --critical-time: srv C: 1 дн. 16 ч, HOST C: 1 дн. 16 ч \\| "
                    "'srv C: free'=43486543872B;;2147483648:;0;107374182400 "
                    "'srv C: time left'=14(57|58)\\d\\ds;259200:;172800: "
                    "'HOST C: free'=[^ ]+ 'HOST C: time left'=14(57|58)\\d\\ds;259200:;172800:\n$"))
      << out.str();
  EXPECT_EQ(Run({"--history", history, "--format", "nagios", "--warning-time", "2d", "--critical-time", "1d", "srv"}),
            kExitWarning);
  EXPECT_TRUE(Shows("^DISKFREE WARNING - заполнится в пределах --warning-time: srv C: 1 дн. 16 ч \\|")) << out.str();
  EXPECT_EQ(Run({"--history", history, "--format", "prometheus", "srv"}), kExitOk);
  EXPECT_TRUE(Shows("\nkestrane_disk_time_to_full_seconds\\{server=\"srv\",disk=\"C:\"\\} 14(57|58)\\d\\d\n"
                    "# HELP kestrane_disk_free_bytes_per_second [^\n]*\n# TYPE [^\n]*\n"
                    "kestrane_disk_free_bytes_per_second\\{server=\"srv\",disk=\"C:\"\\} -29826[12]\n"))
      << out.str();
  EXPECT_EQ(Run({"--history", history, "srv"}), kExitOk);
  EXPECT_EQ(out.str(), "\t\t\tsrv\tC: 40,5 GB (40%), до заполнения 1 дн. 16 ч\nОповещение: нет\n");
}

TEST_F(TimeLeftTest, AHistoryThatCannotBeKeptEndsTheRunUnknown) {
  const std::string lost = (folder / "no-such-folder" / "history.csv").string();
  EXPECT_EQ(Run({"--history", lost, "--format", "nagios", "srv"}), kExitUnknown);
  EXPECT_TRUE(Shows("^DISKFREE UNKNOWN - История \"[^\"]+\" не записана: Cannot lock file ")) << out.str();
}

TEST_F(TimeLeftTest, TimeLimitsNeedTheHistoryAndADurationOfAtMostAYear) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--critical-time", "2d"},
           {"--history", history, "--critical-time", "2x"},
           {"--history", history, "--critical-time", "366d"},
           {"--history", history, "--warning-time", "1d", "--critical-time", "2d"}}) {
    EXPECT_EQ(Run(args), kExitUnknown) << args.back();
  }
  EXPECT_EQ(Run({"--history", history, "--warning-time", "1w", "--critical-time", "1d12h", "srv"}), kExitWarning);
}

}  // namespace
}  // namespace kestrane
