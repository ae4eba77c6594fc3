#include "toolkit/string_grid.h"

#include <algorithm>

namespace kestrane {

TStringGrid::TStringGrid(std::string name, Rect bounds, int colCount, int defaultColWidth, int rowHeight)
    : TControl(std::move(name), bounds), colWidths_(colCount, defaultColWidth), rowHeight_(rowHeight) {
  // Every change of the table repaints; a change of its rows also keeps the current row inside.
  table_.OnChange = [this](int col, int) {
    if (col < 0) {
      if (row_ >= RowCount()) row_ = RowCount() - 1;
      topRow_ = std::clamp(topRow_, 0, MaxTopRow());
      if (peer_) peer_->StateChanged();
    } else if (col < ColCount() && peer_) {
      peer_->Invalidate();
    }
  };
}

void TStringGrid::SetColWidth(int col, int width) {
  colWidths_[col] = width;
  if (col == col_ && width < 0) col_ = ShownColumnAfter(col_, 1);
  if (peer_) peer_->StateChanged();
}

void TStringGrid::SetRow(int row) {
  if (row < 0 || row >= RowCount() || row == row_) return;
  row_ = row;
  Moved();
}

void TStringGrid::SetCol(int col) {
  if (col < 0 || col >= ColCount() || colWidths_[col] < 0 || col == col_) return;
  col_ = col;
  Moved();
}

void TStringGrid::Moved() {
  ScrollIntoView(row_);
  if (peer_) peer_->StateChanged();
}

int TStringGrid::ShownColumnAfter(int col, int step) const {
  for (int c = col + step; c >= 0 && c < ColCount(); c += step) {
    if (colWidths_[c] >= 0) return c;
  }
  return col;
}

void TStringGrid::SetTopRow(int row) {
  row = std::clamp(row, 0, MaxTopRow());
  if (row == topRow_) return;
  topRow_ = row;
  if (peer_) peer_->StateChanged();
}

void TStringGrid::SetLeftOffset(int pixels) {
  pixels = std::clamp(pixels, 0, MaxLeftOffset());
  if (pixels == left_) return;
  left_ = pixels;
  if (peer_) peer_->StateChanged();
}

void TStringGrid::SetViewport(int width, int height) {
  viewWidth_ = width;
  viewHeight_ = height;
  topRow_ = std::clamp(topRow_, 0, MaxTopRow());
  left_ = std::clamp(left_, 0, MaxLeftOffset());
}

int TStringGrid::VisibleRows() const { return std::max(1, viewHeight_ / RowPitch()); }

int TStringGrid::TotalWidth() const {
  int w = 0;
  for (int width : colWidths_) w += width < 0 ? 0 : width + 1;
  return w;
}

int TStringGrid::MaxTopRow() const { return std::max(0, RowCount() - VisibleRows()); }

int TStringGrid::MaxLeftOffset() const { return std::max(0, TotalWidth() - viewWidth_); }

void TStringGrid::ScrollIntoView(int row) {
  if (row < topRow_) {
    topRow_ = row;
  } else if (row >= topRow_ + VisibleRows()) {
    topRow_ = row - VisibleRows() + 1;
  }
  topRow_ = std::clamp(topRow_, 0, MaxTopRow());
}

Rect TStringGrid::CellRect(int col, int row) const {
  int x = 0;
  for (int c = 0; c < col; ++c) {
    if (colWidths_[c] >= 0) x += colWidths_[c] + 1;
  }
  int width = colWidths_[col] < 0 ? 0 : colWidths_[col];
  return Rect{x - left_, (row - topRow_) * RowPitch(), width, rowHeight_};
}

std::optional<GridCell> TStringGrid::CellAt(int x, int y) const {
  if (x < 0 || y < 0) return std::nullopt;
  int row = topRow_ + y / RowPitch();
  if (row >= RowCount()) return std::nullopt;
  int left = -left_;
  for (int c = 0; c < ColCount(); ++c) {
    if (colWidths_[c] < 0) continue;
    if (x < left + colWidths_[c] + 1) return GridCell{c, row};
    left += colWidths_[c] + 1;
  }
  return std::nullopt;
}

void TStringGrid::MouseDown(MouseButton button, int x, int y) {
  if (button == MouseButton::Left) {
    SetFocus();
    if (std::optional<GridCell> cell = CellAt(x, y)) {
      row_ = cell->row;
      col_ = cell->col;
      Moved();
    } else if (peer_) {
      peer_->StateChanged();  // the focus moved here: the focus rectangle shows
    }
  }
  if (OnMouseDown) OnMouseDown(button, x, y);
}

bool TStringGrid::KeyDown(int key) {
  switch (key) {
    case keys::kUp: SetRow(std::max(0, row_ - 1)); return true;
    case keys::kDown: SetRow(std::min(RowCount() - 1, row_ + 1)); return true;
    case keys::kPrior: SetRow(std::max(0, row_ - VisibleRows())); return true;
    case keys::kNext: SetRow(std::min(RowCount() - 1, row_ + VisibleRows())); return true;
    case keys::kHome: SetRow(0); return true;
    case keys::kEnd: SetRow(RowCount() - 1); return true;
    case keys::kLeft: SetCol(ShownColumnAfter(col_, -1)); return true;
    case keys::kRight: SetCol(ShownColumnAfter(col_, 1)); return true;
  }
  return false;
}

bool TStringGrid::ContextPopup() {
  if (!PopupMenu) return false;
  bool handled = false;
  if (OnContextPopup) OnContextPopup(handled);
  return !handled;
}

void TStringGrid::PaintVisible(Canvas& canvas) {
  if (!OnDrawCell) return;
  int last = std::min(RowCount() - 1, topRow_ + VisibleRows());  // a part row shows at the bottom
  for (int row = topRow_; row <= last; ++row) {
    for (int col = 0; col < ColCount(); ++col) {
      if (colWidths_[col] < 0) continue;
      GridDrawState state;
      state.selected = row == row_;
      state.focused = row == row_ && col == col_ && Focused();
      OnDrawCell(col, row, CellRect(col, row), state, canvas);
    }
  }
}

void TStringGrid::Invalidate() {
  if (peer_) peer_->Invalidate();
}

}  // namespace kestrane
