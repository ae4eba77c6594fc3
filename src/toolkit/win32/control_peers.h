// Makes the peer of a control's own kind.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <memory>

#include "toolkit/win32/control_window.h"

namespace kestrane::win32 {

// The peer of `control` as a child of `parent`; null for a panel, which only places its children.
std::unique_ptr<ControlWindow> MakeControlPeer(TControl& control, HWND parent, int id, const FrameLook& look);

}  // namespace kestrane::win32
