#include "toolkit/win32/dispatcher_window.h"

namespace kestrane::win32 {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kResumeTimer = 1;

}  // namespace

DispatcherWindow::DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher) : dispatcher_(std::move(dispatcher)) {
  CreateCustom(WindowClass{L"KestraneDispatcher"}, WindowPlace{0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE});
  HWND hwnd = Handle();
  dispatcher_->SetWake([hwnd] { ::PostMessageW(hwnd, kWakeMessage, 0, 0); });
}

DispatcherWindow::~DispatcherWindow() { dispatcher_->SetWake(nullptr); }

void DispatcherWindow::Wake() {
  const auto now = std::chrono::steady_clock::now();
  if (now - busySince_ >= kDispatchSlice) {
    // WM_TIMER is the lowest of all: input and paint waiting now come first. Until it fires the
    // dispatcher's wake stays outstanding, so the worker adds no posted message meanwhile.
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT)) != 0 &&
        ::SetTimer(Handle(), kResumeTimer, USER_TIMER_MINIMUM, nullptr) != 0) {
      return;
    }
    busySince_ = now;
  }
  dispatcher_->RunPending();
}

LRESULT DispatcherWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kWakeMessage) {
    Wake();
    return 0;
  }
  if (msg == WM_TIMER && wp == kResumeTimer) {
    ::KillTimer(Handle(), kResumeTimer);
    busySince_ = std::chrono::steady_clock::now();
    dispatcher_->RunPending();
    return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
