// The check run: one pass over the server list that fills the server table, and the
// Start, Stop and timer operations around it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/disk_query.h"
#include "core/disk_reading.h"
#include "core/dispatcher.h"
#include "core/worker_group.h"

namespace kestrane {

inline constexpr std::string_view kEmptyListMessage = "Вы не указали ни один объект!";
inline constexpr std::string_view kAlertHint =
    "Внимание! На некоторых серверах свободное место\rниже заданного порогового значения!";
inline constexpr std::string_view kNoAlertHint =
    "Программа Kestrane\rконтролирует свободное место на серверах";
inline constexpr std::string_view kAlertBalloonTitle = "Место заканчивается!";
inline constexpr std::string_view kAlertBalloonText =
    "На одном или нескольких серверах\r заканчивается свободное место!";
inline constexpr int kAlertBalloonSeconds = 11;
inline constexpr int kTrayImageOk = 5;     // status_ok_new
inline constexpr int kTrayImageAlert = 6;  // status_error_new

enum class BalloonIcon { None, Info, Warning, Error };

struct ThresholdInputs {
  std::string threshold;  // the text of the threshold field
  std::string unit;       // the text of the unit field
};

struct RowMarks {
  std::string marker;  // column 0
  std::string flag;    // column 1
};

// What a check run writes into the server table and reads back of it. Called on the window thread.
class RunTable {
 public:
  virtual ~RunTable() = default;
  virtual void ClearResultColumns() = 0;  // columns 1 and on of every row
  virtual void SetRowCount(int count) = 0;
  virtual void SetCell(int col, int row, std::string text) = 0;
  virtual RowMarks ReadRowMarks(int row) = 0;
  // Runs `step` against the table as one step on the window thread, so that reads and writes
  // within it see one moment. Exceptions thrown by `step` reach the caller.
  virtual void Together(const std::function<void(RunTable&)>& step) { step(*this); }
};

// What a check run reads of the window's fields and shows around the table. Called on the
// window thread.
class RunWindow {
 public:
  virtual ~RunWindow() = default;
  virtual int ListLineCount() = 0;
  // Line i of the server list as it is now; "" for a line that no longer exists.
  virtual std::string ListLine(int i) = 0;
  virtual ThresholdInputs ReadThresholdInputs() = 0;
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  virtual void SetExcelEnabled(bool enabled) = 0;
  virtual void SetTrayImage(int index) = 0;
  virtual void SetTrayHint(std::string hint) = 0;
  virtual void ShowBalloon(std::string title, std::string text, BalloonIcon icon, int seconds) = 0;
  virtual void ShowMessage(std::string text) = 0;
  virtual void FocusList() = 0;
};

// Thrown out of a window read when the run it belongs to has been ended.
struct RunCancelled {};

// Whether a disk is below the threshold, judged from its cell text and its reading; made within
// the disk's step on the window thread (RunTable::Together).
using DiskTest = std::function<bool(const std::string& cellText, const DiskReading& disk)>;

// The window's test: the size read back from the shown text against the threshold and unit
// fields as they are at that moment.
DiskTest ThresholdFieldsTest(RunWindow& window);

// What one server's check found: its disks in query order, or the failure and its reason.
struct ServerCheck {
  std::vector<DiskReading> disks;
  bool failed = false;
  std::string error;
  bool below = false;  // some disk below the threshold (the row's alert flag)
};

// The steps of a run for one server, after its platform preparation: its name into column 3, a
// disk cell per disk from column 4, each written and tested in one step (the alert flag, and the
// run alert, raised when the flag stands without the no-alert marker, tested after every disk); a
// failure as "Недоступно" in the current column and the preparation released. RunCancelled
// passes through.
ServerCheck CheckServer(RunTable& table, DiskQuery& query, int row, const std::string& name, const DiskTest& test,
                        bool& alert);

// The run body. Every table and window call may throw RunCancelled, which ends the run unseen.
void RunChecks(RunTable& table, RunWindow& window, DiskQuery& query);

// The window's timer, as the interval field sets it.
class RefreshTimer {
 public:
  virtual ~RefreshTimer() = default;
  virtual std::uint32_t Interval() const = 0;  // milliseconds; 0 keeps the timer from firing
  virtual void SetInterval(std::uint32_t ms) = 0;
};

// The longest interval the platform timer takes (USER_TIMER_MAXIMUM).
inline constexpr std::uint32_t kLongestTimerInterval = 0x7FFFFFFF;

// minutes * 60 000 ms; a negative count does not fire, a too large one is held at the longest.
std::uint32_t RefreshIntervalMs(std::int32_t minutes);

// Reads the interval field's text as whole minutes and sets the timer; a text that is not a
// whole number throws ConversionError and leaves the interval as it was.
void ApplyIntervalText(std::string_view text, RefreshTimer& timer);

// Start, Stop and the timer tick, on the window thread. At most one run is active: Start ends
// the active run first; a timer tick while a run is active does nothing.
class CheckRunner {
 public:
  CheckRunner(std::shared_ptr<Dispatcher> dispatcher, RunTable& table, RunWindow& window, DiskQueryFactory factory);
  ~CheckRunner();  // ends the active run unseen
  CheckRunner(const CheckRunner&) = delete;
  CheckRunner& operator=(const CheckRunner&) = delete;

  void Start();      // BtnStartClick
  void Stop();       // BtnStopClick
  void TimerTick();  // Timer1Timer
  bool Active() const;
  // Ends the active run unseen, touching no control: for the program's end.
  void EndActiveRun();

  // The run workers: those still alive, stopped ones included.
  const WorkerGroup& Workers() const { return workers_; }

 private:
  struct Run;

  std::shared_ptr<Dispatcher> dispatcher_;
  RunTable& table_;
  RunWindow& window_;
  DiskQueryFactory factory_;
  std::shared_ptr<Run> active_;
  WorkerGroup workers_;
};

}  // namespace kestrane
