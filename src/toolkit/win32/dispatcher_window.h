// Runs the dispatcher's queue on the window thread: a message-only window woken by
// PostMessageW (thread messages would be lost in modal loops). Posted messages are taken before
// input and paint, so after a slice of dispatching a wake that finds input or paint waiting is
// answered by a timer instead, which comes after them.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <chrono>
#include <memory>

#include "core/dispatcher.h"
#include "toolkit/win32/window.h"

namespace kestrane::win32 {

class DispatcherWindow : public Window {
 public:
  explicit DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher);
  ~DispatcherWindow() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void Wake();
  std::shared_ptr<QueueDispatcher> dispatcher_;
  std::chrono::steady_clock::time_point busySince_;  // when input and paint last had their turn
};

}  // namespace kestrane::win32
