#include "toolkit/win32/application_window.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

ApplicationWindow::ApplicationWindow(TApplication& application) : application_(application) {
  WindowClass windowClass{L"TApplication"};
  windowClass.icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  const std::wstring title = Widen(application_.Title());
  CreateCustom(windowClass, WindowPlace{0, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE,
                                        title.c_str(), ::GetSystemMetrics(SM_CXSCREEN) / 2,
                                        ::GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0});
  application_.AttachPeer(this);
}

ApplicationWindow::~ApplicationWindow() { application_.AttachPeer(nullptr); }

void ApplicationWindow::Minimize() {
  if (main_) ::ShowWindow(main_, SW_HIDE);
  if (application_.TaskbarButtonVisible()) ::ShowWindow(Handle(), SW_MINIMIZE);
}

void ApplicationWindow::Restore() {
  // Out of the minimised state also while the taskbar button is hidden (the window has no size).
  if (::IsIconic(Handle())) {
    ::ShowWindow(Handle(), SW_RESTORE);
    if (!application_.TaskbarButtonVisible()) ::ShowWindow(Handle(), SW_HIDE);
  }
  TForm* form = application_.MainForm();
  if (main_ && form && form->Visible()) {
    ::ShowWindow(main_, SW_SHOW);
    ::SetForegroundWindow(main_);
  }
}

void ApplicationWindow::TaskbarButtonChanged() {
  if (!application_.TaskbarButtonVisible()) {
    ::ShowWindow(Handle(), SW_HIDE);
  } else if (application_.Minimized()) {
    ::ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
  } else {
    ::ShowWindow(Handle(), ::IsIconic(Handle()) ? SW_RESTORE : SW_SHOWNA);
  }
}

void ApplicationWindow::BringToFront() {
  HWND target = main_ && ::IsWindowVisible(main_) ? main_ : Handle();
  ::SetForegroundWindow(target);
}

void ApplicationWindow::Terminate() { ::PostQuitMessage(0); }

LRESULT ApplicationWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
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
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
