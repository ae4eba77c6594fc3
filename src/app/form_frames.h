// The native frames of the program's two windows: which pictures, menus and timers each shows,
// and what its close asks. Both are wired here, beside the start-up that makes them.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <memory>

#include "forms/unit1.h"
#include "forms/unit2.h"
#include "toolkit/win32/form_frame.h"

namespace kestrane::win32 {

// `application` may be null (tests): the window is then not the program's main window.
std::unique_ptr<FormFrame> MakeMainFrame(TForm1& form, TApplication* application, HWND owner);
// The clean-up dialog, owned by the main window: it stays above it and goes with it.
std::unique_ptr<FormFrame> MakeCleanupFrame(TForm2& form, HWND owner);

}  // namespace kestrane::win32
