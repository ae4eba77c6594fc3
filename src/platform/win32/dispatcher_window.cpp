#include "platform/win32/dispatcher_window.h"

namespace kestrane::win32 {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;

}  // namespace

DispatcherWindow::DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher) : dispatcher_(std::move(dispatcher)) {
  CreateCustom(WindowClass{L"KestraneDispatcher"}, WindowPlace{0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE});
  HWND hwnd = Handle();
  dispatcher_->SetWake([hwnd] { ::PostMessageW(hwnd, kWakeMessage, 0, 0); });
}

DispatcherWindow::~DispatcherWindow() { dispatcher_->SetWake(nullptr); }

LRESULT DispatcherWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kWakeMessage) {
    dispatcher_->RunPending();
    return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
