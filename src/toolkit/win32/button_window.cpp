#include "toolkit/win32/button_window.h"

#include <commctrl.h>

#include "toolkit/win32/bitmaps.h"

namespace kestrane::win32 {

bool ButtonWindow::OnMessageReflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return false;
  button_.Click();
  result = 0;
  return true;
}

PushButtonWindow::PushButtonWindow(TButton& button, HWND parent, int id, const FrameLook& look)
    : ButtonWindow(button, look) {
  Create(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, parent, id);
  LookChanged();
}

void PushButtonWindow::LookChanged() {
  HIMAGELIST images = Look().ButtonImages(button_.Picture());
  if (!images) return;
  BUTTON_IMAGELIST list{images, RECT{Look().Scale(4), 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
  ::SendMessageW(Handle(), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
}

LRESULT PushButtonWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // A focused push button is the default one: Enter presses it, and it looks it.
  if (msg == WM_SETFOCUS) ::SendMessageW(Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  if (msg == WM_KILLFOCUS) ::SendMessageW(Handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  return ButtonWindow::WndProc(msg, wp, lp);
}

FlatButtonWindow::FlatButtonWindow(TButton& button, HWND parent, int id, const FrameLook& look)
    : ButtonWindow(button, look) {
  Create(L"BUTTON", WS_TABSTOP | BS_OWNERDRAW, 0, parent, id);
}

bool FlatButtonWindow::OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_DRAWITEM) return ButtonWindow::OnMessageReflect(msg, wp, lp, result);
  Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
  result = TRUE;
  return true;
}

void FlatButtonWindow::Draw(const DRAWITEMSTRUCT& item) const {
  RECT rc = item.rcItem;
  ::FillRect(item.hDC, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
  const bool pressed = item.itemState & ODS_SELECTED;
  if (pressed) ::DrawEdge(item.hDC, &rc, BDR_SUNKENOUTER, BF_RECT);
  const PictureState state = (item.itemState & ODS_DISABLED) ? PictureState::Disabled
                             : pressed                        ? PictureState::Pressed
                                                              : PictureState::Normal;
  if (HBITMAP picture = Look().StateBitmap(button_.Picture(), state)) {
    // The picture at its own size, which is its size at the look's DPI, centred.
    const SIZE size = BitmapSize(picture);
    const int x = (rc.left + rc.right - size.cx) / 2 + (pressed ? 1 : 0);
    const int y = (rc.top + rc.bottom - size.cy) / 2 + (pressed ? 1 : 0);
    DrawAlphaBitmap(item.hDC, x, y, size.cx, size.cy, picture);
  }
  if (item.itemState & ODS_FOCUS) {
    RECT focus = rc;
    ::InflateRect(&focus, -2, -2);
    ::DrawFocusRect(item.hDC, &focus);
  }
}

}  // namespace kestrane::win32
