#include "core/check_run.h"

#include <exception>
#include <stdexcept>
#include <utility>

#include "core/number_text.h"
#include "core/server_table.h"
#include "core/size_text.h"

namespace kestrane {

DiskTest ThresholdFieldsTest(RunWindow& window) {
  return [&window](const std::string& cellText, const DiskReading&) {
    std::optional<std::int64_t> size = ReadBackSize(cellText);
    ThresholdInputs inputs = window.ReadThresholdInputs();
    return size && IsBelowThreshold(*size, inputs.threshold, inputs.unit);
  };
}

ServerCheck CheckServer(RunTable& table, DiskQuery& query, int row, const std::string& name, const DiskTest& test,
                        bool& alert) {
  ServerCheck check;
  int col = kFirstDiskColumn;
  table.SetCell(kNameColumn, row, name);
  try {
    query.Open(name);
    while (std::optional<DiskReading> reading = query.NextDisk()) {
      std::string text;
      try {
        text = FormatDiskCell(*reading);
      } catch (const std::exception& e) {
        // The server fails on one disk (a size of 0): the reason names it.
        throw std::runtime_error(reading->DeviceID + ": " + e.what());
      }
      // The cell, the threshold test and the alert test in one trip: they see one moment.
      table.Together([&](RunTable& t) {
        t.SetCell(col, row, text);
        if (test(text, *reading)) {
          t.SetCell(kAlertColumn, row, std::string(kAlertFlag));
          check.below = true;
        }
        RowMarks marks = t.ReadRowMarks(row);
        if (marks.flag == kAlertFlag && marks.marker.empty()) alert = true;
      });
      check.disks.push_back(*reading);
      ++col;
    }
  } catch (const RunCancelled&) {
    throw;
  } catch (const std::exception& e) {
    // A server fails as a whole, wherever it fails; an ended run is not a failure.
    check.failed = true;
    check.error = e.what();
  } catch (...) {
    check.failed = true;
    check.error = "Unknown exception";
  }
  if (check.failed) {
    table.SetCell(col, row, std::string(kUnavailableText));
    query.Release();
  }
  return check;
}

void RunChecks(RunTable& table, RunWindow& window, DiskQuery& query) {
  table.ClearResultColumns();
  const int count = window.ListLineCount();
  table.SetRowCount(count);
  const DiskTest test = ThresholdFieldsTest(window);
  bool alert = false;
  for (int row = 0; row < count; ++row) {
    query.Prepare();
    window.SetProgressMax(count);
    std::string name = window.ListLine(row);
    ServerCheck check = CheckServer(table, query, row, name, test, alert);
    if (!check.failed) window.SetProgressPosition(row + 1);
  }
  window.SetStopEnabled(false);
  if (alert) {
    window.SetTrayImage(kTrayImageAlert);
    window.SetTrayHint(std::string(kAlertHint));
    window.ShowBalloon(std::string(kAlertBalloonTitle), std::string(kAlertBalloonText),
                       BalloonIcon::Error, kAlertBalloonSeconds);
  } else {
    window.SetTrayImage(kTrayImageOk);
    window.SetTrayHint(std::string(kNoAlertHint));
  }
  window.SetExcelEnabled(true);
}

std::uint32_t RefreshIntervalMs(std::int32_t minutes) {
  if (minutes <= 0) return 0;
  std::int64_t ms = std::int64_t{minutes} * 60000;
  return ms > kLongestTimerInterval ? kLongestTimerInterval : static_cast<std::uint32_t>(ms);
}

void ApplyIntervalText(std::string_view text, RefreshTimer& timer) {
  std::uint32_t ms = RefreshIntervalMs(ParseInteger(text));
  if (ms != timer.Interval()) timer.SetInterval(ms);
}

// One run: its token and the table and window as the worker sees them. Every change the worker
// makes is posted to the window thread and applied there only while the run is still the active
// one; every read is made there and, for an ended run, throws RunCancelled on the worker. Called
// on the window thread itself (within a step), a read is made at once.
struct CheckRunner::Run : RunTable, RunWindow {
  std::shared_ptr<Dispatcher> dispatcher;
  RunTable* table;    // touched on the window thread only, while current
  RunWindow* window;  // the same
  WorkToken token;

  Run(std::shared_ptr<Dispatcher> d, RunTable* t, RunWindow* w) : dispatcher(std::move(d)), table(t), window(w) {}

  template <typename F>
  void Change(F&& apply) {
    if (!token.Current()) throw RunCancelled{};
    dispatcher->Post([self = Self(), apply = std::forward<F>(apply)]() mutable {
      if (self->token.Current()) apply(*self->table, *self->window);
    });
  }
  template <typename R, typename F>
  R Read(F&& read) {
    R result{};
    bool seen = false;
    bool ran = token.Current() && dispatcher->Invoke([&] {
      if (!token.Current()) return;
      result = read(*table, *window);
      seen = true;
    });
    if (!ran || !seen) throw RunCancelled{};
    return result;
  }
  std::shared_ptr<Run> Self();
  std::weak_ptr<Run> weakSelf;

  void ClearResultColumns() override { Change([](RunTable& t, RunWindow&) { t.ClearResultColumns(); }); }
  void SetRowCount(int n) override { Change([n](RunTable& t, RunWindow&) { t.SetRowCount(n); }); }
  void SetCell(int col, int row, std::string text) override {
    Change([col, row, text = std::move(text)](RunTable& t, RunWindow&) mutable { t.SetCell(col, row, std::move(text)); });
  }
  RowMarks ReadRowMarks(int row) override {
    return Read<RowMarks>([row](RunTable& t, RunWindow&) { return t.ReadRowMarks(row); });
  }
  void Together(const std::function<void(RunTable&)>& step) override {
    std::exception_ptr failure;
    Read<bool>([&](RunTable& t, RunWindow&) {
      try {
        step(t);
      } catch (...) {
        failure = std::current_exception();  // rethrown on the worker, not shown as an error
      }
      return true;
    });
    if (failure) std::rethrow_exception(failure);
  }

  int ListLineCount() override { return Read<int>([](RunTable&, RunWindow& w) { return w.ListLineCount(); }); }
  std::string ListLine(int i) override {
    return Read<std::string>([i](RunTable&, RunWindow& w) { return w.ListLine(i); });
  }
  ThresholdInputs ReadThresholdInputs() override {
    return Read<ThresholdInputs>([](RunTable&, RunWindow& w) { return w.ReadThresholdInputs(); });
  }
  void SetProgressMax(int max) override { Change([max](RunTable&, RunWindow& w) { w.SetProgressMax(max); }); }
  void SetProgressPosition(int p) override { Change([p](RunTable&, RunWindow& w) { w.SetProgressPosition(p); }); }
  void SetStopEnabled(bool e) override { Change([e](RunTable&, RunWindow& w) { w.SetStopEnabled(e); }); }
  void SetExcelEnabled(bool e) override { Change([e](RunTable&, RunWindow& w) { w.SetExcelEnabled(e); }); }
  void SetTrayImage(int index) override { Change([index](RunTable&, RunWindow& w) { w.SetTrayImage(index); }); }
  void SetTrayHint(std::string hint) override {
    Change([hint = std::move(hint)](RunTable&, RunWindow& w) mutable { w.SetTrayHint(std::move(hint)); });
  }
  void ShowBalloon(std::string title, std::string text, BalloonIcon icon, int seconds) override {
    Change([title = std::move(title), text = std::move(text), icon, seconds](RunTable&, RunWindow& w) mutable {
      w.ShowBalloon(std::move(title), std::move(text), icon, seconds);
    });
  }
  void ShowMessage(std::string text) override {
    Change([text = std::move(text)](RunTable&, RunWindow& w) mutable { w.ShowMessage(std::move(text)); });
  }
  void FocusList() override { Change([](RunTable&, RunWindow& w) { w.FocusList(); }); }
};

std::shared_ptr<CheckRunner::Run> CheckRunner::Run::Self() { return weakSelf.lock(); }

CheckRunner::CheckRunner(std::shared_ptr<Dispatcher> dispatcher, RunTable& table, RunWindow& window,
                         DiskQueryFactory factory)
    : dispatcher_(std::move(dispatcher)), table_(table), window_(window), factory_(std::move(factory)) {}

CheckRunner::~CheckRunner() { EndActiveRun(); }

bool CheckRunner::Active() const { return active_ && active_->token.Current(); }

void CheckRunner::EndActiveRun() {
  if (active_) active_->token.End();
  active_.reset();
}

void CheckRunner::Start() {
  if (window_.ListLineCount() == 0) {
    window_.ShowMessage(std::string(kEmptyListMessage));
    window_.FocusList();
    return;
  }
  EndActiveRun();
  window_.SetStopEnabled(true);
  window_.SetProgressPosition(0);

  auto run = std::make_shared<Run>(dispatcher_, &table_, &window_);
  run->weakSelf = run;
  active_ = run;
  std::unique_ptr<DiskQuery> query = factory_();
  workers_.Start([run, query = std::move(query)]() mutable {
    try {
      RunChecks(*run, *run, *query);
    } catch (...) {
      // RunCancelled: the run was ended and nothing more of it may reach the window.
    }
    // The run ends as far as the window is concerned once its last change is applied.
    run->dispatcher->Post([run] { run->token.End(); });
    query.reset();  // the query's platform state belongs to this thread
  });
}

void CheckRunner::Stop() {
  EndActiveRun();
  window_.SetProgressPosition(100);
  window_.SetStopEnabled(false);
  window_.SetExcelEnabled(true);
}

void CheckRunner::TimerTick() {
  if (window_.ListLineCount() == 0 || Active()) return;
  Start();
}

}  // namespace kestrane
