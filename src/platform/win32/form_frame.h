// The native frame of a TForm: its top-level window with the peers of every control, kept in step
// with the form. Sizes follow the DPI; the dialog keyboard (Tab, Enter, Esc) is the system's,
// through IsDialogMessage in the message loop; the focus comes back when the window is activated.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "imageset/png.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "toolkit/application.h"
#include "toolkit/components.h"
#include "toolkit/form.h"
#include "toolkit/popup_menu.h"

namespace kestrane::win32 {

class ControlWindow;
class GridWindow;
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
  int Dpi() const { return dpi_; }
  int Scale(int v) const { return MulDiv(v, dpi_, 96); }

  void VisibleChanged() override;
  void SizeChanged() override;
  void CaptionChanged() override;
  void BusyChanged() override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool IsMain() const;
  void CreateControls();
  void ApplyLayout();
  void MakeFonts();
  RECT WorkArea() const;
  SIZE OuterSize(int clientWidth, int clientHeight) const;  // logical client to device outer
  void ApplySize();
  void KeepOnScreen();
  void Detach();  // after the window is gone nothing may reach it
  void DrawFlatButton(const DRAWITEMSTRUCT& item);
  ControlWindow* PeerOf(HWND hwnd) const;

  TForm& form_;
  FrameSetup setup_;
  HWND tooltip_ = nullptr;
  HWND savedFocus_ = nullptr;
  int dpi_ = 96;
  bool shownBefore_ = false;
  UniqueFont font_;
  UniqueFont boldFont_;
  std::vector<UniqueBitmap> gridPictures_;
  std::vector<UniqueBitmap> menuPictures_;
  // A picture three times as wide as high is a strip of states: normal, disabled, pressed.
  std::vector<std::array<RgbaImage, 3>> pictureStates_;
  std::vector<std::array<UniqueBitmap, 3>> stateBitmaps_;
  std::vector<UniqueImageList> buttonImages_;
  std::vector<std::unique_ptr<ControlWindow>> controls_;
  std::unique_ptr<GridWindow> grid_;
  TControl* gridControl_ = nullptr;
  std::vector<std::unique_ptr<MenuWindow>> menus_;
  std::vector<std::unique_ptr<TimerWindow>> timers_;
};

// Runs the thread's message loop until WM_QUIT, with the dialog keyboard in every window.
int RunMessageLoop();
// The dialog keyboard for one message: true when the message was handled.
bool DialogKeyboard(MSG& msg);

}  // namespace kestrane::win32
