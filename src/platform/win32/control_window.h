// The peer of a standard control (label, edit, list editor, combo box, button, progress bar):
// the system's control at the laid-out place, kept in step with the portable control.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "platform/win32/window.h"
#include "toolkit/control.h"

namespace kestrane::win32 {

class ControlWindow : public Window, public ControlPeer {
 public:
  // Creates the control as a child of `parent` with the given control identifier.
  ControlWindow(TControl& control, HWND parent, int id);
  ~ControlWindow() override;

  TControl& Control() const { return control_; }

  void TextChanged() override;
  void StateChanged() override;
  void SelectionChanged() override;
  void Focus() override;
  void Invalidate() override;
  // A notification the parent received from this control (WM_COMMAND's code).
  void Command(WORD code);

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

  TControl& control_;
};

// The text of a window, as UTF-8.
std::string WindowTextOf(HWND hwnd);

}  // namespace kestrane::win32
