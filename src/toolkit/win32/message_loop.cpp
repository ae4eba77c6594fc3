#include "toolkit/win32/message_loop.h"

namespace kestrane::win32 {

bool DialogKeyboard(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND active = ::GetActiveWindow();
  return active && ::IsDialogMessageW(active, &msg);
}

int RunMessageLoop() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (DialogKeyboard(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kestrane::win32
