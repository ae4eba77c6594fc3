// The application's own window: invisible (no size), it carries the taskbar button with the
// application title and owns the main window, so minimising the application hides the main
// window and a click on the button brings it back. The peer of TApplication.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "toolkit/win32/window.h"
#include "toolkit/application.h"

namespace kestrane::win32 {

class ApplicationWindow : public Window, public ApplicationPeer {
 public:
  explicit ApplicationWindow(TApplication& application);
  ~ApplicationWindow() override;
  // The main form's window, which this one owns and hides or shows with the application.
  void SetMainWindow(HWND main) { main_ = main; }

  void Minimize() override;
  void Restore() override;
  void TaskbarButtonChanged() override;
  void BringToFront() override;
  void Terminate() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  TApplication& application_;
  HWND main_ = nullptr;
};

}  // namespace kestrane::win32
