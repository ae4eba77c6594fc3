// The window's run against the real probe and Wine's WMI, inside a network namespace that
// tests/win32/reach_exe_tests.sh makes: KESTRANE_REACH names an address that refuses TCP 135, one
// whose packets to it are dropped, one where a listener of the test accepts, and the dropped addresses
// of the long list, separated by commas. Nothing of it leaves the namespace.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>

#include "forms/check_run.h"
#include "forms/recording_view.h"
#include "platform/user_name.h"
#include "platform/win32/tcp_reach_probe.h"
#include "platform/win32/wmi_disk_query.h"

namespace kestrane::win32 {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Addresses() {
  std::vector<std::string> out;
  const char* text = std::getenv("KESTRANE_REACH");
  std::stringstream in(text ? text : "");
  for (std::string a; std::getline(in, a, ',');) out.push_back(a);
  return out;
}

class ReachUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    addresses = Addresses();
    ASSERT_GE(addresses.size(), 4u) << "run by reach_exe_tests.sh inside its network namespace";
  }
  // The whole run, as the window makes it; the time it took.
  std::chrono::milliseconds Run(testing::RecordingView& view) {
    auto dispatcher = std::make_shared<QueueDispatcher>();
    auto probes = std::make_shared<ProbesAhead>(MakeTcpReachProbe(), kDefaultReachBudget, LocalComputerNames(), false);
    CheckRunPresenter run(dispatcher, view, [] { return MakeWmiDiskQuery(); }, probes);
    const auto start = Clock::now();
    run.Start();
    EXPECT_TRUE(testing::PumpUntil(*dispatcher, [&] { return !run.Active(); }, std::chrono::minutes(3)));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    testing::PumpUntil(*dispatcher, [&] { return run.Workers().Live() == 0; }, std::chrono::seconds(30));
    return took;
  }
  std::vector<std::string> addresses;
};

TEST_F(ReachUnderWine, AServerThatRefusesOrDropsIsUnavailableWithinItsBudgetAndTheRunGoesOn) {
  testing::RecordingView view;
  view.lines = {addresses[0], addresses[1], addresses[2], ""};
  const auto took = Run(view);
  // The refused one at once, the dropped one at the end of its budget: within the budget and a second each.
  EXPECT_LT(took, 2 * (kDefaultReachBudget + std::chrono::seconds(1)));
  EXPECT_EQ(view.table.Cell(4, 0), "Недоступно");
  EXPECT_EQ(view.table.Cell(4, 1), "Недоступно");
  // The listener accepts, so WMI is asked; Wine's WMI fails every remote name at once.
  EXPECT_EQ(view.table.Cell(4, 2), "Недоступно");
  EXPECT_EQ(view.table.Cell(4, 3).substr(0, 3), "C: ");  // the local computer, never probed
}

TEST_F(ReachUnderWine, TwentyDroppedAddressesAmongFortyLocalRowsCostTheRunAboutNothing) {
  testing::RecordingView local;
  local.recordLog = false;
  local.lines.assign(40, "");
  const auto alone = Run(local);
  testing::RecordingView mixed;
  mixed.recordLog = false;
  std::size_t dropped = 3;
  for (int row = 0; row < 40; ++row) {
    mixed.lines.push_back("");
    if (row % 2 == 1 && dropped < addresses.size()) mixed.lines.push_back(addresses[dropped++]);
  }
  ASSERT_EQ(dropped, 23u);
  const auto took = Run(mixed);
  std::cout << "forty local rows: " << alone.count() << " ms; with twenty dropped among them: " << took.count()
            << " ms\n";
  EXPECT_LE(took, 2 * alone + std::chrono::seconds(2));
  for (int row = 0; row < static_cast<int>(mixed.lines.size()); ++row) {
    EXPECT_EQ(mixed.table.Cell(4, row) == "Недоступно", !mixed.lines[row].empty()) << row;
  }
}

}  // namespace
}  // namespace kestrane::win32
