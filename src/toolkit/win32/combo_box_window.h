// The peer of a TComboBox: a drop-down combo box with the control's items, typed into or chosen from.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include "toolkit/win32/control_window.h"

namespace kestrane::win32 {

class ComboBoxWindow : public ControlWindow {
 public:
  ComboBoxWindow(TComboBox& combo, HWND parent, int id, const FrameLook& look);
  void Place(const Placement& placement) override;

 private:
  bool OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  TComboBox& combo_;
};

}  // namespace kestrane::win32
