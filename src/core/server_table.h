// The server table: the only store of check results, as cell texts.
//
// Columns: 0 no-alert marker, 1 alert flag, 2 always empty, 3 server name, 4 and on disk
// cells. A row holds any number of cells; cells past the end read as the empty text.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrane {

inline constexpr int kMarkerColumn = 0;
inline constexpr int kAlertColumn = 1;
inline constexpr int kNameColumn = 3;
inline constexpr int kFirstDiskColumn = 4;
inline constexpr int kShownColumnCount = 9;  // columns 0 to 8; disk cells beyond exist only here

inline constexpr std::string_view kNoAlertMarker = "  .";
inline constexpr std::string_view kAlertFlag = "1";
inline constexpr std::string_view kUnavailableText = "Недоступно";

class ServerTable {
 public:
  ServerTable() : rows_(1) {}

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // A table has at least one row; new rows are empty, removed rows are gone.
  void SetRowCount(int count);

  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  // Number of cells the row holds, counting to its last stored cell (may be empty texts).
  int CellCount(int row) const;
  // Columns 0..(last non-empty cell) of the row, so every column keeps its place.
  std::vector<std::string> RowCells(int row) const;

  // Empties every cell of every row from column `first` on. Column 0 stays.
  void ClearFromColumn(int first);

  // Told of every change: the cell written, or col == -1 when rows were added, removed or cleared.
  std::function<void(int col, int row)> OnChange;

 private:
  void Changed(int col, int row) {
    if (OnChange) OnChange(col, row);
  }
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace kestrane
