// The peer of one control: its window at the control's laid-out place, in the frame's look, kept
// in step with the control. Each kind of control has a peer of its own kind, derived from this;
// a kind's notifications come back to it from the parent (OnMessageReflect).
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/win32/frame_look.h"
#include "toolkit/win32/window.h"
#include "toolkit/control.h"

namespace kestrane::win32 {

// What a peer is placed with.
struct Placement {
  HDC dc;  // for measuring text
  // The logical width from a control's left edge to the nearest control to its right on its rows.
  std::function<int(const TControl&)> roomBeside;
};

class ControlWindow : public Window, public ControlPeer {
 public:
  ~ControlWindow() override;

  TControl& Control() const { return control_; }
  // Puts the window at the control's place at the look's DPI, with the look's font.
  virtual void Place(const Placement& placement);
  // The look was made anew for another DPI: what the window holds of it is taken again.
  virtual void LookChanged() {}

  void TextChanged() override;
  void StateChanged() override;
  void Focus() override;
  void Invalidate() override;

 protected:
  ControlWindow(TControl& control, const FrameLook& look) : control_(control), look_(look) {}
  // Makes the system's control as a child of `parent`, attaches this peer to the control and
  // shows its state.
  void Create(const wchar_t* systemClass, DWORD style, DWORD exStyle, HWND parent, int id);
  // Puts the window at a place in device pixels, with a font.
  void SetPlace(int x, int y, int width, int height, HFONT font);
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  const FrameLook& Look() const { return look_; }

 private:
  TControl& control_;
  const FrameLook& look_;
};

// The text of a window, as UTF-8.
std::string WindowTextOf(HWND hwnd);

}  // namespace kestrane::win32
