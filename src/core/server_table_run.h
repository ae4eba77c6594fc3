// The check run's writes into a server table, shared by every window that shows one: the form,
// the command-line check and the tests' recording window.
#pragma once

#include <string>

#include "core/check_run.h"
#include "core/server_table.h"

namespace kestrane {

class ServerTableRun : public RunTable {
 public:
  explicit ServerTableRun(ServerTable& table) : table_(table) {}

  void ClearResultColumns() override { table_.ClearFromColumn(kAlertColumn); }
  void SetRowCount(int count) override { table_.SetRowCount(count); }
  void SetCell(int col, int row, std::string text) override { table_.SetCell(col, row, std::move(text)); }
  RowMarks ReadRowMarks(int row) override {
    return {table_.Cell(kMarkerColumn, row), table_.Cell(kAlertColumn, row)};
  }

 private:
  ServerTable& table_;
};

}  // namespace kestrane
