#include "forms/check_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "core/errors.h"
#include "forms/recording_view.h"
#include "core/size_text.h"
#include "support/simulated_disk_query.h"

namespace kestrane {
namespace {

using testing::PumpUntil;
using testing::RecordingView;

constexpr std::int64_t kGiB = 1073741824;

SimulatedServer Disks(std::vector<SimulatedDisk> disks) {
  SimulatedServer s;
  s.disks = std::move(disks);
  return s;
}

SimulatedDisk Disk(const std::string& id, std::int64_t free, std::int64_t size = 100 * kGiB) {
  return SimulatedDisk{id, free, size};
}

class CheckRunTest : public ::testing::Test {
 protected:
  std::shared_ptr<QueueDispatcher> dispatcher = std::make_shared<QueueDispatcher>();
  std::shared_ptr<SimulatedFleet> fleet = std::make_shared<SimulatedFleet>();
  RecordingView window;
  std::unique_ptr<CheckRunPresenter> runner =
      std::make_unique<CheckRunPresenter>(dispatcher, window, SimulatedFleet::Factory(fleet));

  void TearDown() override {
    // Stopped workers end on their own; wait so that none outlives the test's objects.
    fleet->ReleaseBlocked();
    EXPECT_TRUE(PumpUntil(*dispatcher, [&] { return runner->Workers().Live() == 0; }));
    runner.reset();
  }
  void WaitForWorkers() {
    ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return runner->Workers().Live() == 0; }));
    dispatcher->RunPending();
  }

  // The run to its end, and its workers gone with what they held.
  void RunToEnd() {
    runner->Start();
    ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active() && runner->Workers().Live() == 0; }));
  }
  const std::string& Cell(int col, int row) { return window.table.Cell(col, row); }
};

TEST_F(CheckRunTest, FillsOneRowPerServerAndMarksTheUnreachable) {
  fleet->Set("srv1", Disks({Disk("C:", 13207024435, 53687091200), Disk("D:", 734003200, 53687091200)}));
  fleet->Set("srv3", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"srv1", "srv2", "srv3"};
  RunToEnd();

  EXPECT_EQ(window.table.RowCount(), 3);
  EXPECT_EQ(Cell(3, 0), "srv1");
  EXPECT_EQ(Cell(4, 0), "C: 12,3 GB (24%)");
  EXPECT_EQ(Cell(5, 0), "D: 700 MB (1%)");
  EXPECT_EQ(Cell(1, 0), "1");  // 700 MB is below 2 GB
  EXPECT_EQ(Cell(3, 1), "srv2");
  EXPECT_EQ(Cell(4, 1), "Недоступно");
  EXPECT_EQ(Cell(1, 1), "");
  EXPECT_EQ(Cell(4, 2), "C: 50,0 GB (50%)");
  EXPECT_EQ(window.progressMax, 3);
  EXPECT_EQ(window.progressPosition, 3);
  EXPECT_FALSE(window.stopEnabled);
  EXPECT_TRUE(window.excelEnabled);
  EXPECT_EQ(fleet->Prepares(), 3);
  EXPECT_EQ(fleet->Releases(), 1);  // once, for the failed server
}

TEST_F(CheckRunTest, AnUnreachableLastServerLeavesTheBarOneShort) {
  fleet->Set("srv1", Disks({Disk("C:", 50 * kGiB)}));
  fleet->Set("srv2", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"srv1", "srv2", "srv3"};
  RunToEnd();
  EXPECT_EQ(window.progressPosition, 2);
  EXPECT_EQ(Cell(4, 2), "Недоступно");
}

TEST_F(CheckRunTest, AFailureMidServerKeepsTheDisksBeforeIt) {
  fleet->Set("srv1", Disks({Disk("C:", 50 * kGiB), Disk("D:", 60 * kGiB), SimulatedDisk{"E:", 1, std::nullopt},
                            Disk("F:", 70 * kGiB)}));
  SimulatedServer query;
  query.failure = SimulatedServer::Failure::Query;
  fleet->Set("srv2", query);
  fleet->Set("srv3", Disks({Disk("C:", 1, 0)}));  // a disk of size 0 cannot be shown
  window.lines = {"srv1", "srv2", "srv3"};
  RunToEnd();
  EXPECT_EQ(Cell(4, 0), "C: 50,0 GB (50%)");
  EXPECT_EQ(Cell(5, 0), "D: 60,0 GB (60%)");
  EXPECT_EQ(Cell(6, 0), "Недоступно");
  EXPECT_EQ(Cell(7, 0), "");
  EXPECT_EQ(Cell(4, 1), "Недоступно");
  EXPECT_EQ(Cell(4, 2), "Недоступно");
  EXPECT_EQ(window.progressPosition, 0);
  EXPECT_EQ(fleet->Releases(), 3);
}

TEST_F(CheckRunTest, DisksPastTheFifthAreKeptInTheModelAndCanRaiseTheAlert) {
  std::vector<SimulatedDisk> disks;
  for (char d = 'C'; d < 'J'; ++d) disks.push_back(Disk(std::string(1, d) + ":", 50 * kGiB));
  disks.back().freeSpace = kGiB;  // the seventh disk, never shown, is short of space
  fleet->Set("big", Disks(disks));
  window.lines = {"big"};
  RunToEnd();
  EXPECT_EQ(Cell(8, 0), "G: 50,0 GB (50%)");
  EXPECT_EQ(Cell(10, 0), "I: 1,0 GB (1%)");
  EXPECT_EQ(Cell(1, 0), "1");
  EXPECT_EQ(window.trayImage, kTrayImageAlert);
  ASSERT_EQ(window.balloons.size(), 1u);
}

TEST_F(CheckRunTest, DisksWithoutFreeSpaceAreLeftOut) {
  fleet->Set("srv", Disks({SimulatedDisk{"C:", std::nullopt, 10}, Disk("D:", 50 * kGiB)}));
  fleet->Set("none", Disks({SimulatedDisk{"C:", std::nullopt, 10}}));
  window.lines = {"srv", "none"};
  RunToEnd();
  EXPECT_EQ(Cell(4, 0), "D: 50,0 GB (50%)");
  EXPECT_EQ(Cell(3, 1), "none");
  EXPECT_EQ(Cell(4, 1), "");
  EXPECT_EQ(window.progressPosition, 2);
}

TEST_F(CheckRunTest, AnAlertEndsWithTheErrorImageHintAndBalloon) {
  fleet->Set("srv", Disks({Disk("C:", kGiB)}));
  window.lines = {"srv"};
  RunToEnd();
  EXPECT_EQ(window.trayImage, 6);
  EXPECT_EQ(window.trayHint,
            "Внимание! На некоторых серверах свободное место\rниже заданного порогового значения!");
  ASSERT_EQ(window.balloons.size(), 1u);
  EXPECT_EQ(window.balloons[0].title, "Место заканчивается!");
  EXPECT_EQ(window.balloons[0].text, "На одном или нескольких серверах\r заканчивается свободное место!");
  EXPECT_EQ(window.balloons[0].icon, TrayBalloon::Icon::Error);
  EXPECT_EQ(window.balloons[0].seconds, 11);
  // Stop off, tray, hint, balloon, export on: the end steps in their order.
  std::vector<std::string> tail(window.log.end() - 5, window.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"stop off", "tray 6", "hint", "balloon", "excel on"}));
}

TEST_F(CheckRunTest, TheNoAlertMarkerKeepsItsRowFromRaisingTheAlert) {
  fleet->Set("srv", Disks({Disk("C:", kGiB)}));
  fleet->Set("ok", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"srv", "ok"};
  window.table.SetCell(0, 0, "  .");
  RunToEnd();
  EXPECT_EQ(Cell(0, 0), "  .");  // a run never clears the marker
  EXPECT_EQ(Cell(1, 0), "1");
  EXPECT_EQ(window.trayImage, 5);
  EXPECT_EQ(window.trayHint, "Программа Kestrane\rконтролирует свободное место на серверах");
  EXPECT_TRUE(window.balloons.empty());
}

TEST_F(CheckRunTest, AMarkerSetMidRowCountsOnlyForTheDisksTestedAfterIt) {
  fleet->Set("srv", Disks({Disk("C:", kGiB), Disk("D:", 50 * kGiB)}));
  window.lines = {"srv"};
  // Set while the first disk is being tested: neither of its tests has happened yet.
  window.afterSetCell = [&](int col, int row) {
    if (col == 4 && row == 0) window.table.SetCell(0, 0, "  .");
  };
  RunToEnd();
  EXPECT_EQ(window.trayImage, kTrayImageOk);

  // Set after the first disk was tested: that test already raised the alert.
  window.table.SetCell(0, 0, "");
  window.afterSetCell = [&](int col, int row) {
    if (col == 5 && row == 0) window.table.SetCell(0, 0, "  .");
  };
  RunToEnd();
  EXPECT_EQ(window.trayImage, kTrayImageAlert);
}

TEST_F(CheckRunTest, TheAlertIsTestedAfterEveryDiskAlsoOneThatIsNotBelow) {
  // C: sets the flag while the row is excluded; the marker goes before D:, which is not below:
  // the test after D: sees the flag without a marker.
  fleet->Set("srv", Disks({Disk("C:", kGiB), Disk("D:", 50 * kGiB)}));
  window.lines = {"srv"};
  window.table.SetCell(0, 0, "  .");
  window.afterSetCell = [&](int col, int row) {
    if (col == 5 && row == 0) window.table.SetCell(0, 0, "");
  };
  RunToEnd();
  EXPECT_EQ(Cell(1, 0), "1");
  EXPECT_EQ(window.trayImage, kTrayImageAlert);
}

// A query that notes its release in the window's log, so its order against the cells shows.
class LoggingQuery : public DiskQuery {
 public:
  LoggingQuery(std::unique_ptr<DiskQuery> inner, RecordingView& window) : inner_(std::move(inner)), window_(window) {}
  void Prepare() override { inner_->Prepare(); }
  void Release() override {
    window_.Note("release");
    inner_->Release();
  }
  void Open(const std::string& server) override { inner_->Open(server); }
  std::optional<DiskReading> NextDisk() override { return inner_->NextDisk(); }

 private:
  std::unique_ptr<DiskQuery> inner_;
  RecordingView& window_;
};

TEST_F(CheckRunTest, TheFailureTextIsWrittenBeforeTheQueryIsReleased) {
  fleet->Set("srv", Disks({Disk("C:", 50 * kGiB), SimulatedDisk{"D:", 1, std::nullopt}}));
  fleet->Set("ok", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"srv", "gone", "ok"};
  window.inputs = {"2", "GB"};
  runner = std::make_unique<CheckRunPresenter>(
      dispatcher, window, [this] { return std::make_unique<LoggingQuery>(fleet->NewQuery(), window); });
  RunToEnd();
  WaitForWorkers();
  std::lock_guard lock(window.logMutex);
  auto at = [&](const std::string& entry) { return std::find(window.log.begin(), window.log.end(), entry); };
  ASSERT_NE(at("cell 5 0 Недоступно"), window.log.end());
  ASSERT_NE(at("cell 4 1 Недоступно"), window.log.end());
  EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "release"), 2);  // once for each failed server
  // Each release comes after its server's failure text.
  EXPECT_LT(at("cell 5 0 Недоступно"), at("release"));
  EXPECT_LT(at("cell 4 1 Недоступно"), std::find(at("release") + 1, window.log.end(), std::string("release")));
}

TEST_F(CheckRunTest, AThresholdThatIsNotANumberFailsEveryServerWithDisks) {
  fleet->Set("srv1", Disks({Disk("C:", kGiB)}));
  fleet->Set("empty", Disks({}));
  window.lines = {"srv1", "empty"};
  window.inputs = {"1.5", "GB"};
  RunToEnd();
  EXPECT_EQ(Cell(4, 0), "Недоступно");
  EXPECT_EQ(Cell(4, 1), "");
  EXPECT_EQ(window.progressPosition, 2);  // only the server without disks advanced it
  EXPECT_EQ(window.trayImage, kTrayImageOk);
}

TEST_F(CheckRunTest, AnUnknownUnitMeansNoDiskIsBelow) {
  fleet->Set("srv", Disks({Disk("C:", 1)}));
  window.lines = {"srv"};
  window.inputs = {"2", "gb"};
  RunToEnd();
  EXPECT_EQ(Cell(4, 0), "C: 1 Bytes (0%)");
  EXPECT_EQ(Cell(1, 0), "");
  EXPECT_EQ(window.trayImage, kTrayImageOk);
}

TEST_F(CheckRunTest, TheThresholdIsReadAnewForEveryDisk) {
  fleet->Set("srv", Disks({Disk("C:", kGiB), Disk("D:", kGiB)}));
  window.lines = {"srv"};
  window.inputs = {"0", "GB"};
  window.afterSetCell = [&](int col, int) {
    if (col == 5) window.inputs.threshold = "5";
  };
  RunToEnd();
  EXPECT_EQ(Cell(1, 0), "1");  // D: was tested against 5 GB
}

TEST_F(CheckRunTest, ARunStartsFromAClearedTableAndLeavesMarkersAlone) {
  window.table.SetRowCount(5);
  for (int row = 0; row < 5; ++row) {
    window.table.SetCell(0, row, "  .");
    window.table.SetCell(1, row, "1");
    window.table.SetCell(3, row, "old");
    window.table.SetCell(6, row, "Z: 1 MB (1%)");
  }
  fleet->Set("a", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"a", "", "a"};
  fleet->Set("", Disks({Disk("C:", 40 * kGiB)}));  // the empty name is the local computer
  RunToEnd();
  EXPECT_EQ(window.table.RowCount(), 3);
  EXPECT_EQ(std::vector<std::string>(window.log.begin(), window.log.begin() + 4),
            (std::vector<std::string>{"stop on", "progress 0", "clear", "rows 3"}));
  EXPECT_EQ(Cell(0, 2), "  .");
  EXPECT_EQ(Cell(6, 0), "");
  EXPECT_EQ(Cell(3, 1), "");
  EXPECT_EQ(Cell(4, 1), "C: 40,0 GB (40%)");
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"a", "", "a"}));
}

TEST_F(CheckRunTest, LinesAreReadWhenTheRunReachesThem) {
  fleet->Set("a", Disks({Disk("C:", 50 * kGiB)}));
  fleet->Set("b", Disks({Disk("C:", 50 * kGiB)}));
  fleet->Set("", Disks({Disk("C:", 40 * kGiB)}));
  window.lines = {"a", "x", "y"};
  window.afterSetCell = [&](int col, int row) {
    if (col == 3 && row == 0) {
      window.lines[1] = "b";          // edited before the run reaches it: checked as edited
      window.lines.pop_back();        // removed: read as the empty name
      window.lines.push_back("zz");   // ... and put back as another name
      window.lines.push_back("late"); // added during the run: not checked by it
    }
  };
  RunToEnd();
  EXPECT_EQ(window.table.RowCount(), 3);
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"a", "b", "zz"}));
}

TEST_F(CheckRunTest, AnEmptyListIsReportedAndStartsNothing) {
  window.stopEnabled = false;
  runner->Start();
  EXPECT_EQ(window.messages, std::vector<std::string>{"Вы не указали ни один объект!"});
  EXPECT_EQ(window.focusCount, 1);
  EXPECT_FALSE(runner->Active());
  EXPECT_FALSE(window.stopEnabled);
  EXPECT_EQ(window.log, (std::vector<std::string>{"message", "focus"}));

  runner->TimerTick();  // the timer with an empty list does nothing and shows nothing
  EXPECT_EQ(window.messages.size(), 1u);
}

TEST_F(CheckRunTest, StartEnablesStopAndResetsTheBarBeforeTheWorkerBegins) {
  fleet->Set("a", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"a"};
  window.stopEnabled = false;
  window.progressPosition = 100;
  runner->Start();
  EXPECT_TRUE(window.stopEnabled);
  EXPECT_EQ(window.progressPosition, 0);
  EXPECT_TRUE(runner->Active());
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active(); }));
}

TEST_F(CheckRunTest, StopMidRunKeepsWhatWasWrittenAndNothingLaterArrives) {
  fleet->Set("a", Disks({Disk("C:", kGiB)}));
  SimulatedServer slow = Disks({Disk("C:", kGiB)});
  slow.blocks = true;
  fleet->Set("slow", slow);
  fleet->Set("c", Disks({Disk("C:", kGiB)}));
  window.lines = {"a", "slow", "c"};
  window.trayImage = 0;
  window.trayHint = "before";
  runner->Start();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return Cell(3, 1) == "slow"; }));
  runner->Stop();
  EXPECT_FALSE(runner->Active());
  EXPECT_EQ(window.progressPosition, 100);
  EXPECT_FALSE(window.stopEnabled);
  EXPECT_TRUE(window.excelEnabled);

  std::vector<std::string> logAtStop = window.log;
  fleet->ReleaseBlocked();  // the query comes back after the stop
  WaitForWorkers();
  EXPECT_EQ(window.log, logAtStop);
  EXPECT_EQ(Cell(4, 0), "C: 1,0 GB (1%)");
  EXPECT_EQ(Cell(3, 1), "slow");
  EXPECT_EQ(Cell(4, 1), "");
  EXPECT_EQ(Cell(3, 2), "");
  EXPECT_EQ(window.trayImage, 0);
  EXPECT_EQ(window.trayHint, "before");
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"a", "slow"}));  // no further server
}

TEST_F(CheckRunTest, ChangesQueuedBeforeStopNeverArrive) {
  fleet->Set("a", Disks({Disk("C:", kGiB)}));
  window.lines = {"a"};
  window.table.SetCell(1, 0, "1");  // a flag of an earlier run, which the new run would clear
  window.log.clear();
  runner->Start();
  ASSERT_EQ(dispatcher->Pending(), 1u);  // the run's first step, which clears the table and reads the list
  runner->Stop();
  WaitForWorkers();
  EXPECT_EQ(Cell(1, 0), "1");
  EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "clear"), 0);
  EXPECT_TRUE(fleet->OpenedNames().empty());
}

TEST_F(CheckRunTest, StopWithoutARunOnlyResetsTheControls) {
  window.stopEnabled = true;
  window.excelEnabled = false;
  runner->Stop();
  EXPECT_EQ(window.log, (std::vector<std::string>{"progress 100", "stop off", "excel on"}));
}

TEST_F(CheckRunTest, StartDuringARunEndsItAndTheNewRunAloneFinishes) {
  SimulatedServer slow = Disks({Disk("C:", kGiB)});
  slow.blocks = true;
  fleet->Set("slow", slow);
  fleet->Set("b", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"slow"};
  runner->Start();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return Cell(3, 0) == "slow"; }));

  window.lines = {"b"};
  runner->Start();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active(); }));
  fleet->ReleaseBlocked();  // the first run's query returns late; its result is discarded
  WaitForWorkers();
  EXPECT_EQ(window.table.RowCount(), 1);
  EXPECT_EQ(Cell(3, 0), "b");
  EXPECT_EQ(Cell(4, 0), "C: 50,0 GB (50%)");
  EXPECT_EQ(Cell(1, 0), "");
  EXPECT_EQ(window.trayImage, kTrayImageOk);
  EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "tray 5"), 1);
  EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "tray 6"), 0);
}

TEST_F(CheckRunTest, AServerThatHangsIsUnavailableAfterItsDeadlineAndTheRunGoesOn) {
  SimulatedServer hung = Disks({Disk("C:", kGiB)});
  hung.blocks = true;
  fleet->Set("hung", hung);
  fleet->Set("b", Disks({Disk("C:", 50 * kGiB)}));
  window.lines = {"hung", "b"};
  runner = std::make_unique<CheckRunPresenter>(dispatcher, window, SimulatedFleet::Factory(fleet), nullptr,
                                               std::chrono::milliseconds(200));
  runner->Start();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active(); }));
  EXPECT_EQ(Cell(4, 0), "Недоступно");
  EXPECT_EQ(Cell(4, 1), "C: 50,0 GB (50%)");
  EXPECT_EQ(window.progressPosition, 2);  // set by the second server
  EXPECT_EQ(window.trayImage, kTrayImageOk);
  // The hung query comes back after the run has gone on: what it brings touches nothing.
  std::vector<std::string> logAtEnd = window.log;
  fleet->ReleaseBlocked();
  WaitForWorkers();
  EXPECT_EQ(window.log, logAtEnd);
  EXPECT_EQ(Cell(1, 0), "");
}

TEST_F(CheckRunTest, ServersThatCannotBeReachedAreProbedAheadAndNeverAskedOverWmi) {
  SimulatedServer blocked = Disks({Disk("C:", 50 * kGiB)});
  blocked.blocks = true;
  fleet->Set("blocked", blocked);
  SimulatedServer off = Disks({Disk("C:", 50 * kGiB)});
  off.power = SimulatedServer::Power::Off;
  fleet->Set("off", off);
  SimulatedServer refuses = off;
  refuses.power = SimulatedServer::Power::Refuses;
  fleet->Set("refuses", refuses);
  fleet->Set("localhost", Disks({Disk("C:", 40 * kGiB)}));
  fleet->Set("", Disks({Disk("C:", 40 * kGiB)}));
  window.lines = {"blocked", "off", "", "refuses", "localhost", "nowhere"};
  auto probes = std::make_shared<ProbesAhead>(SimulatedFleet::Probe(fleet), std::chrono::milliseconds(50),
                                              std::vector<std::string>{"HOST"}, false);
  runner = std::make_unique<CheckRunPresenter>(dispatcher, window, SimulatedFleet::Factory(fleet), probes);
  runner->Start();
  // While the first server holds the run, the servers further down are probed already.
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return fleet->ProbedNames().size() == 4; }));
  EXPECT_EQ(Cell(3, 1), "");
  fleet->ReleaseBlocked();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active() && runner->Workers().Live() == 0; }));
  for (int row : {1, 3, 5}) EXPECT_EQ(Cell(4, row), "Недоступно") << row;
  EXPECT_EQ(Cell(4, 2), "C: 40,0 GB (40%)");
  EXPECT_EQ(Cell(4, 4), "C: 40,0 GB (40%)");
  // The local computer is never probed; what could not be reached was never asked over WMI.
  std::vector<std::string> probed = fleet->ProbedNames();
  std::sort(probed.begin(), probed.end());
  EXPECT_EQ(probed, (std::vector<std::string>{"blocked", "nowhere", "off", "refuses"}));
  EXPECT_EQ(fleet->OpenedNames(), (std::vector<std::string>{"blocked", "", "localhost"}));
}

TEST_F(CheckRunTest, AProbesResultStandsForARepeatedNameOnlyWhileItIsFresh) {
  SimulatedServer off = Disks({Disk("C:", 50 * kGiB)});
  off.power = SimulatedServer::Power::Off;
  fleet->Set("off", off);
  SimulatedServer hung = Disks({Disk("C:", 50 * kGiB)});
  hung.blocks = true;
  fleet->Set("hung", hung);
  SimulatedServer rebooting = off;
  rebooting.power = SimulatedServer::Power::Refuses;
  fleet->Set("rebooting", rebooting);
  window.lines = {"off", "off", "hung", "rebooting"};
  auto probes = std::make_shared<ProbesAhead>(SimulatedFleet::Probe(fleet), std::chrono::milliseconds(50),
                                              std::vector<std::string>{}, false, std::chrono::milliseconds(300));
  runner = std::make_unique<CheckRunPresenter>(dispatcher, window, SimulatedFleet::Factory(fleet), probes,
                                               std::chrono::milliseconds(600));
  runner->Start();
  // Probed ahead while refusing; up again by the time the run gets past the hung server.
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return Cell(3, 2) == "hung"; }));
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return fleet->ProbedNames().size() == 3; }));
  fleet->Set("rebooting", Disks({Disk("C:", 50 * kGiB)}));
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active(); }));
  EXPECT_EQ(Cell(4, 3), "C: 50,0 GB (50%)");
  const std::vector<std::string> probed = fleet->ProbedNames();
  EXPECT_EQ(std::count(probed.begin(), probed.end(), "off"), 1);  // the second line took the first's result
  EXPECT_EQ(std::count(probed.begin(), probed.end(), "rebooting"), 2);
}

TEST_F(CheckRunTest, ThisComputerIsNeverProbedHoweverItIsWritten) {
  const std::vector<std::string> local = {"",          ".",         "localhost",  "LOCALHOST.",      "host",
                                          "Host.",     "HOST.CORP.EXAMPLE",       "127.0.0.1",       "127.8.9.10",
                                          "::1",       "0:0:0:0:0:0:0:1",         "[::1]"};
  for (const std::string& name : local) fleet->Set(name, Disks({Disk("C:", 40 * kGiB)}));
  window.lines = local;
  auto probes = std::make_shared<ProbesAhead>(SimulatedFleet::Probe(fleet), std::chrono::milliseconds(50),
                                              std::vector<std::string>{"HOST", "host.corp.example"}, false);
  runner = std::make_unique<CheckRunPresenter>(dispatcher, window, SimulatedFleet::Factory(fleet), probes);
  RunToEnd();
  EXPECT_EQ(fleet->ProbedNames(), std::vector<std::string>{});
}

TEST_F(CheckRunTest, ATimerTickDuringARunLetsTheRunFinish) {
  SimulatedServer slow = Disks({Disk("C:", kGiB)});
  slow.blocks = true;
  fleet->Set("slow", slow);
  window.lines = {"slow"};
  runner->Start();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return Cell(3, 0) == "slow"; }));
  runner->TimerTick();
  EXPECT_TRUE(runner->Active());
  fleet->ReleaseBlocked();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active(); }));
  EXPECT_EQ(window.trayImage, kTrayImageAlert);
  EXPECT_EQ(fleet->OpenedNames().size(), 1u);

  runner->TimerTick();  // idle: the tick starts a run
  EXPECT_TRUE(runner->Active());
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return !runner->Active(); }));
  EXPECT_EQ(fleet->OpenedNames().size(), 2u);
}

TEST_F(CheckRunTest, AShutDownDispatcherLetsTheWorkerEndUnseen) {
  SimulatedServer slow = Disks({Disk("C:", kGiB)});
  slow.blocks = true;
  fleet->Set("slow", slow);
  fleet->Set("b", Disks({Disk("C:", kGiB)}));
  window.lines = {"slow", "b"};
  runner->Start();
  ASSERT_TRUE(PumpUntil(*dispatcher, [&] { return Cell(3, 0) == "slow"; }));
  dispatcher->Shutdown();
  fleet->ReleaseBlocked();
  WaitForWorkers();
  EXPECT_EQ(Cell(3, 1), "");
}

#ifndef _WIN32
// A run that meets a moment when the system has no thread to spare, then one with a server that
// hangs; 0 when that server was "Недоступно" after its deadline and the run went on.
int RunShortOfThreadsThenAHungServer() {
  // As a user whose thread limit holds: it does not hold for root.
  if (::geteuid() == 0 && (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)) return 2;
  auto dispatcher = std::make_shared<QueueDispatcher>();
  auto fleet = std::make_shared<SimulatedFleet>();
  RecordingView window;
  fleet->Set("a", Disks({Disk("C:", 50 * kGiB)}));
  SimulatedServer hung = Disks({Disk("C:", 50 * kGiB)});
  hung.blocks = true;
  fleet->Set("hung", hung);
  CheckRunPresenter runner(dispatcher, window, SimulatedFleet::Factory(fleet), nullptr, std::chrono::milliseconds(200));
  rlimit normal{};
  ::getrlimit(RLIMIT_NPROC, &normal);
  rlimit none = normal;
  none.rlim_cur = 0;
  window.lines = {"a"};
  if (::setrlimit(RLIMIT_NPROC, &none) != 0) return 3;
  runner.Start();
  if (!PumpUntil(*dispatcher, [&] { return !runner.Active(); })) return 4;
  if (::setrlimit(RLIMIT_NPROC, &normal) != 0) return 3;
  window.lines = {"hung", "a"};
  runner.Start();
  if (!PumpUntil(*dispatcher, [&] { return !runner.Active(); }, std::chrono::seconds(5))) return 1;
  return window.table.Cell(4, 0) == "Недоступно" && window.table.Cell(4, 1) == "C: 50,0 GB (50%)" ? 0 : 5;
}

// In a process of its own: the hung server's worker is never let go, and the limit is the process's.
TEST(CheckRunShortOfThreads, AServerThatHangsAfterAMomentWithoutThreadsStillMeetsItsDeadline) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(RunShortOfThreadsThenAHungServer()), ::testing::ExitedWithCode(0), "");
}
#endif

class FakeTimer : public RefreshTimer {
 public:
  std::uint32_t interval = 1800000;
  int sets = 0;
  std::uint32_t Interval() const override { return interval; }
  void SetInterval(std::uint32_t ms) override {
    interval = ms;
    ++sets;
  }
};

TEST(RefreshInterval, FollowsTheFieldInWholeMinutes) {
  FakeTimer timer;
  try {
    ApplyIntervalText("", timer);
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  EXPECT_EQ(timer.interval, 1800000u);
  ApplyIntervalText("1", timer);
  EXPECT_EQ(timer.interval, 60000u);
  ApplyIntervalText("15", timer);
  EXPECT_EQ(timer.interval, 900000u);
  EXPECT_EQ(timer.sets, 2);
  ApplyIntervalText("15", timer);  // the value in force: the countdown is not restarted
  EXPECT_EQ(timer.sets, 2);
  EXPECT_THROW(ApplyIntervalText("2,5", timer), ConversionError);
  EXPECT_EQ(timer.interval, 900000u);
}

TEST(RefreshInterval, OutOfRangeMinutesEitherNeverFireOrWaitTheLongest) {
  EXPECT_EQ(RefreshIntervalMs(30), 1800000u);
  EXPECT_EQ(RefreshIntervalMs(0), 0u);
  EXPECT_EQ(RefreshIntervalMs(-5), 0u);
  EXPECT_EQ(RefreshIntervalMs(35791), 2147460000u);
  EXPECT_EQ(RefreshIntervalMs(35792), kLongestTimerInterval);
  EXPECT_EQ(RefreshIntervalMs(INT32_MAX), kLongestTimerInterval);
}

}  // namespace
}  // namespace kestrane
