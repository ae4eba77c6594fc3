#include "forms/check_run.h"

#include <exception>
#include <utility>

#include "core/number_text.h"
#include "core/server_table.h"
#include "core/size_text.h"

namespace kestrane {

std::uint32_t RefreshIntervalMs(std::int32_t minutes) {
  if (minutes <= 0) return 0;
  std::int64_t ms = std::int64_t{minutes} * 60000;
  return ms > kLongestTimerInterval ? kLongestTimerInterval : static_cast<std::uint32_t>(ms);
}

void ApplyIntervalText(std::string_view text, RefreshTimer& timer) {
  std::uint32_t ms = RefreshIntervalMs(ParseInteger(text));
  if (ms != timer.Interval()) timer.SetInterval(ms);
}

// One run, on the window thread but for its token. Whatever reaches the window thread for a run
// looks at the token first: nothing of an ended run touches the window or the presenter.
struct CheckRunPresenter::Run {
  WorkToken token;
  int count = 0;  // the list's lines when the run began
  int row = 0;    // the row being checked
  bool alert = false;
};

CheckRunPresenter::CheckRunPresenter(std::shared_ptr<Dispatcher> dispatcher, RunView& view, DiskQueryFactory queries,
                                     std::shared_ptr<ProbesAhead> probes, std::chrono::milliseconds deadline)
    : dispatcher_(std::move(dispatcher)),
      view_(view),
      deadline_(deadline),
      probes_(probes),
      checks_(ProbedQueries(std::move(queries), probes), false) {}

CheckRunPresenter::~CheckRunPresenter() { EndActiveRun(); }

bool CheckRunPresenter::Active() const { return active_ && active_->token.Current(); }

void CheckRunPresenter::EndActiveRun() {
  if (active_) active_->token.End();
  active_.reset();
}

void CheckRunPresenter::Start() {
  if (view_.ListLineCount() == 0) {
    view_.ShowMessage(kEmptyListMessage);
    view_.FocusList();
    return;
  }
  EndActiveRun();
  view_.SetStopEnabled(true);
  view_.SetProgressPosition(0);
  auto run = std::make_shared<Run>();
  active_ = run;
  // The run's own steps begin once Start has returned, as a worker's would.
  dispatcher_->Post([this, run] {
    if (run->token.Current()) Begin(run);
  });
}

void CheckRunPresenter::Stop() {
  EndActiveRun();
  view_.SetProgressPosition(100);
  view_.SetStopEnabled(false);
  view_.SetExcelEnabled(true);
}

void CheckRunPresenter::TimerTick() {
  if (view_.ListLineCount() == 0 || Active()) return;
  Start();
}

void CheckRunPresenter::Begin(const std::shared_ptr<Run>& run) {
  if (probes_) probes_->Forget();  // what an earlier run found is no longer so
  view_.ClearResultColumns();
  run->count = view_.ListLineCount();
  view_.SetRowCount(run->count);
  NextRow(run);
}

void CheckRunPresenter::NextRow(const std::shared_ptr<Run>& run) {
  for (; run->row < run->count; ++run->row) {
    const int row = run->row;
    view_.SetProgressMax(run->count);
    const std::string name = view_.ListLine(row);
    view_.SetCell(kNameColumn, row, name);
    // The lines further down as they are now: a line edited before the run reaches it is probed
    // again as edited then.
    if (probes_) {
      for (int ahead = row; ahead < run->count && ahead < row + kProbeLookAhead; ++ahead) {
        probes_->Ahead(ahead == row ? name : view_.ListLine(ahead));
      }
    }
    ServerChecks::Answers answers;
    // The answer is shown before the worker lets go of the server; then the run goes on.
    answers.answered = [this, run, row, dispatcher = dispatcher_](ServerCheck check) {
      bool failed = check.Failed();
      dispatcher->Invoke([&] {
        if (!run->token.Current() || run->row != row) return;
        failed = Show(*run, row, check);
        ++run->row;
        NextRow(run);
      });
      return failed;
    };
    answers.late = [this, run, row, dispatcher = dispatcher_] {
      dispatcher->Post([this, run, row] {
        if (!run->token.Current() || run->row != row) return;
        Show(*run, row, ServerCheck{{}, CheckFailure::Late, kTimedOut});
        ++run->row;
        NextRow(run);
      });
    };
    try {
      checks_.Start(name, deadline_, std::move(answers));
      return;  // the answer goes on from the next row
    } catch (const std::exception& e) {
      Show(*run, row, ServerCheck{{}, CheckFailure::Query, e.what()});  // no thread for it
    }
  }
  End(*run);
}

bool CheckRunPresenter::Show(Run& run, int row, const ServerCheck& check) {
  int col = kFirstDiskColumn;
  bool failed = check.Failed();
  for (const DiskReading& disk : check.disks) {
    try {
      const std::string text = FormatDiskCell(disk);
      view_.SetCell(col, row, text);
      // The size read back from the shown text, against the fields as they are now.
      const std::optional<std::int64_t> size = ReadBackSize(text);
      const ThresholdInputs inputs = view_.ReadThresholdInputs();
      if (size && IsBelowThreshold(*size, inputs.threshold, inputs.unit)) {
        view_.SetCell(kAlertColumn, row, std::string(kAlertFlag));
      }
    } catch (const std::exception&) {
      failed = true;  // a threshold that is not a number fails the server here
      break;
    }
    // After every disk, also one that is not below: the marker as it is now.
    const RowMarks marks = view_.ReadRowMarks(row);
    if (marks.flag == kAlertFlag && marks.marker.empty()) run.alert = true;
    ++col;
  }
  if (failed) {
    view_.SetCell(col, row, std::string(kUnavailableText));
  } else {
    view_.SetProgressPosition(row + 1);
  }
  return failed;
}

void CheckRunPresenter::End(Run& run) {
  view_.SetStopEnabled(false);
  if (run.alert) {
    view_.SetTrayImage(kTrayImageAlert);
    view_.SetTrayHint(kAlertHint);
    view_.ShowBalloon(TrayBalloon{kAlertBalloonTitle, kAlertBalloonText, TrayBalloon::Icon::Error, kAlertBalloonSeconds});
  } else {
    view_.SetTrayImage(kTrayImageOk);
    view_.SetTrayHint(kNoAlertHint);
  }
  view_.SetExcelEnabled(true);
  run.token.End();
}

}  // namespace kestrane
