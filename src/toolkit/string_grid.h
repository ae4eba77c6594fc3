// TStringGrid: a table of text cells shown as a grid, drawn cell by cell by OnDrawCell.
// The grid owns its behaviour: the current cell, scrolling, which cell a point is in, the
// keyboard, and whether its context menu may open. A peer only paints and passes input on.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "core/text_table.h"
#include "toolkit/canvas.h"
#include "toolkit/control.h"

namespace kestrane {

class TPopupMenu;

struct GridDrawState {
  bool selected = false, focused = false, fixed = false;
};

struct GridCell {
  int col = 0, row = 0;
  friend bool operator==(GridCell a, GridCell b) { return a.col == b.col && a.row == b.row; }
};

enum class MouseButton { Left, Right, Middle };

// Virtual-key codes the grid and the forms act on.
namespace keys {
inline constexpr int kPrior = 0x21, kNext = 0x22, kEnd = 0x23, kHome = 0x24;
inline constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
}  // namespace keys

class TStringGrid : public TControl {
 public:
  TStringGrid(std::string name, Rect bounds, int colCount, int defaultColWidth, int rowHeight);
  void Accept(ControlVisitor& visitor) override { visitor.Visit(*this); }

  TextTable& Table() { return table_; }
  const TextTable& Table() const { return table_; }
  const std::string& Cell(int col, int row) const { return table_.Cell(col, row); }
  void SetCell(int col, int row, std::string text) { table_.SetCell(col, row, std::move(text)); }
  int RowCount() const { return table_.RowCount(); }
  void SetRowCount(int count) { table_.SetRowCount(count); }

  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  int ColWidth(int col) const { return colWidths_[col]; }  // -1: hidden
  void SetColWidth(int col, int width);
  int RowHeight() const { return rowHeight_; }
  int RowPitch() const { return rowHeight_ + 1; }  // a row and the grid line under it

  // The current cell: the row is selected as a whole, the column takes the focus rectangle.
  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetRow(int row);
  void SetCol(int col);

  // Scrolling, in rows down and logical pixels across, and the visible area in logical pixels.
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int LeftOffset() const { return left_; }
  void SetLeftOffset(int pixels);
  void SetViewport(int width, int height);
  int ViewportWidth() const { return viewWidth_; }
  int ViewportHeight() const { return viewHeight_; }
  int VisibleRows() const;   // whole rows that fit, at least one
  int TotalWidth() const;    // every shown column with its grid line
  int MaxTopRow() const;
  int MaxLeftOffset() const;
  void ScrollIntoView(int row);

  // A cell's rectangle in the visible area (scrolling taken into account).
  Rect CellRect(int col, int row) const;
  // The cell under a point of the visible area; nothing below the last row or right of the last column.
  std::optional<GridCell> CellAt(int x, int y) const;

  // Input, as the peer passes it on. A left press takes the focus and selects the cell under the
  // pointer (below the last row the current row stays); OnMouseDown follows for every button.
  void MouseDown(MouseButton button, int x, int y);
  // Arrow keys, Page Up/Down, Home and End move the current cell. True when the key was used.
  bool KeyDown(int key);
  // Asked before the context menu opens (right button released, menu key, Shift+F10): true when
  // it may open, that is there is a menu and OnContextPopup did not set `handled`.
  bool ContextPopup();

  // Paints the cells of the visible rows through OnDrawCell.
  void PaintVisible(Canvas& canvas);
  void Invalidate();

  std::function<void(int col, int row, const Rect& rect, GridDrawState state, Canvas& canvas)> OnDrawCell;
  std::function<void(MouseButton button, int x, int y)> OnMouseDown;
  TPopupMenu* PopupMenu = nullptr;
  std::function<void(bool& handled)> OnContextPopup;

 private:
  int ShownColumnAfter(int col, int step) const;  // the next shown column in that direction
  void Moved();

  TextTable table_;
  std::vector<int> colWidths_;
  int rowHeight_;
  int row_ = 0;
  int col_ = 0;
  int topRow_ = 0;
  int left_ = 0;
  int viewWidth_ = 0, viewHeight_ = 0;
};

}  // namespace kestrane
