#include "core/text_table.h"

#include <stdexcept>

namespace kestrane {
namespace {
const std::string kEmpty;
}

void TextTable::SetRowCount(int count) {
  rows_.resize(count < 1 ? 1 : static_cast<std::size_t>(count));
  Changed(-1, -1);
}

const std::string& TextTable::Cell(int col, int row) const {
  if (row < 0 || row >= RowCount() || col < 0) return kEmpty;
  const auto& cells = rows_[row];
  return static_cast<std::size_t>(col) < cells.size() ? cells[col] : kEmpty;
}

void TextTable::SetCell(int col, int row, std::string text) {
  if (row < 0 || row >= RowCount() || col < 0) {
    throw std::out_of_range("Grid index out of range");
  }
  auto& cells = rows_[row];
  if (static_cast<std::size_t>(col) >= cells.size()) {
    if (text.empty()) return;
    cells.resize(col + 1);
  }
  cells[col] = std::move(text);
  Changed(col, row);
}

int TextTable::CellCount(int row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return static_cast<int>(rows_[row].size());
}

std::vector<std::string> TextTable::RowCells(int row) const {
  if (row < 0 || row >= RowCount()) return {};
  std::vector<std::string> cells = rows_[row];
  while (!cells.empty() && cells.back().empty()) cells.pop_back();
  return cells;
}

void TextTable::ClearFromColumn(int first) {
  for (auto& cells : rows_) {
    if (cells.size() > static_cast<std::size_t>(first)) cells.resize(first);
  }
  Changed(-1, -1);
}

}  // namespace kestrane
