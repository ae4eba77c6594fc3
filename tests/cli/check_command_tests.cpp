#include "cli/check_command.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/disk_selection.h"
#include "core/host_name.h"
#include "platform/files.h"
#include "support/simulated_disk_query.h"

namespace kestrane {
namespace {

constexpr std::int64_t kGiB = 1073741824;

SimulatedServer Server(std::vector<SimulatedDisk> disks, int latencyMs = 0) {
  SimulatedServer s;
  s.disks = std::move(disks);
  s.latency = std::chrono::milliseconds(latencyMs);
  return s;
}

class CheckCommandTest : public ::testing::Test {
 protected:
  std::shared_ptr<SimulatedFleet> fleet = std::make_shared<SimulatedFleet>();
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> written;
  double clock = 10.0;
  CheckEnvironment env;
  std::ostringstream out, err;

  void SetUp() override {
    env.queries = SimulatedFleet::Factory(fleet);
    env.readFile = [this](const std::string& path) {
      auto it = files.find(path);
      if (it == files.end()) throw std::runtime_error("Cannot open file \"" + path + "\". No such file");
      return std::vector<std::uint8_t>(it->second.begin(), it->second.end());
    };
    env.ansi = [](std::string_view bytes) { return std::string(bytes); };
    env.writeFile = [this](const std::string& path, const std::string& text) { written[path] = text; };
    env.computerName = [] { return std::string("HOST"); };
    env.seconds = [this] { return clock += 1.25; };
    fleet->Set("srv1", Server({{"C:", 13207024435, 53687091200}, {"D:", 734003200, 53687091200}}));
    fleet->Set("srv2", Server({{"C:", 50 * kGiB, 100 * kGiB}}));
    fleet->Set("", Server({{"C:", 40 * kGiB, 100 * kGiB}}));
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return CheckMain(args, env, out, err);
  }
};

TEST_F(CheckCommandTest, TheTableOfEveryRowAndTheAlertLineAsBefore) {
  EXPECT_EQ(Run({"srv1", "no-such-host"}), kExitCritical);
  EXPECT_EQ(out.str(),
            "\t1\t\tsrv1\tC: 12,3 GB (24%)\tD: 700 MB (1%)\n"
            "\t\t\tno-such-host\tНедоступно\n"
            "Оповещение: место заканчивается\n");
  EXPECT_EQ(err.str(), "no-such-host: не удалось проверить (The RPC server is unavailable)\n");
  EXPECT_EQ(Run({"--threshold", "1,5"}), kExitOk);  // without a name: the local computer
  EXPECT_EQ(out.str(), "\t\t\t\tC: 40,0 GB (40%)\nОповещение: нет\n");
}

TEST_F(CheckCommandTest, ExitCodesAreTheMonitoringStatesInEveryFormat) {
  for (const char* format : {"table", "nagios", "prometheus"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(Run({"--format", format, "srv2"}), kExitOk);
    EXPECT_EQ(Run({"--format", format, "--warning", "60", "srv2"}), kExitWarning);   // 50 GB: below 60 only
    EXPECT_EQ(Run({"--format", format, "--threshold", "60", "srv2"}), kExitCritical);
    EXPECT_EQ(Run({"--format", format, "--warning", "60", "srv1"}), kExitCritical);  // D: below 2 GB
    EXPECT_EQ(Run({"--format", format, "srv2", "dead"}), kExitCritical);             // a dead server is no OK
    EXPECT_EQ(Run({"--format", format, "--list", "missing.txt"}), kExitUnknown);
    EXPECT_EQ(Run({"--format", format, "--parallel", "0"}), kExitUnknown);
  }
}

TEST_F(CheckCommandTest, PercentThresholdsJudgeTheCellsShare) {
  // srv1: C: 24 %, D: 1 %; srv2: C: 50 %.
  EXPECT_EQ(Run({"--threshold", "1%", "srv1", "srv2"}), kExitOk);  // 1 % is not below 1 %
  EXPECT_EQ(out.str().substr(out.str().rfind("Оповещение")), "Оповещение: нет\n");  // nor in the table
  EXPECT_EQ(Run({"--threshold", "2%", "srv1", "srv2"}), kExitCritical);
  EXPECT_EQ(out.str().substr(0, 6), "\t1\t\tsr");
  EXPECT_EQ(Run({"--threshold", "2%", "--warning", "25%", "srv2"}), kExitOk);
  EXPECT_EQ(Run({"--threshold", "2%", "--warning", "50,5%", "srv2"}), kExitWarning);
}

// 97,2 % of 82 252 800 000 bytes is exactly 79 949 721 600; 74,7 GB is 80 208 514 252,8 bytes.
TEST_F(CheckCommandTest, TheStateComesFromExactFiguresAndAgreesWithThePerformanceData) {
  constexpr std::int64_t kSize = 82252800000;
  constexpr std::int64_t kPiB = std::int64_t{1} << 50;
  struct Case {
    std::int64_t free;
    std::vector<std::string> limits;
    int exit;
    std::string ranges;  // warning;critical
    std::int64_t size = kSize;
  };
  const std::vector<Case> cases{
      {79949721599, {"--threshold", "97,2%"}, kExitCritical, ";79949721600:"},
      {79949721600, {"--threshold", "97.2%"}, kExitOk, ";79949721600:"},
      {80229381120, {"--threshold", "97,2%"}, kExitOk, ";79949721600:"},  // 97,54 %: the cell's share is 97
      {80208514252, {"--threshold", "74,7"}, kExitCritical, ";80208514253:"},
      {80208514253, {"--threshold", "74.7"}, kExitOk, ";80208514253:"},
      {80232820736, {"--threshold", "74,7"}, kExitOk, ";80208514253:"},  // the cell shows 74,7 GB
      {80208514252, {"--threshold", "70", "--warning", "74,7"}, kExitWarning, "80208514253:;75161927680:"},
      {80208514253, {"--threshold", "70", "--warning", "74,7"}, kExitOk, "80208514253:;75161927680:"},
      {74027519999, {"--threshold", "90%", "--warning", "97,2%"}, kExitCritical, "79949721600:;74027520000:"},
      {74027520000, {"--threshold", "90%", "--warning", "97,2%"}, kExitWarning, "79949721600:;74027520000:"},
      {1048575, {"--threshold", "1", "--unit", "MB"}, kExitCritical, ";1048576:"},
      {1048576, {"--threshold", "1", "--unit", "MB"}, kExitOk, ";1048576:"},
      // A petabyte times a percent with nine decimals needs more than 64 bits.
      {1093512909509687, {"--threshold", "97,123456789%"}, kExitCritical, ";1093512909509688:", kPiB},
      {1093512909509688, {"--threshold", "97,123456789%"}, kExitOk, ";1093512909509688:", kPiB},
  };
  std::string consumerInput;
  for (const Case& c : cases) {
    fleet->Set("srv", Server({{"C:", c.free, c.size}}));
    std::vector<std::string> args = c.limits;
    args.insert(args.end(), {"--format", "nagios", "srv"});
    const int exit = Run(args);
    SCOPED_TRACE(out.str());
    EXPECT_EQ(exit, c.exit);
    EXPECT_NE(out.str().find("'srv C: free'=" + std::to_string(c.free) + "B;" + c.ranges + ";0;" +
                             std::to_string(c.size) + "\n"),
              std::string::npos);
    consumerInput += std::to_string(exit) + "\t" + out.str();
  }
  // The table keeps the window's rule: the shown 74,7 GB and the whole share 97 % are below.
  fleet->Set("srv", Server({{"C:", 80232820736, kSize}}));
  EXPECT_EQ(Run({"--threshold", "74,7", "srv"}), kExitOk);
  EXPECT_EQ(out.str(), "\t1\t\tsrv\tC: 74,7 GB (97%)\nОповещение: место заканчивается\n");
  EXPECT_EQ(Run({"--threshold", "97,2%", "srv"}), kExitOk);
  EXPECT_EQ(out.str().substr(0, 3), "\t1\t");
#ifdef KESTRANE_PLUGIN_CONSUMER
  // A real consumer of the performance data gives the state the exit code gives.
  const std::string input = ::testing::TempDir() + "kestrane_plugin_lines.txt";
  std::ofstream(input, std::ios::binary) << consumerInput;
  FILE* consumer = ::popen((std::string(KESTRANE_PLUGIN_CONSUMER) + " < " + input).c_str(), "r");
  ASSERT_NE(consumer, nullptr);
  std::string verdict;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, consumer)) verdict += buffer;
  EXPECT_EQ(::pclose(consumer), 0) << verdict;
  EXPECT_EQ(verdict, std::to_string(cases.size()) + " read, 0 disagree\n");
  std::remove(input.c_str());
#endif
}

TEST_F(CheckCommandTest, NamesAreHostNamesAndEachServerIsCheckedOnce) {
  for (const char* name : {"srv02 /t 0", "srv\"1", "srv'1", "srv\\1"}) {
    EXPECT_EQ(Run({"--format", "nagios", "srv2", name}), kExitUnknown) << name;
    EXPECT_EQ(out.str(), "DISKFREE UNKNOWN - " + NotAHostMessage(name) + "\n");
    EXPECT_EQ(err.str(), NotAHostMessage(name) + "\n");
  }
  files["servers.txt"] = "srv2\r\nsrv02 /t 0\r\n";
  EXPECT_EQ(Run({"--list", "servers.txt"}), kExitUnknown);
  EXPECT_TRUE(fleet->OpenedNames().empty());  // nothing was sent anywhere
  // Without case, the first spelling kept; the empty name is the local computer's.
  fleet->Set("vm", Server({{"C:", 50 * kGiB, 100 * kGiB}}));
  fleet->Set("срв", Server({{"C:", 50 * kGiB, 100 * kGiB}}));
  EXPECT_EQ(Run({"vm", "VM", "", "host", "срв", "СРВ", "Vm"}), kExitOk);
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"vm", "", "срв"}));
  EXPECT_EQ(out.str(),
            "\t\t\tvm\tC: 50,0 GB (50%)\n\t\t\t\tC: 40,0 GB (40%)\n\t\t\tсрв\tC: 50,0 GB (50%)\nОповещение: нет\n");
  // Every spelling of the local computer is one server, named by its name; its own name as WMI takes it.
  fleet->Set("host", Server({{"C:", 40 * kGiB, 100 * kGiB}}));
  EXPECT_EQ(Run({"--format", "nagios", "host", ".", "", "localhost", "LocalHost", "srv2"}), kExitOk);
  EXPECT_EQ(out.str(),
            "DISKFREE OK - дисков: 2, серверов: 2 | 'HOST C: free'=42949672960B;;2147483648:;0;107374182400 "
            "'srv2 C: free'=53687091200B;;2147483648:;0;107374182400\n");
}

TEST_F(CheckCommandTest, DiskPatternsChooseTheDisksBeforeTheStateIsDecided) {
  auto volumes = std::make_shared<SimulatedFleet>();
  env.volumeQueries = SimulatedFleet::Factory(volumes);
  volumes->Set("srv1", Server({{"C:\\", 13207024435, 53687091200}, {"D:\\Mounts\\Data1\\", 734003200, 53687091200}}));
  // srv1: C: 24 %, D: 700 MB, below the 2 GB default.
  EXPECT_EQ(Run({"--exclude-disk", "d:", "srv1"}), kExitOk);
  EXPECT_EQ(out.str(), "\t\t\tsrv1\tC: 12,3 GB (24%)\nОповещение: нет\n");
  for (const char* pattern : {"c*", "C:*"}) {  // a star also stands for no character
    EXPECT_EQ(Run({"--disk", pattern, "srv1"}), kExitOk) << pattern;
    EXPECT_EQ(out.str(), "\t\t\tsrv1\tC: 12,3 GB (24%)\nОповещение: нет\n") << pattern;
  }
  EXPECT_EQ(Run({"--disk", "?:", "--disk", "Z:", "srv1"}), kExitCritical);
  EXPECT_TRUE(DiskMatches("D:\\Т?ма\\", "D:\\Тома\\"));  // '?' is one character, of any length in bytes
  EXPECT_EQ(Run({"--disk", "C:\\", "srv1"}), kExitOk);  // a closing backslash the disk's name does not have
  EXPECT_EQ(out.str(), "\t\t\tsrv1\tC: 12,3 GB (24%)\nОповещение: нет\n");
  // Volumes by their paths; "c:" matches C:\ as it matches C:.
  EXPECT_EQ(Run({"--volumes", "--format", "nagios", "srv1"}), kExitCritical);
  EXPECT_NE(out.str().find("'srv1 D:\\Mounts\\Data1\\ free'=734003200B;;2147483648:;0;53687091200"),
            std::string::npos);
  EXPECT_EQ(Run({"--volumes", "--disk", "c:", "srv1"}), kExitOk);
  // The table reads the size after the path, whose digit would make 700 MB read back as 1700 MB.
  EXPECT_EQ(Run({"--volumes", "--threshold", "1", "srv1"}), kExitCritical);
  EXPECT_EQ(out.str(), "\t1\t\tsrv1\tC:\\ 12,3 GB (24%)\tD:\\Mounts\\Data1\\ 700 MB (1%)\nОповещение: место заканчивается\n");
  EXPECT_EQ(Run({"--volumes", "--exclude-disk", "d:\\MOUNTS\\*", "--format", "nagios", "srv1"}), kExitOk);
  EXPECT_EQ(out.str(),
            "DISKFREE OK - дисков: 1, серверов: 1 | 'srv1 C:\\ free'=13207024435B;;2147483648:;0;53687091200\n");
  // Five runs asked for logical disks, four for volumes.
  EXPECT_EQ(fleet->OpenedNames(), std::vector<std::string>(5, "srv1"));
  EXPECT_EQ(volumes->OpenedNames(), std::vector<std::string>(4, "srv1"));
}

TEST_F(CheckCommandTest, NoDiskLeftToJudgeIsUnknownNamingThePatterns) {
  fleet->Set("bare", Server({}));
  EXPECT_EQ(Run({"--disk", "?", "srv1"}), kExitUnknown);  // no disk has a one-character name
  EXPECT_EQ(out.str(), "\t\t\tsrv1\nОповещение: нет\n");
  EXPECT_EQ(err.str(), "Ни один диск не выбран (--disk \"?\")\n");
  EXPECT_EQ(Run({"--format", "nagios", "--disk", "C:", "--exclude-disk", "*", "srv1", "dead"}), kExitUnknown);
  EXPECT_EQ(out.str(),
            "DISKFREE UNKNOWN - Ни один диск не выбран (--disk \"C:\", --exclude-disk \"*\"); не проверены: dead\n"
            "dead: не удалось проверить (The RPC server is unavailable)\n");
  EXPECT_EQ(Run({"--format", "nagios", "bare"}), kExitUnknown);
  EXPECT_EQ(out.str(), "DISKFREE UNKNOWN - Серверы не сообщили ни одного фиксированного диска\n");
  // A disk of one server is enough; a list that nobody answered is the dead servers' CRITICAL.
  EXPECT_EQ(Run({"bare", "srv2"}), kExitOk);
  EXPECT_EQ(Run({"--disk", "?", "dead"}), kExitCritical);
}

TEST_F(CheckCommandTest, NagiosGivesAStatusLinePerformanceDataAndTheServersNotChecked) {
  fleet->Set("srv3", Server({{"D:\\it's=\\", 3 * kGiB, 10 * kGiB}}));
  EXPECT_EQ(Run({"--format", "nagios", "--warning", "5", "srv1", "", "srv3", "dead"}), kExitCritical);
  EXPECT_EQ(out.str(),
            "DISKFREE CRITICAL - ниже порога: srv1 D: 700 MB (1%); не проверены: dead; "
            "ниже предупреждения: srv3 D:\\it's=\\ 3,0 GB (30%) | "
            "'srv1 C: free'=13207024435B;5368709120:;2147483648:;0;53687091200 "
            "'srv1 D: free'=734003200B;5368709120:;2147483648:;0;53687091200 "
            "'HOST C: free'=42949672960B;5368709120:;2147483648:;0;107374182400 "
            "'srv3 D:\\it''s_\\ free'=3221225472B;5368709120:;2147483648:;0;10737418240\n"
            "dead: не удалось проверить (The RPC server is unavailable)\n");
  // The local computer by its name, in the status line as in the labels.
  EXPECT_EQ(Run({"--format", "nagios", "--threshold", "50", "srv2", ""}), kExitCritical);
  EXPECT_EQ(out.str().substr(0, out.str().find(" | ")),
            "DISKFREE CRITICAL - ниже порога: HOST C: 40,0 GB (40%)");
  EXPECT_EQ(Run({"--format", "nagios", "--threshold", "10%", "srv2"}), kExitOk);
  EXPECT_EQ(out.str(),
            "DISKFREE OK - дисков: 1, серверов: 1 | 'srv2 C: free'=53687091200B;;10737418240:;0;107374182400\n");
  // A disk that reports the size 0 fails its server, and the reason names the disk.
  fleet->Set("zero", Server({{"C:", 0, 0}}));
  EXPECT_EQ(Run({"--format", "nagios", "zero"}), kExitCritical);
  EXPECT_EQ(out.str(), "DISKFREE CRITICAL - не проверены: zero\nzero: не удалось проверить (C:: Division by zero)\n");
  EXPECT_EQ(Run({"--format", "nagios", "--unit", "TB"}), kExitUnknown);
  EXPECT_EQ(out.str(), "DISKFREE UNKNOWN - Единица порога должна быть MB или GB, а не \"TB\".\n");
}

TEST_F(CheckCommandTest, APipeInOurTextNeverEndsThePluginTextEarly) {
  fleet->Set("srv3", Server({{"D:\\a|b\\", kGiB, 10 * kGiB}}));
  fleet->Set("zero", Server({{"E:|", 0, 0}}));
  EXPECT_EQ(Run({"--format", "nagios", "srv3", "zero"}), kExitCritical);
  EXPECT_EQ(out.str(),
            "DISKFREE CRITICAL - ниже порога: srv3 D:\\a_b\\ 1,0 GB (10%); не проверены: zero | "
            "'srv3 D:\\a_b\\ free'=1073741824B;;2147483648:;0;10737418240\n"
            "zero: не удалось проверить (E:_: Division by zero)\n");
  EXPECT_EQ(Run({"--format", "nagios", "--disk", "C:|D:", "srv1"}), kExitUnknown);
  EXPECT_EQ(out.str(), "DISKFREE UNKNOWN - Ни один диск не выбран (--disk \"C:_D:\")\n");
  EXPECT_EQ(Run({"--format", "nagios", "--unit", "M|B"}), kExitUnknown);
  EXPECT_EQ(out.str(), "DISKFREE UNKNOWN - Единица порога должна быть MB или GB, а не \"M_B\".\n");
}

TEST_F(CheckCommandTest, PrometheusGivesGaugesWithEscapedLabels) {
  fleet->Set("srv3", Server({{"a\"b\\c", 1, 2}}));
  EXPECT_EQ(Run({"--format", "prometheus", "srv1", "", "srv3", "dead", "SRV1"}), kExitCritical);
  EXPECT_EQ(out.str(),
            "# HELP kestrane_disk_free_bytes Free space of a fixed disk in bytes.\n"
            "# TYPE kestrane_disk_free_bytes gauge\n"
            "kestrane_disk_free_bytes{server=\"srv1\",disk=\"C:\"} 13207024435\n"
            "kestrane_disk_free_bytes{server=\"srv1\",disk=\"D:\"} 734003200\n"
            "kestrane_disk_free_bytes{server=\"HOST\",disk=\"C:\"} 42949672960\n"
            "kestrane_disk_free_bytes{server=\"srv3\",disk=\"a\\\"b\\\\c\"} 1\n"
            "# HELP kestrane_disk_size_bytes Size of a fixed disk in bytes.\n"
            "# TYPE kestrane_disk_size_bytes gauge\n"
            "kestrane_disk_size_bytes{server=\"srv1\",disk=\"C:\"} 53687091200\n"
            "kestrane_disk_size_bytes{server=\"srv1\",disk=\"D:\"} 53687091200\n"
            "kestrane_disk_size_bytes{server=\"HOST\",disk=\"C:\"} 107374182400\n"
            "kestrane_disk_size_bytes{server=\"srv3\",disk=\"a\\\"b\\\\c\"} 2\n"
            "# HELP kestrane_server_up Whether the server could be checked (1) or not (0).\n"
            "# TYPE kestrane_server_up gauge\n"
            "kestrane_server_up{server=\"srv1\"} 1\n"
            "kestrane_server_up{server=\"HOST\"} 1\n"
            "kestrane_server_up{server=\"srv3\"} 1\n"
            "kestrane_server_up{server=\"dead\"} 0\n"
            "# HELP kestrane_server_check_failure Where the check of a server failed: 1 for the stage that failed, 0 "
            "for the others (reach: the name did not resolve or nothing answered on TCP 135; wmi: the WMI query failed "
            "or a disk could not be read; deadline: no answer within --timeout).\n"
            "# TYPE kestrane_server_check_failure gauge\n"
            "kestrane_server_check_failure{server=\"srv1\",stage=\"reach\"} 0\n"
            "kestrane_server_check_failure{server=\"srv1\",stage=\"wmi\"} 0\n"
            "kestrane_server_check_failure{server=\"srv1\",stage=\"deadline\"} 0\n"
            "kestrane_server_check_failure{server=\"HOST\",stage=\"reach\"} 0\n"
            "kestrane_server_check_failure{server=\"HOST\",stage=\"wmi\"} 0\n"
            "kestrane_server_check_failure{server=\"HOST\",stage=\"deadline\"} 0\n"
            "kestrane_server_check_failure{server=\"srv3\",stage=\"reach\"} 0\n"
            "kestrane_server_check_failure{server=\"srv3\",stage=\"wmi\"} 0\n"
            "kestrane_server_check_failure{server=\"srv3\",stage=\"deadline\"} 0\n"
            "kestrane_server_check_failure{server=\"dead\",stage=\"reach\"} 0\n"
            "kestrane_server_check_failure{server=\"dead\",stage=\"wmi\"} 1\n"
            "kestrane_server_check_failure{server=\"dead\",stage=\"deadline\"} 0\n"
            "# HELP kestrane_check_duration_seconds How long the check took.\n"
            "# TYPE kestrane_check_duration_seconds gauge\n"
            "kestrane_check_duration_seconds 1.250\n"
            "# HELP kestrane_check_success Whether the check completed (1) or ended UNKNOWN (0).\n"
            "# TYPE kestrane_check_success gauge\n"
            "kestrane_check_success 1\n");
  EXPECT_EQ(err.str(), "dead: не удалось проверить (The RPC server is unavailable)\n");
}

TEST_F(CheckCommandTest, AServerThatCannotBeReachedFailsAtTheProbeWithoutAWmiCall) {
  env.probe = SimulatedFleet::Probe(fleet);
  env.ownNames = [] { return std::vector<std::string>{"HOST"}; };
  SimulatedServer off = Server({{"C:", 1, 2}});
  off.power = SimulatedServer::Power::Off;
  fleet->Set("off", off);
  EXPECT_EQ(Run({"--format", "prometheus", "--connect-timeout", "0,05", "srv2", "off", "nowhere", "", "host"}),
            kExitCritical);
  EXPECT_NE(out.str().find("kestrane_server_check_failure{server=\"off\",stage=\"reach\"} 1\n"), std::string::npos);
  EXPECT_NE(out.str().find("kestrane_server_check_failure{server=\"nowhere\",stage=\"reach\"} 1\n"), std::string::npos);
  EXPECT_EQ(err.str(),
            "off: не удалось проверить (No answer from TCP port 135 within the time allowed.)\n"
            "nowhere: не удалось проверить (No such host is known.)\n");
  // Neither was asked over WMI; the local computer, by any of its names, was never probed.
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"srv2", ""}));
  std::vector<std::string> probed = fleet->ProbedNames();
  std::sort(probed.begin(), probed.end());
  EXPECT_EQ(probed, (std::vector<std::string>{"nowhere", "off", "srv2"}));
  // 0 turns the probe off: WMI is asked, and waits as for a server that is off.
  fleet->offConnect = std::chrono::milliseconds(10);
  EXPECT_EQ(Run({"--connect-timeout", "0", "off"}), kExitCritical);
  EXPECT_EQ(fleet->OpenedNames().back(), "off");
  EXPECT_EQ(fleet->ProbedNames().size(), 3u);
}

TEST_F(CheckCommandTest, OutputGoesWholeIntoTheFileAndNothingToTheConsole) {
  EXPECT_EQ(Run({"--format", "prometheus", "--output", "/var/lib/node/kestrane.prom", "srv2"}), kExitOk);
  EXPECT_EQ(out.str(), "");
  ASSERT_EQ(written.count("/var/lib/node/kestrane.prom"), 1u);
  const std::string& text = written["/var/lib/node/kestrane.prom"];
  EXPECT_EQ(text.rfind("# HELP kestrane_disk_free_bytes", 0), 0u);
  EXPECT_EQ(text.back(), '\n');
  // A run that ends UNKNOWN replaces the last good exposition: a collector must not go on serving it.
  const std::string failed =
      "# HELP kestrane_check_success Whether the check completed (1) or ended UNKNOWN (0).\n"
      "# TYPE kestrane_check_success gauge\n"
      "kestrane_check_success 0\n";
  files["bad.txt"] = "srv2\r\nsrv 2\r\n";
  for (std::vector<std::string> cause : {std::vector<std::string>{"srv02 /t 0"}, {"--list", "missing.txt"},
                                         {"--list", "bad.txt"}, {"--exclude-disk", "*", "srv2"}}) {
    written.clear();
    cause.insert(cause.begin(), {"--format", "prometheus", "--output", "k.prom"});
    EXPECT_EQ(Run(cause), kExitUnknown) << cause.back();
    EXPECT_EQ(written["k.prom"], failed) << cause.back();
    EXPECT_EQ(out.str(), "");
  }
  // Arguments that cannot be read name no file to write, and nothing is written.
  written.clear();
  EXPECT_EQ(Run({"--format", "prometheus", "--output", "k.prom", "--parallel", "0", "srv2"}), kExitUnknown);
  EXPECT_TRUE(written.empty());
  EXPECT_EQ(Run({"--output", "table.txt", "srv02 /t 0"}), kExitUnknown);  // nor has an UNKNOWN table
  EXPECT_TRUE(written.empty());
  env.writeFile = [](const std::string& path, const std::string&) {
    throw std::runtime_error("Cannot create file \"" + path + "\". Access is denied");
  };
  EXPECT_EQ(Run({"--output", "/read-only/x.prom", "srv2"}), kExitUnknown);
  EXPECT_EQ(err.str(), "Cannot create file \"/read-only/x.prom\". Access is denied\n");
}

TEST(AtomicWrite, TheFileIsReplacedWholeAndNoTemporaryStays) {
  const std::string folder = ::testing::TempDir();
  const std::string path = folder + "kestrane_atomic.prom";
  ReplaceFileAtomically(path, "old\n");
  ReplaceFileAtomically(path, "kestrane_server_up{server=\"срв\"} 1\n");
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "kestrane_server_up{server=\"срв\"} 1\n");  // UTF-8, no mark
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename().string().rfind("kestrane_atomic.prom.tmp", 0), std::string::npos);
  }
  std::remove(path.c_str());
  EXPECT_THROW(ReplaceFileAtomically(folder + "no-such-folder/x.prom", "x\n"), std::runtime_error);
}

TEST_F(CheckCommandTest, ListFilesAddTheirNamesAfterThoseOfTheCommandLine) {
  files["servers.txt"] = std::string("\xFF\xFE" "s\0r\0v\0" "1\0\r\0\n\0", 14);  // UTF-16 with its mark
  // Blank lines are no local computer; blanks around a name are no part of it.
  files["more.txt"] = "\r\n \t\r\n  srv2\t\r\n\r\n";
  EXPECT_EQ(Run({"--list", "servers.txt", "dead", "--list", "more.txt"}), kExitCritical);
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"dead", "srv1", "srv2"}));
  files["empty.txt"] = "";
  files["blank.txt"] = "\r\n  \r\n";
  for (const char* file : {"empty.txt", "blank.txt"}) {
    EXPECT_EQ(Run({"--list", file}), kExitUnknown) << file;
    EXPECT_EQ(err.str().rfind("В списке нет ни одного сервера.", 0), 0u) << file;
  }
  EXPECT_EQ(Run({"--list", "missing.txt"}), kExitUnknown);
  EXPECT_EQ(err.str(), "Cannot open file \"missing.txt\". No such file\n");
}

TEST_F(CheckCommandTest, AListFileWithoutAMarkIsUtf8WhenItReadsAsUtf8AndAnsiOtherwise) {
  env.ansi = [](std::string_view) { return std::string("ansi"); };  // the code page was asked
  files["utf8.txt"] = "срв\r\n";          // as PowerShell 7 writes it
  files["ansi.txt"] = "\xF1\xF0\xE2\r\n";  // no UTF-8: "срв" in code page 1251
  EXPECT_EQ(Run({"--list", "utf8.txt", "--list", "ansi.txt"}), kExitCritical);
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"срв", "ansi"}));
}

TEST_F(CheckCommandTest, ManyAtOnceGiveTheSameTableInListOrder) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    std::string name = "s" + std::to_string(i);
    names.push_back(name);
    if (i % 7 == 3) continue;  // unknown: fails
    fleet->Set(name, Server({{"C:", (i + 1) * kGiB / 4, 20 * kGiB}, {"D:", kGiB, kGiB}}, (i * 13) % 11));
  }
  std::vector<std::string> args = names;
  EXPECT_EQ(Run(args), kExitCritical);
  const std::string oneAtATime = out.str();
  args.insert(args.begin(), {"--parallel", "8"});
  EXPECT_EQ(Run(args), kExitCritical);
  EXPECT_EQ(out.str(), oneAtATime);
}

TEST_F(CheckCommandTest, AServerPastItsDeadlineIsUnavailableAndTheRestGoOn) {
  SimulatedServer slow = Server({{"C:", kGiB, 10 * kGiB}});
  slow.blocks = true;
  fleet->Set("slow", slow);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Run({"--timeout", "0,3", "--parallel", "2", "srv2", "slow", ""}), kExitCritical);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(out.str(),
            "\t\t\tsrv2\tC: 50,0 GB (50%)\n"
            "\t\t\tslow\tНедоступно\n"
            "\t\t\t\tC: 40,0 GB (40%)\n"
            "Оповещение: нет\n");
  EXPECT_EQ(Run({"--format", "nagios", "--timeout", "0,3", "slow"}), kExitCritical);
  EXPECT_NE(out.str().find("slow: не удалось проверить (No answer within the time allowed)"), std::string::npos);
  fleet->ReleaseBlocked();  // the abandoned workers end on their own
}

TEST(CheckArguments, EveryOptionAndItsDefault) {
  CheckOptions o = ParseCheckArguments({});
  EXPECT_EQ(o.threshold.text, "2");
  EXPECT_FALSE(o.threshold.percent);
  EXPECT_EQ(o.unit, "GB");
  EXPECT_EQ(o.format, OutputFormat::Table);
  EXPECT_EQ(o.parallel, 1);
  EXPECT_FALSE(o.timeout.has_value());
  o = ParseCheckArguments({"--threshold", "7,5%", "--warning", "20%", "--format", "nagios", "--output", "x.txt",
                           "--list", "a.txt", "--parallel", "64", "--timeout", "1,5", "srv1", "", "-srv", "--",
                           "--unit"});
  EXPECT_EQ(o.threshold.text, "7,5");
  EXPECT_TRUE(o.threshold.percent);
  EXPECT_EQ(o.warning->text, "20");
  EXPECT_EQ(o.format, OutputFormat::Nagios);
  EXPECT_EQ(*o.output, "x.txt");
  EXPECT_EQ(o.listFiles, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(o.parallel, 64);
  EXPECT_EQ(o.timeout->count(), 1500);
  EXPECT_EQ(o.names, (std::vector<std::string>{"srv1", "", "-srv", "--unit"}));
  // The decimal point as well as the comma.
  o = ParseCheckArguments({"--threshold", "74.70", "--warning", "80.", "--timeout", "0.5", "--volumes", "--disk",
                           "C:", "--exclude-disk", "D:\\Mounts\\*", "--disk", "E:"});
  EXPECT_EQ(o.threshold.text, "74,70");  // as the window's field takes it
  EXPECT_EQ(o.threshold.digits, 747u);
  EXPECT_EQ(o.threshold.scale, 1);
  EXPECT_EQ(o.warning->text, "80");
  EXPECT_EQ(o.warning->digits, 80u);
  EXPECT_EQ(o.warning->scale, 0);
  EXPECT_EQ(ParseCheckArguments({"--threshold", ".5"}).threshold.text, "0,5");
  EXPECT_EQ(ParseCheckArguments({"--threshold", "100,0%"}).threshold.digits, 100u);  // the whole disk free
  EXPECT_EQ(ParseCheckArguments({"--threshold", "5", "--warning", "5,0"}).warning->digits, 5u);  // not below
  EXPECT_EQ(o.timeout->count(), 500);
  EXPECT_TRUE(o.volumes);
  EXPECT_EQ(o.disks, (std::vector<std::string>{"C:", "E:"}));
  EXPECT_EQ(o.excludedDisks, std::vector<std::string>{"D:\\Mounts\\*"});
}

TEST(CheckArguments, BadArgumentsAndCombinationsGetAClearMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"--threshold"}, "После --threshold нужно значение."},
           {{"--unit", "TB"}, "Единица порога должна быть MB или GB, а не \"TB\"."},
           {{"--threshold", "1,5.2"}, "Неверное значение --threshold: '1,5.2' is not a valid floating point value."},
           {{"--threshold", "1e3"}, "Неверное значение --threshold: '1e3' is not a valid floating point value."},
           {{"--threshold", "0,0000000001"}, "Неверное значение --threshold: '0,0000000001' has more than 9 decimals."},
           {{"--threshold", "-1"}, "Неверное значение --threshold: '-1' is negative."},
           {{"--threshold", "150%"}, "Неверное значение --threshold: '150%' is more than 100%."},
           {{"--verbose"}, "Неизвестный параметр: --verbose."},
           {{"--output", "--format", "nagios"},
            "После --output нужно имя файла, а не параметр \"--format\" (файл с таким именем: .\\--format)."},
           {{"--exclude-disk", "--disk", "C:"}, "После --exclude-disk нужен образец имени диска, а не параметр \"--disk\"."},
           {{"--disk", "--exclude-disk", "C:"}, "После --disk нужен образец имени диска, а не параметр \"--exclude-disk\"."},
           {{"--exclude-disk", "Z:\" --threshold 90%"},
            "Образец --exclude-disk не может содержать кавычку: \"Z:\" --threshold 90%\"."},
           {{"--format", "json"}, "Формат должен быть table, nagios или prometheus, а не \"json\"."},
           {{"--parallel", "65"}, "Значение --parallel должно быть целым числом от 1 до 64, а не \"65\"."},
           {{"--parallel", "0x10"}, "Значение --parallel должно быть целым числом от 1 до 64, а не \"0x10\"."},
           {{"--parallel", "+8"}, "Значение --parallel должно быть целым числом от 1 до 64, а не \"+8\"."},
           {{"--timeout", "1e3"}, "Значение --timeout должно быть числом секунд больше нуля и не больше 86400"},
           {{"--timeout", "0"}, "Значение --timeout должно быть числом секунд больше нуля и не больше 86400 (сутки), а не \"0\"."},
           {{"--timeout", "86400,5"}, "Значение --timeout должно быть числом секунд больше нуля и не больше 86400"},
           {{"--threshold", "10%", "--unit", "GB"}, "--unit не применяется к порогу в процентах (10%)."},
           {{"--threshold", "10%", "--warning", "5"}, "--warning и --threshold должны быть в одних единицах"},
           {{"--threshold", "5", "--warning", "2"}, "Порог предупреждения --warning не может быть ниже"},
       }) {
    try {
      ParseCheckArguments(c.args);
      ADD_FAILURE() << c.message;
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
    }
  }
}

TEST_F(CheckCommandTest, HelpListsEveryOption) {
  EXPECT_EQ(Run({"--help"}), kExitOk);
  for (const char* option : {"--threshold", "--warning", "--unit", "--format", "--output", "--list", "--parallel",
                             "--timeout", "--disk", "--exclude-disk", "--volumes", "--help"}) {
    EXPECT_NE(out.str().find(option), std::string::npos) << option;
  }
  EXPECT_EQ(Run({"--verbose"}), kExitUnknown);
  EXPECT_NE(err.str().find("--parallel N"), std::string::npos);  // the help follows the message
}

}  // namespace
}  // namespace kestrane
