#include "platform/win32/timer_window.h"

namespace kestrane::win32 {

TimerWindow::TimerWindow(TTimer& timer, HWND hwnd, UINT_PTR id) : timer_(timer), hwnd_(hwnd), id_(id) {
  timer_.AttachPeer(this);
  Restart();
}

TimerWindow::~TimerWindow() {
  timer_.AttachPeer(nullptr);
  ::KillTimer(hwnd_, id_);
}

void TimerWindow::Restart() {
  ::KillTimer(hwnd_, id_);
  if (timer_.Enabled() && timer_.Interval() > 0) ::SetTimer(hwnd_, id_, timer_.Interval(), nullptr);
}

}  // namespace kestrane::win32
