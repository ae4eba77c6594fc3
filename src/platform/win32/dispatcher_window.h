// Runs the dispatcher's queue on the window thread: a message-only window woken by
// PostMessageW (thread messages would be lost in modal loops).
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <memory>

#include "core/dispatcher.h"
#include "platform/win32/window_proc.h"

namespace kestrane::win32 {

class DispatcherWindow {
 public:
  explicit DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher);
  ~DispatcherWindow();
  DispatcherWindow(const DispatcherWindow&) = delete;
  DispatcherWindow& operator=(const DispatcherWindow&) = delete;

 private:
  template <typename T>
  friend LRESULT CALLBACK ForwardingProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
  std::shared_ptr<QueueDispatcher> dispatcher_;
  HWND hwnd_ = nullptr;
};

}  // namespace kestrane::win32
