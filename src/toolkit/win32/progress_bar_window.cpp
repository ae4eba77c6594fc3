#include "toolkit/win32/progress_bar_window.h"

#include <commctrl.h>

namespace kestrane::win32 {

ProgressBarWindow::ProgressBarWindow(TProgressBar& bar, HWND parent, int id, const FrameLook& look)
    : ControlWindow(bar, look), bar_(bar) {
  Create(PROGRESS_CLASSW, 0, 0, parent, id);
}

void ProgressBarWindow::StateChanged() {
  ControlWindow::StateChanged();
  if (!Handle()) return;
  ::SendMessageW(Handle(), PBM_SETRANGE32, 0, bar_.Max());
  ::SendMessageW(Handle(), PBM_SETPOS, bar_.Position(), 0);
}

}  // namespace kestrane::win32
