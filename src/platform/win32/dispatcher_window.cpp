#include "platform/win32/dispatcher_window.h"

namespace kestrane::win32 {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr wchar_t kDispatcherClass[] = L"KestraneDispatcher";

}  // namespace

DispatcherWindow::DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher) : dispatcher_(std::move(dispatcher)) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardingProc<DispatcherWindow>;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kDispatcherClass;
  ::RegisterClassW(&wc);
  ::CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
  HWND hwnd = hwnd_;
  dispatcher_->SetWake([hwnd] { ::PostMessageW(hwnd, kWakeMessage, 0, 0); });
}

DispatcherWindow::~DispatcherWindow() {
  dispatcher_->SetWake(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT DispatcherWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kWakeMessage) {
    dispatcher_->RunPending();
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace kestrane::win32
