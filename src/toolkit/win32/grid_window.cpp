#include "toolkit/win32/grid_window.h"

#include <windowsx.h>

#include <algorithm>

#include "toolkit/win32/gdi_canvas.h"
#include "toolkit/popup_menu.h"

namespace kestrane::win32 {
GridWindow::GridWindow(TStringGrid& grid, HWND parent, int id, const FrameLook& look)
    : ControlWindow(grid, look), grid_(grid) {
  WindowClass windowClass{L"TStringGrid", CS_DBLCLKS};
  windowClass.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
  CreateCustom(windowClass, WindowPlace{WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL,
                                        L"", 0, 0, 10, 10, parent, id});
  grid_.AttachPeer(this);
}

void GridWindow::StateChanged() {
  if (!Handle()) return;
  UpdateScrollBars();
  ::InvalidateRect(Handle(), nullptr, FALSE);
}

void GridWindow::LookChanged() {
  if (!Handle()) return;
  UpdateViewport();
  StateChanged();
}

void GridWindow::UpdateViewport() {
  RECT rc;
  ::GetClientRect(Handle(), &rc);
  grid_.SetViewport(L(rc.right), L(rc.bottom));
}

void GridWindow::UpdateScrollBars() {
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, grid_.RowCount() - 1,
                static_cast<UINT>(grid_.VisibleRows()), grid_.TopRow(), 0};
  ::SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
  SCROLLINFO hi{sizeof hi, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, grid_.TotalWidth() - 1,
                static_cast<UINT>(grid_.ViewportWidth()), grid_.LeftOffset(), 0};
  ::SetScrollInfo(Handle(), SB_HORZ, &hi, TRUE);
}

void GridWindow::Paint(HDC target) {
  RECT rc;
  ::GetClientRect(Handle(), &rc);
  UniqueDc dc(::CreateCompatibleDC(target));
  UniqueBitmap bmp(::CreateCompatibleBitmap(target, std::max<LONG>(1, rc.right), std::max<LONG>(1, rc.bottom)));
  SelectedObject intoBitmap(dc.get(), bmp.get());
  if (!intoBitmap) return;  // out of GDI resources: the window stays as it was
  SelectedObject font(dc.get(), Look().Font());
  ::FillRect(dc.get(), &rc, ::GetSysColorBrush(COLOR_WINDOW));
  GdiCanvas canvas(dc.get(), Dpi(), Look().GridPictures());
  grid_.PaintVisible(canvas);
  // Grid lines after every shown cell, in the gap CellRect leaves.
  UniquePen pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNFACE)));
  SelectedObject withPen(dc.get(), pen.get());
  const int rows = std::min(grid_.RowCount() - grid_.TopRow(), grid_.VisibleRows() + 1);
  const int bottom = S(rows * grid_.RowPitch());
  int right = 0;
  for (int c = 0; c < grid_.ColCount(); ++c) {
    if (grid_.ColWidth(c) < 0) continue;
    Rect cell = grid_.CellRect(c, grid_.TopRow());
    right = S(cell.left + cell.width);
    ::MoveToEx(dc.get(), right, 0, nullptr);
    ::LineTo(dc.get(), right, bottom);
  }
  for (int r = 1; r <= rows; ++r) {
    int y = S(r * grid_.RowPitch()) - 1;
    ::MoveToEx(dc.get(), 0, y, nullptr);
    ::LineTo(dc.get(), right + 1, y);
  }
  ::BitBlt(target, 0, 0, rc.right, rc.bottom, dc.get(), 0, 0, SRCCOPY);
}

void GridWindow::Scroll(int bar, int code) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_TRACKPOS;
  ::GetScrollInfo(Handle(), bar, &si);
  if (bar == SB_VERT) {
    const int page = grid_.VisibleRows();
    int top = grid_.TopRow();
    switch (code) {
      case SB_LINEUP: --top; break;
      case SB_LINEDOWN: ++top; break;
      case SB_PAGEUP: top -= page; break;
      case SB_PAGEDOWN: top += page; break;
      case SB_TOP: top = 0; break;
      case SB_BOTTOM: top = grid_.MaxTopRow(); break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: top = si.nTrackPos; break;
    }
    grid_.SetTopRow(top);
  } else {
    int left = grid_.LeftOffset();
    switch (code) {
      case SB_LINELEFT: left -= 20; break;
      case SB_LINERIGHT: left += 20; break;
      case SB_PAGELEFT: left -= grid_.ViewportWidth(); break;
      case SB_PAGERIGHT: left += grid_.ViewportWidth(); break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: left = si.nTrackPos; break;
    }
    grid_.SetLeftOffset(left);
  }
}

void GridWindow::MouseDown(MouseButton button, LPARAM lp) {
  grid_.MouseDown(button, L(GET_X_LPARAM(lp)), L(GET_Y_LPARAM(lp)));
}

LRESULT GridWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PaintDc dc(Handle());
      if (dc) Paint(dc.get());
      return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wp)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      UpdateViewport();
      UpdateScrollBars();
      ::InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_VSCROLL: Scroll(SB_VERT, LOWORD(wp)); return 0;
    case WM_HSCROLL: Scroll(SB_HORZ, LOWORD(wp)); return 0;
    case WM_MOUSEWHEEL: {
      UINT lines = 3;
      ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      grid_.SetTopRow(grid_.TopRow() - GET_WHEEL_DELTA_WPARAM(wp) * static_cast<int>(lines) / WHEEL_DELTA);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: MouseDown(MouseButton::Left, lp); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: MouseDown(MouseButton::Right, lp); return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: MouseDown(MouseButton::Middle, lp); return 0;
    case WM_KEYDOWN:
      if (grid_.KeyDown(static_cast<int>(wp))) return 0;
      break;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_CONTEXTMENU: {
      if (!grid_.ContextPopup()) return 0;
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (pt.x == -1 && pt.y == -1) {  // from the keyboard: at the current row
        Rect cell = grid_.CellRect(grid_.Col(), grid_.Row());
        pt = POINT{S(cell.left + 10), S(cell.top + cell.height / 2)};
        ::ClientToScreen(Handle(), &pt);
      }
      grid_.PopupMenu->Popup(pt.x, pt.y);
      return 0;
    }
    case WM_SETFOCUS:
      grid_.FocusedByUser();
      ::InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      grid_.FocusLost();
      ::InvalidateRect(Handle(), nullptr, FALSE);
      return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
