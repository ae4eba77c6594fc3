// The notification-area icon on Windows: Shell_NotifyIconW with NOTIFYICON_VERSION_4. Its messages
// go to a hidden top-level window of its own: "TaskbarCreated" is broadcast to top-level windows
// only, so a message-only window would never put the icon back after the shell restarts.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <vector>

#include "imageset/png.h"
#include "platform/win32/unique_handle.h"
#include "toolkit/win32/window.h"
#include "toolkit/tray_icon.h"

namespace kestrane::win32 {

class TrayMenu;

class TrayIconWindow : public Window, public TrayPeer {
 public:
  // `pictures` are the image set's images, the icon's images when it has an image list.
  TrayIconWindow(TCoolTrayIcon& icon, const std::vector<RgbaImage>& pictures);
  ~TrayIconWindow() override;

  void Add() override;
  void Modify() override;
  void Remove() override;
  void ShowBalloon(const TrayBalloon& balloon) override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  NOTIFYICONDATAW Record(UINT flags) const;
  HICON CurrentIcon() const;

  TCoolTrayIcon& icon_;
  UINT taskbarCreated_ = 0;
  bool added_ = false;
  ULONGLONG menuClosedAt_ = 0;  // a right click's WM_CONTEXTMENU follows its menu: not a second one
  bool menuOpen_ = false;
  std::vector<UniqueIcon> icons_;  // the pictures at the shell's small icon size
  UniqueIcon builtIn_;
  std::vector<UniqueBitmap> menuPictures_;
  std::unique_ptr<TrayMenu> menu_;
};

// The text in a fixed-size field of the icon record: at most `capacity - 1` UTF-16 units, a
// surrogate pair never cut in two.
void CopyToField(wchar_t* field, std::size_t capacity, const std::string& text);

}  // namespace kestrane::win32
