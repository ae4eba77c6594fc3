#include "cli/check_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/simulated_disk_query.h"
#include "platform/files.h"

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
  EXPECT_EQ(Run({"--threshold", "2%", "srv1", "srv2"}), kExitCritical);
  EXPECT_EQ(out.str().substr(0, 6), "\t1\t\tsr");
  EXPECT_EQ(Run({"--threshold", "2%", "--warning", "25%", "srv2"}), kExitOk);
  EXPECT_EQ(Run({"--threshold", "2%", "--warning", "50,5%", "srv2"}), kExitWarning);
}

TEST_F(CheckCommandTest, NagiosGivesAStatusLinePerformanceDataAndTheServersNotChecked) {
  fleet->Set("it's", Server({{"C:", 3 * kGiB, 10 * kGiB}}));
  EXPECT_EQ(Run({"--format", "nagios", "--warning", "5", "srv1", "", "it's", "dead"}), kExitCritical);
  EXPECT_EQ(out.str(),
            "DISKFREE CRITICAL - ниже порога: srv1 D: 700 MB (1%); не проверены: dead; "
            "ниже предупреждения: it's C: 3,0 GB (30%) | "
            "'srv1 C: free'=13207024435B;5368709120:;2147483648:;0;53687091200 "
            "'srv1 D: free'=734003200B;5368709120:;2147483648:;0;53687091200 "
            "'HOST C: free'=42949672960B;5368709120:;2147483648:;0;107374182400 "
            "'it''s C: free'=3221225472B;5368709120:;2147483648:;0;10737418240\n"
            "dead: не удалось проверить (The RPC server is unavailable)\n");
  EXPECT_EQ(Run({"--format", "nagios", "--threshold", "10%", "srv2"}), kExitOk);
  EXPECT_EQ(out.str(),
            "DISKFREE OK - дисков: 1, серверов: 1 | 'srv2 C: free'=53687091200B;;10737418240:;0;107374182400\n");
  EXPECT_EQ(Run({"--format", "nagios", "--unit", "TB"}), kExitUnknown);
  EXPECT_EQ(out.str(), "DISKFREE UNKNOWN - Единица порога должна быть MB или GB, а не \"TB\".\n");
}

TEST_F(CheckCommandTest, PrometheusGivesGaugesWithEscapedLabels) {
  fleet->Set("a\"b\\c", Server({{"C:", 1, 2}}));
  EXPECT_EQ(Run({"--format", "prometheus", "srv1", "", "a\"b\\c", "dead", "srv1"}), kExitCritical);
  EXPECT_EQ(out.str(),
            "# HELP kestrane_disk_free_bytes Free space of a fixed disk in bytes.\n"
            "# TYPE kestrane_disk_free_bytes gauge\n"
            "kestrane_disk_free_bytes{server=\"srv1\",disk=\"C:\"} 13207024435\n"
            "kestrane_disk_free_bytes{server=\"srv1\",disk=\"D:\"} 734003200\n"
            "kestrane_disk_free_bytes{server=\"HOST\",disk=\"C:\"} 42949672960\n"
            "kestrane_disk_free_bytes{server=\"a\\\"b\\\\c\",disk=\"C:\"} 1\n"
            "# HELP kestrane_disk_size_bytes Size of a fixed disk in bytes.\n"
            "# TYPE kestrane_disk_size_bytes gauge\n"
            "kestrane_disk_size_bytes{server=\"srv1\",disk=\"C:\"} 53687091200\n"
            "kestrane_disk_size_bytes{server=\"srv1\",disk=\"D:\"} 53687091200\n"
            "kestrane_disk_size_bytes{server=\"HOST\",disk=\"C:\"} 107374182400\n"
            "kestrane_disk_size_bytes{server=\"a\\\"b\\\\c\",disk=\"C:\"} 2\n"
            "# HELP kestrane_server_up Whether the server could be checked (1) or not (0).\n"
            "# TYPE kestrane_server_up gauge\n"
            "kestrane_server_up{server=\"srv1\"} 1\n"
            "kestrane_server_up{server=\"HOST\"} 1\n"
            "kestrane_server_up{server=\"a\\\"b\\\\c\"} 1\n"
            "kestrane_server_up{server=\"dead\"} 0\n"
            "# HELP kestrane_check_duration_seconds How long the check took.\n"
            "# TYPE kestrane_check_duration_seconds gauge\n"
            "kestrane_check_duration_seconds 1.250\n");
}

TEST_F(CheckCommandTest, OutputGoesWholeIntoTheFileAndNothingToTheConsole) {
  EXPECT_EQ(Run({"--format", "prometheus", "--output", "/var/lib/node/kestrane.prom", "srv2"}), kExitOk);
  EXPECT_EQ(out.str(), "");
  ASSERT_EQ(written.count("/var/lib/node/kestrane.prom"), 1u);
  const std::string& text = written["/var/lib/node/kestrane.prom"];
  EXPECT_EQ(text.rfind("# HELP kestrane_disk_free_bytes", 0), 0u);
  EXPECT_EQ(text.back(), '\n');
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
  files["more.txt"] = "srv2\r\n";
  EXPECT_EQ(Run({"--list", "servers.txt", "dead", "--list", "more.txt"}), kExitCritical);
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"dead", "srv1", "srv2"}));
  files["empty.txt"] = "";
  EXPECT_EQ(Run({"--list", "empty.txt"}), kExitUnknown);
  EXPECT_EQ(err.str().rfind("В списке нет ни одного сервера.", 0), 0u);
  EXPECT_EQ(Run({"--list", "missing.txt"}), kExitUnknown);
  EXPECT_EQ(err.str(), "Cannot open file \"missing.txt\". No such file\n");
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
}

TEST(CheckArguments, BadArgumentsAndCombinationsGetAClearMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"--threshold"}, "После --threshold нужно значение."},
           {{"--unit", "TB"}, "Единица порога должна быть MB или GB, а не \"TB\"."},
           {{"--threshold", "1.5"}, "Неверное значение --threshold: '1.5' is not a valid floating point value."},
           {{"--threshold", "-1"}, "Неверное значение --threshold: '-1' is negative."},
           {{"--threshold", "150%"}, "Неверное значение --threshold: '150%' is more than 100%."},
           {{"--verbose"}, "Неизвестный параметр: --verbose."},
           {{"--format", "json"}, "Формат должен быть table, nagios или prometheus, а не \"json\"."},
           {{"--parallel", "65"}, "Значение --parallel должно быть целым числом от 1 до 64, а не \"65\"."},
           {{"--timeout", "0"}, "Значение --timeout должно быть числом секунд больше нуля, а не \"0\"."},
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
                             "--timeout", "--help"}) {
    EXPECT_NE(out.str().find(option), std::string::npos) << option;
  }
  EXPECT_EQ(Run({"--verbose"}), kExitUnknown);
  EXPECT_NE(err.str().find("--parallel N"), std::string::npos);  // the help follows the message
}

}  // namespace
}  // namespace kestrane
