// The window's check run: one pass over the server list that fills the server table, with Start,
// Stop and the timer tick around it. The presenter lives on the window thread: it reads each list
// line when the run reaches it, hands the name to a worker, and shows what the server answered one
// disk at a time, against the threshold fields as they are at that moment.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/dispatcher.h"
#include "core/reachability.h"
#include "core/server_checks.h"
#include "toolkit/tray_icon.h"

namespace kestrane {

inline constexpr char kEmptyListMessage[] = "Вы не указали ни один объект!";
inline constexpr char kAlertHint[] =
    "Внимание! На некоторых серверах свободное место\rниже заданного порогового значения!";
inline constexpr char kNoAlertHint[] = "Программа Kestrane\rконтролирует свободное место на серверах";
inline constexpr char kAlertBalloonTitle[] = "Место заканчивается!";
inline constexpr char kAlertBalloonText[] = "На одном или нескольких серверах\r заканчивается свободное место!";
inline constexpr int kAlertBalloonSeconds = 11;
inline constexpr int kTrayImageOk = 5;     // status_ok_new
inline constexpr int kTrayImageAlert = 6;  // status_error_new

// A server that has not answered by then is "Недоступно", and the run goes on with the next.
inline constexpr std::chrono::seconds kServerDeadline{60};

struct ThresholdInputs {
  std::string threshold;  // the text of the threshold field
  std::string unit;       // the text of the unit field
};

struct RowMarks {
  std::string marker;  // column 0
  std::string flag;    // column 1
};

// What a run reads and changes in the window: the list, the threshold fields, the server table,
// the progress bar, the two buttons, the tray icon, and the box and focus of an empty list. Called
// on the window thread only, each call seeing the window as it is at that moment.
class RunView {
 public:
  virtual ~RunView() = default;
  virtual int ListLineCount() = 0;
  // Line i of the server list as it is now; "" for a line that no longer exists.
  virtual std::string ListLine(int i) = 0;
  virtual ThresholdInputs ReadThresholdInputs() = 0;
  virtual void ClearResultColumns() = 0;  // columns 1 and on of every row
  virtual void SetRowCount(int count) = 0;
  virtual void SetCell(int col, int row, std::string text) = 0;
  virtual RowMarks ReadRowMarks(int row) = 0;
  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  virtual void SetExcelEnabled(bool enabled) = 0;
  virtual void SetTrayImage(int index) = 0;
  virtual void SetTrayHint(std::string hint) = 0;
  virtual void ShowBalloon(TrayBalloon balloon) = 0;
  virtual void ShowMessage(std::string text) = 0;
  virtual void FocusList() = 0;
};

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

// Start, Stop and the timer tick, on the window thread. At most one run is active: Start ends the
// active run first; a timer tick while a run is active does nothing.
class CheckRunPresenter {
 public:
  // `probes` (or none): the reachability probes run ahead of the checks, down the list.
  CheckRunPresenter(std::shared_ptr<Dispatcher> dispatcher, RunView& view, DiskQueryFactory queries,
                    std::shared_ptr<ProbesAhead> probes = nullptr, std::chrono::milliseconds deadline = kServerDeadline);
  ~CheckRunPresenter();  // ends the active run unseen
  CheckRunPresenter(const CheckRunPresenter&) = delete;
  CheckRunPresenter& operator=(const CheckRunPresenter&) = delete;

  void Start();      // BtnStartClick
  void Stop();       // BtnStopClick
  void TimerTick();  // Timer1Timer
  bool Active() const;
  // Ends the active run unseen, touching no control: for the program's end.
  void EndActiveRun();

  // The run's workers: those still alive, abandoned and stopped ones included.
  const WorkerGroup& Workers() const { return checks_.Workers(); }

 private:
  struct Run;
  void Begin(const std::shared_ptr<Run>& run);
  void NextRow(const std::shared_ptr<Run>& run);
  // Shows what row `row`'s server answered; true when the server failed as a whole.
  bool Show(Run& run, int row, const ServerCheck& check);
  void End(Run& run);

  std::shared_ptr<Dispatcher> dispatcher_;
  RunView& view_;
  std::chrono::milliseconds deadline_;
  std::shared_ptr<ProbesAhead> probes_;
  std::shared_ptr<Run> active_;
  ServerChecks checks_;
};

}  // namespace kestrane
