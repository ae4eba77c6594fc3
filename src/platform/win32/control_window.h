// The peer of a standard control (label, edit, list editor, combo box, button, progress bar):
// the system's control at the laid-out place, kept in step with the portable control.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include "toolkit/control.h"

namespace kestrane::win32 {

class ControlWindow : public ControlPeer {
 public:
  // Creates the control as a child of `parent` with the given control identifier.
  ControlWindow(TControl& control, HWND parent, int id);
  ~ControlWindow() override;
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  TControl& Control() const { return control_; }

  void TextChanged() override;
  void StateChanged() override;
  void SelectionChanged() override;
  void Focus() override;
  void Invalidate() override;
  // A notification the parent received from this control (WM_COMMAND's code).
  void Command(WORD code);

 private:
  static LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

  TControl& control_;
  HWND hwnd_ = nullptr;
};

// The text of a window, as UTF-8.
std::string WindowTextOf(HWND hwnd);

}  // namespace kestrane::win32
