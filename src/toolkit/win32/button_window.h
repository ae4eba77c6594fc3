// The peers of a TButton: a push button (with its picture on the left when it has one; focused,
// it is the default button that Enter presses) and a flat button that draws only its picture.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include "toolkit/win32/control_window.h"

namespace kestrane::win32 {

class ButtonWindow : public ControlWindow {
 protected:
  ButtonWindow(TButton& button, const FrameLook& look) : ControlWindow(button, look), button_(button) {}
  // A click, however it came (mouse, Space, Enter through the dialog keyboard), presses the button.
  bool OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  TButton& button_;
};

class PushButtonWindow : public ButtonWindow {
 public:
  PushButtonWindow(TButton& button, HWND parent, int id, const FrameLook& look);
  void LookChanged() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

class FlatButtonWindow : public ButtonWindow {
 public:
  FlatButtonWindow(TButton& button, HWND parent, int id, const FrameLook& look);

 private:
  bool OnMessageReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void Draw(const DRAWITEMSTRUCT& item) const;
};

}  // namespace kestrane::win32
