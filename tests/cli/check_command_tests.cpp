#include "cli/check_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/simulated_disk_query.h"

namespace kestrane {
namespace {

constexpr std::int64_t kGiB = 1073741824;

TEST(CheckArguments, DefaultsToTwoGigabytesAndTheLocalComputer) {
  CheckOptions options = ParseCheckArguments({});
  EXPECT_EQ(options.threshold, "2");
  EXPECT_EQ(options.unit, "GB");
  EXPECT_TRUE(options.names.empty());
  options = ParseCheckArguments({"--threshold", "500", "--unit", "MB", "srv1", "", "-srv"});
  EXPECT_EQ(options.threshold, "500");
  EXPECT_EQ(options.unit, "MB");
  EXPECT_EQ(options.names, (std::vector<std::string>{"srv1", "", "-srv"}));
  EXPECT_EQ(ParseCheckArguments({"--", "--unit"}).names, std::vector<std::string>{"--unit"});
}

TEST(CheckArguments, BadArgumentsGiveAClearMessageAndExitCodeTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"--threshold"}, "После --threshold нужно значение."},
           {{"--unit", "TB"}, "Единица порога должна быть MB или GB, а не \"TB\"."},
           {{"--threshold", "1.5"}, "Неверный порог: '1.5' is not a valid floating point value."},
           {{"--verbose"}, "Неизвестный параметр: --verbose"},
       }) {
    std::ostringstream out, err;
    EXPECT_EQ(CheckMain(c.args, SimulatedFleet::Factory(std::make_shared<SimulatedFleet>()), out, err), 2);
    EXPECT_EQ(err.str().substr(0, c.message.size()), c.message);
    EXPECT_EQ(out.str(), "");
  }
}

TEST(CheckCommand, PrintsEveryRowTabSeparatedAndTheAlertLine) {
  auto fleet = std::make_shared<SimulatedFleet>();
  SimulatedServer srv1;
  srv1.disks = {{"C:", 13207024435, 53687091200}, {"D:", 734003200, 53687091200}};
  fleet->Set("srv1", srv1);
  std::ostringstream out, err;
  int code = CheckMain({"srv1", "no-such-host"}, SimulatedFleet::Factory(fleet), out, err);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(out.str(),
            "\t1\t\tsrv1\tC: 12,3 GB (24%)\tD: 700 MB (1%)\n"
            "\t\t\tno-such-host\tНедоступно\n"
            "Оповещение: место заканчивается\n");
}

TEST(CheckCommand, WithoutANameChecksTheLocalComputer) {
  auto fleet = std::make_shared<SimulatedFleet>();
  SimulatedServer local;
  local.disks = {{"C:", 50 * kGiB, 100 * kGiB}};
  fleet->Set("", local);
  std::ostringstream out, err;
  EXPECT_EQ(CheckMain({"--threshold", "1,5"}, SimulatedFleet::Factory(fleet), out, err), 0);
  EXPECT_EQ(out.str(), "\t\t\t\tC: 50,0 GB (50%)\nОповещение: нет\n");
  EXPECT_EQ(fleet->OpenedNames(), std::vector<std::string>{""});
}

}  // namespace
}  // namespace kestrane
