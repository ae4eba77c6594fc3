// The window font: "MS Sans Serif", 8 points, with Cyrillic on any system code page.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace kestrane::win32 {

// "MS Sans Serif" at the height -11 scaled to the DPI. Where that face has no Cyrillic (the
// bitmap font of a Western code page), the font mapper would substitute any face with it, often
// a much wider one; "MS Shell Dlg" (Microsoft Sans Serif, Tahoma) keeps the layout's metrics.
UniqueFont MakeWindowFont(int dpi, bool bold = false);

}  // namespace kestrane::win32
