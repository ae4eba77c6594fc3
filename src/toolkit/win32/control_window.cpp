#include "toolkit/win32/control_window.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

std::string WindowTextOf(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return Narrow(text);
}

void ControlWindow::Create(const wchar_t* systemClass, DWORD style, DWORD exStyle, HWND parent, int id) {
  const std::wstring text = Widen(control_.Text());
  CreateControl(systemClass, WindowPlace{exStyle, WS_CHILD | (control_.Visible() ? WS_VISIBLE : 0u) | style,
                                         text.c_str(), 0, 0, 10, 10, parent, id});
  control_.AttachPeer(this);
  StateChanged();
}

ControlWindow::~ControlWindow() {
  if (control_.Peer() == this) control_.AttachPeer(nullptr);
}

void ControlWindow::SetPlace(int x, int y, int width, int height, HFONT font) {
  ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ControlWindow::Place(const Placement&) {
  const Rect r = control_.WindowBounds();
  SetPlace(look_.Scale(r.left), look_.Scale(r.top), look_.Scale(r.width), look_.Scale(r.height), look_.Font());
}

void ControlWindow::TextChanged() {
  if (Handle()) ::SetWindowTextW(Handle(), Widen(control_.Text()).c_str());
}

void ControlWindow::StateChanged() {
  if (!Handle()) return;
  const HWND parent = ::GetParent(Handle());
  const bool usable = control_.Enabled() && control_.Visible();
  // A control that goes while it has the focus hands it on, so the keyboard is never stranded.
  if (!usable && ::GetFocus() == Handle()) {
    HWND next = ::GetNextDlgTabItem(parent, Handle(), FALSE);
    ::SetFocus(next && next != Handle() && ::IsWindowEnabled(next) ? next : parent);
  }
  ::EnableWindow(Handle(), control_.Enabled());
  ::ShowWindow(Handle(), control_.Visible() ? SW_SHOWNA : SW_HIDE);
  // A window left with the focus on itself gives it to the first control that can take it again.
  if (usable && ::GetFocus() == parent && ::GetActiveWindow() == parent &&
      (::GetWindowLongW(Handle(), GWL_STYLE) & WS_TABSTOP)) {
    ::SetFocus(::GetNextDlgTabItem(parent, nullptr, FALSE));
  }
}

void ControlWindow::Focus() {
  if (Handle()) ::SetFocus(Handle());
}

void ControlWindow::Invalidate() {
  if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT ControlWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFOCUS: control_.FocusedByUser(); break;
    case WM_KILLFOCUS: control_.FocusLost(); break;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
