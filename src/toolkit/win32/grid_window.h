// The grid's own window class: paints only the visible rows through the grid's cell drawing,
// double buffered, with scroll bars; mouse, keys and the context menu go to the portable grid.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "toolkit/win32/control_window.h"
#include "toolkit/string_grid.h"

namespace kestrane::win32 {

class GridWindow : public ControlWindow {
 public:
  GridWindow(TStringGrid& grid, HWND parent, int id, const FrameLook& look);

  void StateChanged() override;
  void LookChanged() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  int Dpi() const { return Look().Dpi(); }
  int S(int v) const { return MulDiv(v, Dpi(), 96); }
  int L(int v) const { return MulDiv(v, 96, Dpi()); }  // device to logical
  void UpdateViewport();
  void UpdateScrollBars();
  void Paint(HDC target);
  void Scroll(int bar, int code);
  void MouseDown(MouseButton button, LPARAM lp);

  TStringGrid& grid_;
};

}  // namespace kestrane::win32
