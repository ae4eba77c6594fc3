// Popup menus on Windows: a TPopupMenu shown with TrackPopupMenuEx and the image set's pictures.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "toolkit/popup_menu.h"

namespace kestrane::win32 {

// Shows the menu at a screen point for `owner` and returns the chosen item's index, or -1.
// The owner is brought to the foreground first, so a click outside closes the menu.
int TrackMenu(HWND owner, const TPopupMenu& menu, POINT screen, const std::vector<UniqueBitmap>& pictures);

class MenuWindow : public MenuPeer {
 public:
  MenuWindow(HWND owner, const std::vector<UniqueBitmap>& pictures) : owner_(owner), pictures_(pictures) {}
  int Track(TPopupMenu& menu, int screenX, int screenY) override {
    return TrackMenu(owner_, menu, POINT{screenX, screenY}, pictures_);
  }

 private:
  HWND owner_;
  const std::vector<UniqueBitmap>& pictures_;
};

}  // namespace kestrane::win32
