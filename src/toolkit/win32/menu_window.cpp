#include "toolkit/win32/menu_window.h"

#include <string>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

int TrackMenu(HWND owner, const TPopupMenu& menu, POINT screen, const std::vector<UniqueBitmap>& pictures) {
  UniqueMenu popup(::CreatePopupMenu());
  std::vector<std::wstring> captions;
  captions.reserve(menu.Items().size());
  for (std::size_t i = 0; i < menu.Items().size(); ++i) {
    const TMenuItem& item = menu.Items()[i];
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    if (item.separator) {
      mii.fMask = MIIM_FTYPE;
      mii.fType = MFT_SEPARATOR;
    } else {
      captions.push_back(Widen(item.caption));
      mii.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE;
      mii.wID = static_cast<UINT>(i + 1);
      mii.fState = item.checked ? MFS_CHECKED : MFS_UNCHECKED;
      mii.dwTypeData = captions.back().data();
      if (menu.HasImages() && item.imageIndex >= 0 && item.imageIndex < static_cast<int>(pictures.size())) {
        mii.fMask |= MIIM_BITMAP;
        mii.hbmpItem = pictures[item.imageIndex].get();
      }
    }
    ::InsertMenuItemW(popup.get(), static_cast<UINT>(i), TRUE, &mii);
  }
  ::SetForegroundWindow(owner);
  UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                     screen.x, screen.y, owner, nullptr));
  // Without this the menu of a window that is not in the foreground may not open the next time.
  ::PostMessageW(owner, WM_NULL, 0, 0);
  return chosen >= 1 && chosen <= menu.Items().size() ? static_cast<int>(chosen - 1) : -1;
}

}  // namespace kestrane::win32
