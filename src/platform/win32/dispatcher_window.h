// Runs the dispatcher's queue on the window thread: a message-only window woken by
// PostMessageW (thread messages would be lost in modal loops).
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <memory>

#include "core/dispatcher.h"
#include "platform/win32/window.h"

namespace kestrane::win32 {

class DispatcherWindow : public Window {
 public:
  explicit DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher);
  ~DispatcherWindow() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  std::shared_ptr<QueueDispatcher> dispatcher_;
};

}  // namespace kestrane::win32
