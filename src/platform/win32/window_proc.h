// One window procedure for every window class of ours: it finds the C++ object through
// GWLP_USERDATA, set at WM_NCCREATE from lpCreateParams and cleared at WM_NCDESTROY.
// T provides `LRESULT OnMessage(HWND, UINT, WPARAM, LPARAM)` and `void AttachHandle(HWND)`.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

namespace kestrane::win32 {

template <typename T>
LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->AttachHandle(hwnd);
  }
  auto* self = reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT result = self->OnMessage(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->AttachHandle(nullptr);
  }
  return result;
}

}  // namespace kestrane::win32
