// The grid's own window class: paints only the visible rows through the grid's cell drawing,
// double buffered, with scroll bars; mouse, keys and the context menu go to the portable grid.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "toolkit/string_grid.h"

namespace kestrane::win32 {

struct GridLook {
  HFONT font = nullptr;
  int dpi = 96;
  const std::vector<UniqueBitmap>* pictures = nullptr;  // the image set, premultiplied
};

class GridWindow : public Window, public ControlPeer {
 public:
  GridWindow(TStringGrid& grid, HWND parent, int id, std::function<GridLook()> look);
  ~GridWindow() override;

  void StateChanged() override;
  void Focus() override;
  void Invalidate() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  int Dpi() const { return look_().dpi; }
  int S(int v) const { return MulDiv(v, Dpi(), 96); }
  int L(int v) const { return MulDiv(v, 96, Dpi()); }  // device to logical
  void UpdateViewport();
  void UpdateScrollBars();
  void Paint(HDC target);
  void Scroll(int bar, int code);
  void MouseDown(MouseButton button, LPARAM lp);

  TStringGrid& grid_;
  std::function<GridLook()> look_;
};

}  // namespace kestrane::win32
