// The peers of a TEdit (a one-line edit) and a TMemo (the server list: many lines of any length,
// Return for a new line, Tab and Esc left to the window).
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include "toolkit/win32/control_window.h"

namespace kestrane::win32 {

class EditWindow : public ControlWindow {
 public:
  EditWindow(TEdit& edit, HWND parent, int id, const FrameLook& look);

 protected:
  EditWindow(TControl& control, const FrameLook& look) : ControlWindow(control, look) {}
  bool OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class MemoWindow : public EditWindow {
 public:
  MemoWindow(TMemo& memo, HWND parent, int id, const FrameLook& look);
  void SelectionChanged() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  TMemo& memo_;
};

}  // namespace kestrane::win32
