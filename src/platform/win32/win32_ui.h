// The Win32 peers of the portable toolkit and the main window's native frame.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "core/dispatcher.h"
#include "forms/unit1.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window_proc.h"

namespace kestrane::win32 {

// Message boxes with the program's captions.
class Win32Dialogs : public Dialogs {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  void Information(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void Error(const std::string& text) override;

 private:
  HWND owner_ = nullptr;
};

// Runs the dispatcher's queue on the window thread: a message-only window woken by
// PostMessageW (thread messages would be lost in modal loops).
class DispatcherWindow {
 public:
  explicit DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher);
  ~DispatcherWindow();

 private:
  template <typename T>
  friend LRESULT CALLBACK ForwardingProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
  std::shared_ptr<QueueDispatcher> dispatcher_;
  HWND hwnd_ = nullptr;
};

// The application's own window: invisible (no size) but it carries the taskbar button with the
// application title and owns the main window, so minimising the application hides the main
// window and a click on the button brings it back.
class ApplicationWindow {
 public:
  explicit ApplicationWindow(const std::string& title);
  ~ApplicationWindow();
  HWND Handle() const { return hwnd_; }
  void SetMainWindow(HWND main) { main_ = main; }
  void Minimize();
  void Restore();

 private:
  template <typename T>
  friend LRESULT CALLBACK ForwardingProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
  HWND hwnd_ = nullptr;
  HWND main_ = nullptr;
};

// Premultiplied 32-bit images of the set, for menus, buttons and the grid.
std::vector<UniqueBitmap> MakeAlphaBitmaps(const std::vector<RgbaImage>& images);

class FormWindow;

// Opens the menu at a screen point and runs the chosen item's command. The pictures are the
// image set's, shown when the menu was given the set.
void ShowPopupMenu(HWND owner, TPopupMenu& menu, POINT screen, const std::vector<UniqueBitmap>& images);

// The main window's frame: the HWNDs of every control of a TForm1, kept in step with it.
class FormWindow {
 public:
  // `application`, when given, owns the window and carries its taskbar button.
  explicit FormWindow(TForm1& form, ApplicationWindow* application = nullptr);
  ~FormWindow();
  HWND Handle() const { return hwnd_; }
  void Show(int showCommand);
  HWND ControlHandle(const TControl& control) const;
  int Dpi() const { return dpi_; }
  int Scale(int v) const { return MulDiv(v, dpi_, 96); }

 private:
  friend class ControlWindow;
  friend class GridWindow;
  template <typename T>
  friend LRESULT CALLBACK ForwardingProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
  void CreateControls();
  void ApplyLayout();
  void MakeFont();

  TForm1& form_;
  ApplicationWindow* application_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  int dpi_ = 96;
  UniqueFont font_;
  std::vector<UniqueBitmap> gridImages_;
  std::vector<HIMAGELIST> buttonImages_;
  std::vector<std::unique_ptr<ControlPeer>> peers_;
  std::vector<std::pair<const TControl*, HWND>> handles_;
  std::unique_ptr<TimerPeer> timerPeer_;
};

}  // namespace kestrane::win32
