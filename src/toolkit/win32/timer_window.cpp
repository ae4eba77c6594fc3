#include "toolkit/win32/timer_window.h"

#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

constexpr UINT_PTR kTimerId = 1;

}  // namespace

TimerWindow::TimerWindow(TTimer& timer) : timer_(timer) {
  CreateCustom(WindowClass{L"KestraneTimer"}, WindowPlace{0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE});
  Restart();
  timer_.AttachPeer(this);
}

TimerWindow::~TimerWindow() {
  timer_.AttachPeer(nullptr);
  ::KillTimer(Handle(), kTimerId);
}

void TimerWindow::Restart() {
  ::KillTimer(Handle(), kTimerId);
  if (!timer_.Enabled() || timer_.Interval() == 0) return;
  if (!::SetTimer(Handle(), kTimerId, timer_.Interval(), nullptr)) {
    throw std::runtime_error("Cannot start the timer. " + SystemErrorText(::GetLastError()));
  }
}

LRESULT TimerWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTimerId) {
    timer_.Tick();
    return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
