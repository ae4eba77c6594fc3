// The native frame of a TForm: its top-level window holding the peers of its controls, kept in
// step with the form. Sizes follow the DPI; the dialog keyboard (Tab, Enter, Esc) is the system's,
// through IsDialogMessage in the message loop; the focus comes back when the window is activated.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "imageset/png.h"
#include "toolkit/win32/control_window.h"
#include "toolkit/win32/frame_look.h"
#include "toolkit/win32/message_loop.h"
#include "toolkit/win32/window.h"
#include "toolkit/application.h"
#include "toolkit/components.h"
#include "toolkit/form.h"
#include "toolkit/popup_menu.h"

namespace kestrane::win32 {

class MenuWindow;
class TimerWindow;

struct FrameSetup {
  // For the main form: the application, whose window owns this one and which minimises with it.
  TApplication* application = nullptr;
  HWND owner = nullptr;
  const std::vector<RgbaImage>* pictures = nullptr;  // the image set, for buttons, grid and menus
  std::vector<TPopupMenu*> menus;
  std::vector<TTimer*> timers;
  // Asked before the window closes (the close button, Alt+F4, the system menu, log-off).
  std::function<bool()> closeQuery;
};

class FormFrame : public Window, public FormPeer {
 public:
  FormFrame(TForm& form, FrameSetup setup);
  ~FormFrame() override;

  HWND ControlHandle(const TControl& control) const;
  int Dpi() const { return look_.Dpi(); }
  int Scale(int v) const { return look_.Scale(v); }

  void VisibleChanged() override;
  void SizeChanged() override;
  void CaptionChanged() override;
  void BusyChanged() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool IsMain() const;
  void CreateControls();
  void AddHint(const TControl& control, HWND hwnd);
  // Everything that depends on the DPI, made again for it (WM_DPICHANGED): the look, what the
  // controls hold of it, the window's size and the layout.
  void ApplyDpi(int dpi, const RECT& suggested);
  void ApplyLayout();
  int RoomBeside(const TControl& control) const;
  RECT WorkArea() const;
  SIZE OuterSize(int clientWidth, int clientHeight) const;  // logical client to device outer
  void ApplySize();
  void KeepOnScreen();
  void Detach();  // after the window is gone nothing may reach it

  TForm& form_;
  FrameSetup setup_;
  FrameLook look_;
  HWND tooltip_ = nullptr;
  HWND savedFocus_ = nullptr;
  bool shownBefore_ = false;
  std::vector<std::unique_ptr<ControlWindow>> controls_;
  std::vector<std::unique_ptr<MenuWindow>> menus_;
  std::vector<std::unique_ptr<TimerWindow>> timers_;
};

}  // namespace kestrane::win32
