// A table of text cells, as a string grid holds them: at least one row, each row of any width;
// cells past the end of a row read as the empty text.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrane {

class TextTable {
 public:
  TextTable() : rows_(1) {}

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // A table has at least one row; new rows are empty, removed rows are gone.
  void SetRowCount(int count);

  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  // Number of cells the row holds, counting to its last stored cell (may be empty texts).
  int CellCount(int row) const;
  // Columns 0..(last non-empty cell) of the row, so every column keeps its place.
  std::vector<std::string> RowCells(int row) const;

  // Empties every cell of every row from column `first` on; the columns before it stay.
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
