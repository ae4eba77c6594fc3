// The main window's native frame: TForm1 with its pictures, menus, timer and exit question.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <memory>

#include "forms/unit1.h"
#include "platform/win32/form_frame.h"

namespace kestrane::win32 {

// `application` may be null (tests): the window is then not the program's main window.
std::unique_ptr<FormFrame> MakeMainFrame(TForm1& form, TApplication* application, HWND owner);

}  // namespace kestrane::win32
