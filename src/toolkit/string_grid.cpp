#include "toolkit/string_grid.h"

namespace kestrane {

TStringGrid::TStringGrid(std::string name, Rect bounds, int colCount, int defaultColWidth, int rowHeight)
    : TControl(std::move(name), bounds), colWidths_(colCount, defaultColWidth), rowHeight_(rowHeight) {}

void TStringGrid::SetCell(int col, int row, std::string text) {
  table_.SetCell(col, row, std::move(text));
  if (peer_ && col < ColCount()) peer_->Invalidate();
}

void TStringGrid::SetRowCount(int count) {
  table_.SetRowCount(count);
  if (row_ >= table_.RowCount()) row_ = table_.RowCount() - 1;
  if (peer_) peer_->StateChanged();
}

void TStringGrid::ClearFromColumn(int first) {
  table_.ClearFromColumn(first);
  if (peer_) peer_->Invalidate();
}

void TStringGrid::SetColWidth(int col, int width) {
  colWidths_[col] = width;
  if (peer_) peer_->StateChanged();
}

void TStringGrid::SetRow(int row) {
  if (row < 0 || row >= RowCount() || row == row_) return;
  row_ = row;
  if (peer_) peer_->StateChanged();
}

Rect TStringGrid::CellRect(int col, int row, int firstVisibleRow) const {
  int x = 0;
  for (int c = 0; c < col; ++c) {
    if (colWidths_[c] >= 0) x += colWidths_[c] + 1;
  }
  int width = colWidths_[col] < 0 ? 0 : colWidths_[col];
  return Rect{x, (row - firstVisibleRow) * (rowHeight_ + 1), width, rowHeight_};
}

void TStringGrid::PaintRows(Canvas& canvas, int firstRow, int lastRow, int firstVisibleRow) {
  if (!OnDrawCell) return;
  if (lastRow >= RowCount()) lastRow = RowCount() - 1;
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int col = 0; col < ColCount(); ++col) {
      if (colWidths_[col] < 0) continue;
      GridDrawState state;
      state.selected = row == row_;
      state.focused = row == row_ && Focused();
      OnDrawCell(col, row, CellRect(col, row, firstVisibleRow), state, canvas);
    }
  }
}

void TStringGrid::Invalidate() {
  if (peer_) peer_->Invalidate();
}

}  // namespace kestrane
