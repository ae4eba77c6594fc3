#include "toolkit/win32/tray_icon_window.h"

#include <algorithm>

#include "toolkit/win32/bitmaps.h"
#include "toolkit/win32/menu_window.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

constexpr UINT kCallbackMessage = WM_APP + 2;
constexpr UINT kIconId = 1;
constexpr UINT kHideMessage = WM_APP + 3;  // hides the window once the menu's command has run

}  // namespace

// The icon's menu, owned by the icon's window. That window is shown (it has no size) while the menu
// is open: a window that is not shown cannot be brought to the foreground everywhere, and without
// that the menu takes no keys and does not close on a click outside it.
class TrayMenu : public MenuPeer {
 public:
  TrayMenu(HWND owner, const std::vector<UniqueBitmap>& pictures) : owner_(owner), pictures_(pictures) {}
  int Track(TPopupMenu& menu, int screenX, int screenY) override {
    ::ShowWindow(owner_, SW_SHOWNA);
    int chosen = TrackMenu(owner_, menu, POINT{screenX, screenY}, pictures_);
    // Hidden only after the chosen command ran: hiding the foreground window first would hand the
    // activation away before "Открыть программу" brings the main window back.
    ::PostMessageW(owner_, kHideMessage, 0, 0);
    return chosen;
  }

 private:
  HWND owner_;
  const std::vector<UniqueBitmap>& pictures_;
};

void CopyToField(wchar_t* field, std::size_t capacity, const std::string& text) {
  std::wstring wide = Widen(text);
  std::size_t n = std::min(wide.size(), capacity - 1);
  if (n > 0 && n < wide.size() && IS_HIGH_SURROGATE(wide[n - 1])) --n;
  std::copy_n(wide.data(), n, field);
  field[n] = L'\0';
}

TrayIconWindow::TrayIconWindow(TCoolTrayIcon& icon, const std::vector<RgbaImage>& pictures) : icon_(icon) {
  // Top-level, of no size, with no taskbar button, shown only while its menu is open.
  CreateCustom(WindowClass{L"KestraneTrayIcon"}, WindowPlace{WS_EX_TOOLWINDOW, WS_POPUP});
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  // The shell's small icon size for the system's DPI.
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  for (const RgbaImage& picture : pictures) icons_.push_back(MakeIcon(picture, size));
  builtIn_.reset(
      static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
  std::vector<RgbaImage> menuSized;
  for (const RgbaImage& p : pictures) menuSized.push_back(Scaled(p, MulDiv(p.width, size, 16), MulDiv(p.height, size, 16)));
  menuPictures_ = MakeAlphaBitmaps(menuSized);
  // The icon's menu belongs to this window: it is brought to the foreground before the menu opens.
  if (icon_.PopupMenu) {
    menu_ = std::make_unique<TrayMenu>(Handle(), menuPictures_);
    icon_.PopupMenu->AttachPeer(menu_.get());
  }
  icon_.AttachPeer(this);
  if (icon_.IconVisible()) Add();
}

TrayIconWindow::~TrayIconWindow() {
  icon_.AttachPeer(nullptr);
  if (icon_.PopupMenu) icon_.PopupMenu->AttachPeer(nullptr);
  Remove();  // the icon goes when the program ends
}

HICON TrayIconWindow::CurrentIcon() const {
  int image = icon_.ShownImage();
  if (image >= 0 && image < static_cast<int>(icons_.size()) && icons_[image]) return icons_[image].get();
  return builtIn_.get();
}

NOTIFYICONDATAW TrayIconWindow::Record(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = Handle();
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = CurrentIcon();
  CopyToField(data.szTip, std::size(data.szTip), icon_.ShownHint());
  return data;
}

void TrayIconWindow::Add() {
  NOTIFYICONDATAW data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  data.uVersion = NOTIFYICON_VERSION_4;
  if (added_) ::Shell_NotifyIconW(NIM_SETVERSION, &data);
}

void TrayIconWindow::Modify() {
  if (!added_) return;
  NOTIFYICONDATAW data = Record(NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayIconWindow::Remove() {
  if (!added_) return;
  NOTIFYICONDATAW data = Record(0);
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  added_ = false;
}

void TrayIconWindow::ShowBalloon(const TrayBalloon& balloon) {
  if (!added_) return;
  // A balloon still on screen goes first: an empty text takes it away.
  NOTIFYICONDATAW clear = Record(NIF_INFO);
  ::Shell_NotifyIconW(NIM_MODIFY, &clear);
  NOTIFYICONDATAW data = Record(NIF_INFO);
  CopyToField(data.szInfoTitle, std::size(data.szInfoTitle), balloon.title);
  CopyToField(data.szInfo, std::size(data.szInfo), balloon.text);
  data.uTimeout = static_cast<UINT>(balloon.seconds) * 1000;  // as far as the shell allows
  data.dwInfoFlags = balloon.icon == TrayBalloon::Icon::Error     ? NIIF_ERROR
                     : balloon.icon == TrayBalloon::Icon::Warning ? NIIF_WARNING
                     : balloon.icon == TrayBalloon::Icon::Info    ? NIIF_INFO
                                                                  : NIIF_NONE;
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

LRESULT TrayIconWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kCallbackMessage) {
    // Version 4: the event in the low word, the pointer's screen position in wParam.
    POINT at{static_cast<short>(LOWORD(wp)), static_cast<short>(HIWORD(wp))};
    auto open = [&](MouseButton button) {
      // The menu's modal loop dispatches the shell's later notes of the same click (its release and
      // WM_CONTEXTMENU): a second menu opened inside the first would leave the first without keys.
      if (menuOpen_) return;
      menuOpen_ = true;
      icon_.MouseDown(button, at.x, at.y);
      menuOpen_ = false;
      menuClosedAt_ = ::GetTickCount64();
    };
    switch (LOWORD(lp)) {
      case WM_LBUTTONDOWN: open(MouseButton::Left); break;
      case WM_RBUTTONDOWN: open(MouseButton::Right); break;
      case WM_CONTEXTMENU:  // the menu key or Shift+F10 on the icon; after a right click, the menu has been
      case NIN_KEYSELECT:   // Enter or Space on the icon
        if (::GetTickCount64() - menuClosedAt_ > 500) open(MouseButton::Right);
        break;
    }
    return 0;
  }
  if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
    added_ = false;
    icon_.ShellRestarted();
    return 0;
  }
  if (msg == kHideMessage) {
    ::ShowWindow(Handle(), SW_HIDE);
    return 0;
  }
  if (msg == WM_ENDSESSION && wp) {
    Remove();  // log-off or shut-down: the program ends without its usual end
    return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
