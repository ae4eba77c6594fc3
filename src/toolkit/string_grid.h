// TStringGrid: the server table shown as a grid of text cells, drawn cell by cell by OnDrawCell.
#pragma once

#include <functional>
#include <vector>

#include "core/server_table.h"
#include "toolkit/canvas.h"
#include "toolkit/control.h"

namespace kestrane {

struct GridDrawState {
  bool selected = false, focused = false, fixed = false;
};

class TStringGrid : public TControl {
 public:
  TStringGrid(std::string name, Rect bounds, int colCount, int defaultColWidth, int rowHeight);

  ServerTable& Table() { return table_; }
  const ServerTable& Table() const { return table_; }
  const std::string& Cell(int col, int row) const { return table_.Cell(col, row); }
  void SetCell(int col, int row, std::string text);
  int RowCount() const { return table_.RowCount(); }
  void SetRowCount(int count);
  void ClearFromColumn(int first);

  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  int ColWidth(int col) const { return colWidths_[col]; }  // -1: hidden
  void SetColWidth(int col, int width);
  int RowHeight() const { return rowHeight_; }

  int Row() const { return row_; }  // the current row
  void SetRow(int row);

  // Cell rectangles in the grid's own pixels, with one pixel of grid line after each cell.
  Rect CellRect(int col, int row, int firstVisibleRow = 0) const;
  // Paints the cells of rows [firstRow, lastRow] through OnDrawCell.
  void PaintRows(Canvas& canvas, int firstRow, int lastRow, int firstVisibleRow = 0);
  void Invalidate();

  std::function<void(int col, int row, const Rect& rect, GridDrawState state, Canvas& canvas)> OnDrawCell;
  // The context menu, and the question asked before it opens (set `handled` to keep it shut).
  class TPopupMenu* PopupMenu = nullptr;
  std::function<void(bool& handled)> OnContextPopup;

 private:
  ServerTable table_;
  std::vector<int> colWidths_;
  int rowHeight_;
  int row_ = 0;
};

}  // namespace kestrane
