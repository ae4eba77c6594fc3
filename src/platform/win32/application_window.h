// The application's own window: invisible (no size), it carries the taskbar button with the
// application title and owns the main window, so minimising the application hides the main
// window and a click on the button brings it back. The peer of TApplication.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "platform/win32/window_proc.h"
#include "toolkit/application.h"

namespace kestrane::win32 {

class ApplicationWindow : public ApplicationPeer {
 public:
  explicit ApplicationWindow(TApplication& application);
  ~ApplicationWindow() override;
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;
  HWND Handle() const { return hwnd_; }
  // The main form's window, which this one owns and hides or shows with the application.
  void SetMainWindow(HWND main) { main_ = main; }

  void Minimize() override;
  void Restore() override;
  void TaskbarButtonChanged() override;
  void BringToFront() override;
  void Terminate() override;

 private:
  template <typename T>
  friend LRESULT CALLBACK ForwardingProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
  TApplication& application_;
  HWND hwnd_ = nullptr;
  HWND main_ = nullptr;
};

}  // namespace kestrane::win32
