#include "toolkit/win32/form_frame.h"

#include <commctrl.h>

#include <algorithm>

#include "toolkit/win32/control_peers.h"
#include "toolkit/win32/menu_window.h"
#include "toolkit/win32/timer_window.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {
namespace {

constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which the dialog keyboard sends

DWORD StyleOf(FormBorder border) {
  return border == FormBorder::Sizeable ? WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
                                        : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
}

DWORD ExStyleOf(FormBorder border) {
  return WS_EX_CONTROLPARENT | (border == FormBorder::Dialog ? WS_EX_DLGMODALFRAME : 0);
}

const std::vector<RgbaImage>& PicturesOf(const FrameSetup& setup) {
  static const std::vector<RgbaImage> none;
  return setup.pictures ? *setup.pictures : none;
}

}  // namespace

FormFrame::FormFrame(TForm& form, FrameSetup setup)
    : form_(form), setup_(std::move(setup)), look_(PicturesOf(setup_)) {
  const std::wstring className = Widen("T" + form_.Name());
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WindowClass windowClass{className.c_str()};
  windowClass.icon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.smallIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                          ::GetSystemMetrics(SM_CXSMICON),
                                                          ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.background = ::GetSysColorBrush(COLOR_BTNFACE);
  const std::wstring caption = Widen(form_.Caption());
  CreateCustom(windowClass, WindowPlace{ExStyleOf(form_.Border()), StyleOf(form_.Border()), caption.c_str(),
                                        CW_USEDEFAULT, CW_USEDEFAULT, form_.Width(), form_.Height(), setup_.owner});
  look_.Rebuild(static_cast<int>(::GetDpiForWindow(Handle())));
  CreateControls();
  ApplySize();
  ApplyLayout();
  for (TPopupMenu* menu : setup_.menus) {
    menus_.push_back(std::make_unique<MenuWindow>(Handle(), look_.MenuPictures()));
    menu->AttachPeer(menus_.back().get());
  }
  for (TTimer* timer : setup_.timers) timers_.push_back(std::make_unique<TimerWindow>(*timer));
  form_.AttachPeer(this);
}

FormFrame::~FormFrame() {
  Detach();
  Destroy();  // while the peers still take their windows' last messages
  controls_.clear();
}

void FormFrame::Detach() {
  // The peer objects stay until the destructor: their windows still get messages while they go.
  if (form_.Peer() == this) form_.AttachPeer(nullptr);
  for (TPopupMenu* menu : setup_.menus) menu->AttachPeer(nullptr);
  timers_.clear();
  for (const auto& c : controls_) {
    if (c->Control().Peer() == c.get()) c->Control().AttachPeer(nullptr);
  }
}

bool FormFrame::IsMain() const { return setup_.application && setup_.application->MainForm() == &form_; }

HWND FormFrame::ControlHandle(const TControl& control) const {
  for (const auto& c : controls_) {
    if (&c->Control() == &control) return c->Handle();
  }
  return nullptr;
}

void FormFrame::CreateControls() {
  tooltip_ = CreateWindowChecked(TOOLTIPS_CLASSW,
                                 WindowPlace{WS_EX_TOPMOST, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, nullptr, 0, 0, 0,
                                             0, Handle()});
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(300));
  int id = kFirstControlId;
  for (TControl* c : form_.Controls()) {
    std::unique_ptr<ControlWindow> peer = MakeControlPeer(*c, Handle(), id++, look_);
    if (!peer) continue;  // a panel only places its children
    if (!c->Hint().empty()) AddHint(*c, peer->Handle());
    controls_.push_back(std::move(peer));
  }
}

void FormFrame::AddHint(const TControl& control, HWND hwnd) {
  std::wstring tip = Widen(control.Hint());
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
  ti.lpszText = tip.data();
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void FormFrame::ApplyDpi(int dpi, const RECT& suggested) {
  look_.Rebuild(dpi);
  for (const auto& c : controls_) c->LookChanged();
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(300));
  // The system's rectangle for the new DPI; the layout follows the look even where the size stays.
  ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  KeepOnScreen();  // a small monitor at a high DPI: the suggested size may not fit its work area
  ApplyLayout();
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

int FormFrame::RoomBeside(const TControl& control) const {
  // Up to the nearest control to its right on its rows.
  const Rect r = control.WindowBounds();
  int right = form_.ClientWidth();
  for (const auto& c : controls_) {
    const TControl& other = c->Control();
    if (&other == &control || !other.Visible()) continue;
    const Rect o = other.WindowBounds();
    const bool sameRows = o.top < r.top + r.height && r.top < o.top + o.height;
    if (sameRows && o.left >= r.left + r.width) right = std::min(right, o.left - 4);
  }
  return std::max(r.width, right - r.left);
}

void FormFrame::ApplyLayout() {
  WindowDc dc(Handle());
  const Placement placement{dc.get(), [this](const TControl& c) { return RoomBeside(c); }};
  for (const auto& c : controls_) c->Place(placement);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

RECT FormFrame::WorkArea() const {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  ::GetMonitorInfoW(::MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &mi);
  return mi.rcWork;
}

SIZE FormFrame::OuterSize(int clientWidth, int clientHeight) const {
  RECT rc{0, 0, Scale(clientWidth), Scale(clientHeight)};
  ::AdjustWindowRectExForDpi(&rc, StyleOf(form_.Border()), FALSE, ExStyleOf(form_.Border()), Dpi());
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void FormFrame::ApplySize() {
  // The form's size at this DPI, but never larger than the work area.
  const SIZE size = OuterSize(form_.ClientWidth(), form_.ClientHeight());
  ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  KeepOnScreen();
}

void FormFrame::KeepOnScreen() {
  // The whole window, and so its title bar, inside the monitor's work area: made smaller where it
  // is larger than the work area, then moved in.
  const RECT work = WorkArea();
  RECT r;
  ::GetWindowRect(Handle(), &r);
  const LONG width = std::min(r.right - r.left, work.right - work.left);
  const LONG height = std::min(r.bottom - r.top, work.bottom - work.top);
  if (width != r.right - r.left || height != r.bottom - r.top) {
    ::SetWindowPos(Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetWindowRect(Handle(), &r);
  }
  int x = std::clamp<int>(r.left, work.left, std::max<int>(work.left, work.right - (r.right - r.left)));
  int y = std::clamp<int>(r.top, work.top, std::max<int>(work.top, work.bottom - (r.bottom - r.top)));
  if (x != r.left || y != r.top) ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormFrame::VisibleChanged() {
  if (!Handle()) return;
  if (!form_.Visible()) {
    ::ShowWindow(Handle(), SW_HIDE);
    return;
  }
  ::SetWindowTextW(Handle(), Widen(form_.Caption()).c_str());
  ApplySize();
  const RECT work = WorkArea();
  RECT r;
  ::GetWindowRect(Handle(), &r);
  if (!shownBefore_ || !IsMain()) {
    // The main window centred on the screen the first time; a dialog on its owner each time.
    RECT around = work;
    if (setup_.owner && !IsMain() && ::IsWindowVisible(setup_.owner)) ::GetWindowRect(setup_.owner, &around);
    int x = around.left + ((around.right - around.left) - (r.right - r.left)) / 2;
    int y = around.top + ((around.bottom - around.top) - (r.bottom - r.top)) / 2;
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepOnScreen();
    shownBefore_ = true;
  }
  ::ShowWindow(Handle(), ::IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(Handle());
  // The form's focused control, or, as in a dialog, the first control of the tab order.
  HWND focus = form_.FocusedControl() ? ControlHandle(*form_.FocusedControl()) : nullptr;
  if (!focus || !::IsWindowEnabled(focus) || !::IsWindowVisible(focus)) focus = ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
  if (focus) ::SetFocus(focus);
  ::UpdateWindow(Handle());
}

void FormFrame::SizeChanged() {
  if (Handle()) ApplySize();
}

void FormFrame::CaptionChanged() {
  if (Handle()) ::SetWindowTextW(Handle(), Widen(form_.Caption()).c_str());
}

void FormFrame::BusyChanged() {
  ::SetCursor(::LoadCursorW(nullptr, form_.Busy() ? IDC_WAIT : IDC_ARROW));
}

LRESULT FormFrame::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETCURSOR:
      // While busy the wait cursor over the window and every control in it.
      if (form_.Busy()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      // What is left are the commands of no control: Esc (IDCANCEL from the dialog keyboard)
      // closes a dialog, as in any Windows dialog.
      if (!lp && LOWORD(wp) == IDCANCEL && !IsMain() && form_.Border() == FormBorder::Dialog) {
        ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
      }
      return 0;
    case DM_GETDEFID: {
      // Enter presses the focused button.
      HWND focus = ::GetFocus();
      if (focus && ::IsChild(Handle(), focus) && (::SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON)) {
        return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
      }
      return 0;
    }
    case WM_SYSCOMMAND:
      // Minimising the main window minimises the application, which carries the taskbar button.
      if ((wp & 0xFFF0) == SC_MINIMIZE && IsMain()) {
        setup_.application->Minimize();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(Handle(), focus)) savedFocus_ = focus;
      } else if (!HIWORD(wp)) {
        // Back to the control that had the focus, after a message box or another program.
        HWND target = savedFocus_;
        if (!target || !::IsWindow(target) || !::IsWindowVisible(target) || !::IsWindowEnabled(target)) {
          target = form_.FocusedControl() ? ControlHandle(*form_.FocusedControl()) : nullptr;
        }
        if (target) {
          ::SetFocus(target);
          return 0;
        }
      }
      break;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED && !controls_.empty()) {
        form_.UserResized(MulDiv(LOWORD(lp), 96, Dpi()), MulDiv(HIWORD(lp), 96, Dpi()));
        ApplyLayout();
      }
      return 0;
    case WM_GETMINMAXINFO: {
      // The layout's smallest client area, but never more than the screen can hold.
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      Rect least = form_.MinimumClient();
      SIZE size = OuterSize(least.width, least.height);
      const RECT work = WorkArea();
      info->ptMinTrackSize.x = std::min<LONG>(size.cx, work.right - work.left);
      info->ptMinTrackSize.y = std::min<LONG>(size.cy, work.bottom - work.top);
      return 0;
    }
    case WM_CLOSE: {
      bool mayClose = !setup_.closeQuery || setup_.closeQuery();
      if (!mayClose) return 0;
      if (IsMain()) {
        ::DestroyWindow(Handle());
      } else {
        form_.Hide();
      }
      return 0;
    }
    case WM_QUERYENDSESSION:
      return !setup_.closeQuery || setup_.closeQuery();
    case WM_DPICHANGED:
      ApplyDpi(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DESTROY:
      Detach();
      if (IsMain()) setup_.application->Terminate();
      return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
