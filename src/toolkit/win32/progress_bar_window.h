// The peer of a TProgressBar: the system's progress bar with the control's range and position.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include "toolkit/win32/control_window.h"

namespace kestrane::win32 {

class ProgressBarWindow : public ControlWindow {
 public:
  ProgressBarWindow(TProgressBar& bar, HWND parent, int id, const FrameLook& look);
  void StateChanged() override;

 private:
  TProgressBar& bar_;
};

}  // namespace kestrane::win32
