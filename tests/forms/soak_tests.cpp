// The main window and the clean-up dialog driven at random from the window thread for many check
// runs: Start, Stop and timer ticks among runs over failing and slow servers, clean-up counts
// overtaken by new shows. Afterwards no worker is left, every query is gone, the process has the
// threads it began with, and one more run fills the table as a run alone does.
// KESTRANE_SOAK_RUNS sets how many runs are started (the short form's 300 by default; the README
// gives the longer command).
#include <dirent.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <random>
#include <thread>

#include "forms/form1_fixture.h"
#include "forms/recording_view.h"
#include "forms/unit2.h"

namespace kestrane {
namespace {

int ProcessThreads() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/task")) {
    while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
    ::closedir(dir);
  }
  return count;
}

std::vector<std::string> TableCells(const TStringGrid& grid) {
  std::vector<std::string> cells;
  for (int row = 0; row < grid.RowCount(); ++row) {
    for (int col = 0; col < 9; ++col) cells.push_back(grid.Cell(col, row));
  }
  return cells;
}

int SoakRuns() {
  const char* text = std::getenv("KESTRANE_SOAK_RUNS");
  return text ? std::atoi(text) : 300;
}

// Every share listing answers with a file after a short while.
class SlowFolders : public FolderService {
 public:
  bool List(const std::string&, const std::function<void(const FolderEntry&)>& each) override {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    each(FolderEntry{"."});
    each(FolderEntry{"log.txt", 0x20, 0, 0, 1048576});
    return true;
  }
  std::unique_ptr<HeldEntry> OpenEntry(const std::string&) override { return nullptr; }
  std::unique_ptr<FolderHold> Hold(const std::string&) override { return nullptr; }
};

class SoakTest : public Form1Test {
 protected:
  void Fleet() {
    auto disks = [](int n, std::int64_t free) {
      SimulatedServer s;
      for (int d = 0; d < n; ++d) s.disks.push_back({std::string(1, static_cast<char>('C' + d)) + ":", free, 100 * kGiB});
      return s;
    };
    fleet->Set("", disks(2, 40 * kGiB));
    fleet->Set("full", disks(3, kGiB));
    fleet->Set("many", disks(7, 30 * kGiB));
    SimulatedServer slow = disks(1, 50 * kGiB);
    slow.latency = std::chrono::microseconds(1500);
    fleet->Set("slow", slow);
    SimulatedServer query = disks(2, 50 * kGiB);
    query.failure = SimulatedServer::Failure::Query;
    fleet->Set("query", query);
    SimulatedServer badDisk = disks(1, 50 * kGiB);
    badDisk.disks.push_back({"D:", 1, std::nullopt});
    fleet->Set("bad-disk", badDisk);
    // "gone" is not in the fleet: it fails to connect.
  }
};

TEST_F(SoakTest, ManyRunsStopsTicksAndCountsLeaveNoWorkerQueryOrThread) {
  std::thread([] {}).join();  // ThreadSanitizer starts a thread of its own with the first one
  const int threadsBefore = ProcessThreads();
  Fleet();
  Create();
  TForm2 cleanup(Form2Services{dispatcher, &dialogs, std::make_shared<SlowFolders>(), [] { return "srv01"; }});
  const std::string list = "full\r\n\r\nslow\r\ngone\r\nmany\r\nquery\r\nbad-disk\r\n";
  form->Memo2.SetText(list);

  std::mt19937 random(19);
  const int runs = SoakRuns();
  int started = 0;
  // The table as Stop left it: nothing of the stopped run may change it until a run starts.
  std::optional<std::vector<std::string>> atStop;
  auto beforeStart = [&] {
    if (atStop) {
      EXPECT_EQ(TableCells(form->StringGrid1), *atStop) << "after run " << started;
    }
    atStop.reset();
  };
  while (started < runs) {
    const unsigned action = random() % 100;
    if (action < 5) {
      beforeStart();
      form->BtnStart.Click();
      ++started;
    } else if (action < 8) {
      form->BtnStop.Click();
      atStop = TableCells(form->StringGrid1);
    } else if (action < 11) {
      if (!form->RunActive()) {
        beforeStart();
        ++started;
      }
      form->Timer1.OnTimer();
    } else if (action < 14) {
      cleanup.Button1.Click();  // a count, if the dialog allows one now
    } else if (action < 17) {
      cleanup.FormShow();  // shown afresh: a count still running can no longer change it
    } else {
      dispatcher->WaitAndRunPending(static_cast<int>(random() % 2));
    }
  }
  form->BtnStop.Click();
  cleanup.FormShow();
  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveWorkers() == 0 && cleanup.LiveCounts() == 0; },
                                 std::chrono::seconds(60)));
  EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
  EXPECT_EQ(fleet->LiveQueries(), 0);

  // A last run to its end: nothing of the runs before it is in the table.
  testing::RecordingView alone;
  alone.lines = form->Memo2.Lines();
  alone.recordLog = false;
  {
    CheckRunPresenter presenter(dispatcher, alone, SimulatedFleet::Factory(fleet));
    presenter.Start();
    ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return !presenter.Active(); }, std::chrono::minutes(2)));
  }
  RunToEnd();
  ASSERT_EQ(form->StringGrid1.RowCount(), alone.table.RowCount());
  for (int row = 0; row < alone.table.RowCount(); ++row) {
    for (int col = 1; col < 9; ++col) {
      EXPECT_EQ(form->StringGrid1.Cell(col, row), alone.table.Cell(col, row)) << col << "," << row;
    }
  }

  ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveWorkers() == 0; }));
  // A detached thread leaves the process a moment after its work has ended.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ProcessThreads() != threadsBefore && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ProcessThreads(), threadsBefore);
  std::printf("%d runs started, %d servers checked\n", started, fleet->Prepares());
}

}  // namespace
}  // namespace kestrane
