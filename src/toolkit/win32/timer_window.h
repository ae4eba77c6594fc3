// A TTimer's countdown as a Windows timer of a message-only window of its own.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "toolkit/win32/window.h"
#include "toolkit/components.h"

namespace kestrane::win32 {

class TimerWindow : public Window, public TimerPeer {
 public:
  explicit TimerWindow(TTimer& timer);
  ~TimerWindow() override;
  void Restart() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  TTimer& timer_;
};

}  // namespace kestrane::win32
