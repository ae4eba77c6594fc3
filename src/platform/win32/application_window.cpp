#include "platform/win32/application_window.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

ApplicationWindow::ApplicationWindow(TApplication& application) : application_(application) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardingProc<ApplicationWindow>;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  wc.lpszClassName = L"TApplication";
  ::RegisterClassW(&wc);
  int x = ::GetSystemMetrics(SM_CXSCREEN) / 2, y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  ::CreateWindowExW(0, L"TApplication", Widen(application_.Title()).c_str(),
                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, x, y, 0, 0, nullptr, nullptr,
                    wc.hInstance, this);
  application_.AttachPeer(this);
}

ApplicationWindow::~ApplicationWindow() {
  application_.AttachPeer(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void ApplicationWindow::Minimize() {
  if (main_) ::ShowWindow(main_, SW_HIDE);
  if (application_.TaskbarButtonVisible()) ::ShowWindow(hwnd_, SW_MINIMIZE);
}

void ApplicationWindow::Restore() {
  // Out of the minimised state also while the taskbar button is hidden (the window has no size).
  if (::IsIconic(hwnd_)) {
    ::ShowWindow(hwnd_, SW_RESTORE);
    if (!application_.TaskbarButtonVisible()) ::ShowWindow(hwnd_, SW_HIDE);
  }
  TForm* form = application_.MainForm();
  if (main_ && form && form->Visible()) {
    ::ShowWindow(main_, SW_SHOW);
    ::SetForegroundWindow(main_);
  }
}

void ApplicationWindow::TaskbarButtonChanged() {
  if (!application_.TaskbarButtonVisible()) {
    ::ShowWindow(hwnd_, SW_HIDE);
  } else if (application_.Minimized()) {
    ::ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
  } else {
    ::ShowWindow(hwnd_, ::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOWNA);
  }
}

void ApplicationWindow::BringToFront() {
  HWND target = main_ && ::IsWindowVisible(main_) ? main_ : hwnd_;
  ::SetForegroundWindow(target);
}

void ApplicationWindow::Terminate() { ::PostQuitMessage(0); }

LRESULT ApplicationWindow::OnMessage(HWND, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_MINIMIZE: application_.Minimize(); return 0;
        case SC_RESTORE: application_.Restore(); return 0;
        case SC_CLOSE:
          if (main_) ::PostMessageW(main_, WM_CLOSE, 0, 0);  // the exit question is the main window's
          return 0;
      }
      break;
    case WM_ACTIVATE:
      // Activation belongs to the main window; this one has no face of its own.
      if (LOWORD(wp) != WA_INACTIVE && main_ && ::IsWindowVisible(main_) && ::IsWindowEnabled(main_)) {
        ::SetActiveWindow(main_);
      }
      return 0;
    case WM_CLOSE:
      if (main_) ::PostMessageW(main_, WM_CLOSE, 0, 0);
      return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace kestrane::win32
