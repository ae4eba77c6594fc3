// A window for the check run without any window system: the table, the fields and every
// change the run made, in order.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/server_table.h"
#include "forms/check_run.h"
#include "support/pump.h"

namespace kestrane::testing {

class RecordingView : public RunView {
 public:
  ServerTable table;
  std::vector<std::string> lines;
  ThresholdInputs inputs{"2", "GB"};
  int progressMax = 100;
  int progressPosition = 0;
  bool stopEnabled = true;
  bool excelEnabled = true;
  int trayImage = 0;
  std::string trayHint;
  std::vector<TrayBalloon> balloons;
  std::vector<std::string> messages;
  int focusCount = 0;
  std::vector<std::string> log;  // one entry per change, e.g. "cell 4 0 C: 1 MB (1%)"
  // Guards the log where a test adds what a worker does to it.
  std::mutex logMutex;
  bool recordLog = true;
  // Called after a cell is written, on the window thread: lets a test act mid-run.
  std::function<void(int col, int row)> afterSetCell;

  int ListLineCount() override { return static_cast<int>(lines.size()); }
  std::string ListLine(int i) override { return i < ListLineCount() ? lines[i] : std::string(); }
  void ClearResultColumns() override {
    Note("clear");
    table.ClearFromColumn(kAlertColumn);
  }
  void SetRowCount(int count) override {
    Note("rows " + std::to_string(count));
    table.SetRowCount(count);
  }
  void SetCell(int col, int row, std::string text) override {
    if (recordLog) Note("cell " + std::to_string(col) + " " + std::to_string(row) + " " + text);
    table.SetCell(col, row, std::move(text));
    if (afterSetCell) afterSetCell(col, row);
  }
  RowMarks ReadRowMarks(int row) override { return {table.Cell(kMarkerColumn, row), table.Cell(kAlertColumn, row)}; }
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
  void ShowBalloon(TrayBalloon balloon) override {
    Note("balloon");
    balloons.push_back(std::move(balloon));
  }
  void ShowMessage(std::string text) override {
    Note("message");
    messages.push_back(std::move(text));
  }
  void FocusList() override {
    Note("focus");
    ++focusCount;
  }

  // One entry into the log; from any thread.
  void Note(std::string entry) {
    std::lock_guard lock(logMutex);
    if (recordLog) log.push_back(std::move(entry));
  }
};

}  // namespace kestrane::testing
