// The window thread's message loop, with the dialog keyboard (Tab, Enter, Esc) in every window.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

namespace kestrane::win32 {

// Runs the thread's message loop until WM_QUIT.
int RunMessageLoop();
// The dialog keyboard for one message: true when the message was handled.
bool DialogKeyboard(MSG& msg);

}  // namespace kestrane::win32
