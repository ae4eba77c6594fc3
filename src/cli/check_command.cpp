#include "cli/check_command.h"

#include <stdexcept>

#include "core/check_run.h"
#include "core/server_table.h"
#include "core/size_text.h"
#include "core/table_run_window.h"

namespace kestrane {
namespace {

// The table and the fields of a window, without a window.
class ConsoleRunWindow : public TableRunWindow {
 public:
  explicit ConsoleRunWindow(const CheckOptions& options)
      : TableRunWindow(table_),
        lines_(options.names.empty() ? std::vector<std::string>{""} : options.names),
        inputs_{options.threshold, options.unit} {}

  int ListLineCount() override { return static_cast<int>(lines_.size()); }
  std::string ListLine(int i) override { return i < ListLineCount() ? lines_[i] : std::string(); }
  ThresholdInputs ReadThresholdInputs() override { return inputs_; }
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}
  void SetStopEnabled(bool) override {}
  void SetExcelEnabled(bool) override {}
  void SetTrayImage(int index) override { alert_ = index == kTrayImageAlert; }
  void SetTrayHint(std::string) override {}
  void ShowBalloon(std::string, std::string, BalloonIcon, int) override {}
  void ShowMessage(std::string) override {}  // the list always has a line here
  void FocusList() override {}

  using TableRunWindow::Table;
  bool Alert() const { return alert_; }

 private:
  ServerTable table_;  // constructed before the base uses it: the base only keeps a reference
  std::vector<std::string> lines_;
  ThresholdInputs inputs_;
  bool alert_ = false;
};

}  // namespace

CheckOptions ParseCheckArguments(const std::vector<std::string>& args) {
  CheckOptions options;
  bool namesOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!namesOnly && (arg == "--threshold" || arg == "--unit")) {
      if (i + 1 >= args.size()) throw std::invalid_argument("После " + arg + " нужно значение.");
      (arg == "--threshold" ? options.threshold : options.unit) = args[++i];
    } else if (!namesOnly && (arg == "--help" || arg == "-h" || arg == "/?")) {
      options.help = true;
    } else if (!namesOnly && arg == "--") {
      namesOnly = true;
    } else if (!namesOnly && arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      throw std::invalid_argument("Неизвестный параметр: " + arg);
    } else {
      options.names.push_back(arg);
    }
  }
  if (options.unit != "MB" && options.unit != "GB") {
    throw std::invalid_argument("Единица порога должна быть MB или GB, а не \"" + options.unit + "\".");
  }
  try {
    ThresholdBytes(options.threshold, options.unit);
  } catch (const std::exception& e) {
    throw std::invalid_argument("Неверный порог: " + std::string(e.what()) + ".");
  }
  return options;
}

int RunCheckCommand(const CheckOptions& options, const DiskQueryFactory& queries, std::ostream& out) {
  auto dispatcher = std::make_shared<QueueDispatcher>();
  ConsoleRunWindow window(options);
  {
    CheckRunner runner(dispatcher, window, queries);
    runner.Start();
    while (runner.Active()) dispatcher->WaitAndRunPending(50);
  }
  const ServerTable& table = window.Table();
  for (int row = 0; row < table.RowCount(); ++row) {
    std::vector<std::string> cells = table.RowCells(row);
    for (std::size_t col = 0; col < cells.size(); ++col) {
      if (col > 0) out << '\t';
      out << cells[col];
    }
    out << '\n';
  }
  out << (window.Alert() ? "Оповещение: место заканчивается" : "Оповещение: нет") << '\n';
  return window.Alert() ? kExitAlert : kExitNoAlert;
}

int CheckMain(const std::vector<std::string>& args, const DiskQueryFactory& queries, std::ostream& out,
              std::ostream& err) {
  CheckOptions options;
  try {
    options = ParseCheckArguments(args);
  } catch (const std::invalid_argument& e) {
    err << e.what() << '\n' << kCheckUsage;
    return kExitBadArguments;
  }
  if (options.help) {
    out << kCheckUsage;
    return kExitNoAlert;
  }
  return RunCheckCommand(options, queries, out);
}

}  // namespace kestrane
