// A window for the check run without any window system: the table, the fields and every
// change the run made, in order.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/check_run.h"
#include "core/server_table.h"
#include "core/server_table_run.h"

namespace kestrane::testing {

class RecordingWindow : public ServerTableRun, public RunWindow {
 public:
  RecordingWindow() : ServerTableRun(table) {}
  ServerTable table;  // the base keeps a reference only
  std::vector<std::string> lines;
  ThresholdInputs inputs{"2", "GB"};
  int progressMax = 100;
  int progressPosition = 0;
  bool stopEnabled = true;
  bool excelEnabled = true;
  int trayImage = 0;
  std::string trayHint;
  struct Balloon {
    std::string title, text;
    BalloonIcon icon;
    int seconds;
  };
  std::vector<Balloon> balloons;
  std::vector<std::string> messages;
  int focusCount = 0;
  std::vector<std::string> log;  // one entry per change, e.g. "cell 4 0 C: 1 MB (1%)"
  bool recordLog = true;
  // Called after a cell is written, on the window thread: lets a test act mid-run.
  std::function<void(int col, int row)> afterSetCell;

  int ListLineCount() override { return static_cast<int>(lines.size()); }
  std::string ListLine(int i) override { return i < ListLineCount() ? lines[i] : std::string(); }
  void ClearResultColumns() override {
    Note("clear");
    ServerTableRun::ClearResultColumns();
  }
  void SetRowCount(int count) override {
    Note("rows " + std::to_string(count));
    ServerTableRun::SetRowCount(count);
  }
  void SetCell(int col, int row, std::string text) override {
    if (recordLog) Note("cell " + std::to_string(col) + " " + std::to_string(row) + " " + text);
    ServerTableRun::SetCell(col, row, std::move(text));
    if (afterSetCell) afterSetCell(col, row);
  }
  ThresholdInputs ReadThresholdInputs() override { return inputs; }
  void SetProgressMax(int max) override { progressMax = max; }
  void SetProgressPosition(int position) override {
    Note("progress " + std::to_string(position));
    progressPosition = position;
  }
  void SetStopEnabled(bool enabled) override {
    Note(enabled ? "stop on" : "stop off");
    stopEnabled = enabled;
  }
  void SetExcelEnabled(bool enabled) override {
    Note(enabled ? "excel on" : "excel off");
    excelEnabled = enabled;
  }
  void SetTrayImage(int index) override {
    Note("tray " + std::to_string(index));
    trayImage = index;
  }
  void SetTrayHint(std::string hint) override {
    Note("hint");
    trayHint = std::move(hint);
  }
  void ShowBalloon(std::string title, std::string text, BalloonIcon icon, int seconds) override {
    Note("balloon");
    balloons.push_back({std::move(title), std::move(text), icon, seconds});
  }
  void ShowMessage(std::string text) override {
    Note("message");
    messages.push_back(std::move(text));
  }
  void FocusList() override {
    Note("focus");
    ++focusCount;
  }

 private:
  void Note(std::string entry) {
    if (recordLog) log.push_back(std::move(entry));
  }
};

// Pumps the dispatcher on the calling (window) thread until `done` holds or time runs out.
inline bool PumpUntil(QueueDispatcher& dispatcher, const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    dispatcher.WaitAndRunPending(5);
  }
  return true;
}

}  // namespace kestrane::testing
