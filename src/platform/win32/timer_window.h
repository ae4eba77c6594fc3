// A TTimer's countdown as a Windows timer of a window.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "toolkit/components.h"

namespace kestrane::win32 {

class TimerWindow : public TimerPeer {
 public:
  // The window receives WM_TIMER with `id` and passes it to Tick().
  TimerWindow(TTimer& timer, HWND hwnd, UINT_PTR id);
  ~TimerWindow() override;
  void Restart() override;
  UINT_PTR Id() const { return id_; }
  void Tick() { timer_.Tick(); }

 private:
  TTimer& timer_;
  HWND hwnd_;
  UINT_PTR id_;
};

}  // namespace kestrane::win32
