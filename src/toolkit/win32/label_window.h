// The peer of a TLabel: a static text that grows to its text at the frame's DPI, in bold or in
// maroon when the label says so.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include "toolkit/win32/control_window.h"

namespace kestrane::win32 {

class LabelWindow : public ControlWindow {
 public:
  LabelWindow(TLabel& label, HWND parent, int id, const FrameLook& look);
  void Place(const Placement& placement) override;

 private:
  bool OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  TLabel& label_;
};

}  // namespace kestrane::win32
