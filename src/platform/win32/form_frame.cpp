#include "platform/win32/form_frame.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/bitmaps.h"
#include "platform/win32/control_window.h"
#include "platform/win32/fonts.h"
#include "platform/win32/grid_window.h"
#include "platform/win32/menu_window.h"
#include "platform/win32/timer_window.h"
#include "platform/win32/wide_text.h"
#include "toolkit/string_grid.h"

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

}  // namespace

FormFrame::FormFrame(TForm& form, FrameSetup setup) : form_(form), setup_(std::move(setup)) {
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
  dpi_ = static_cast<int>(::GetDpiForWindow(Handle()));
  if (dpi_ <= 0) dpi_ = 96;
  MakeFonts();
  static const std::vector<RgbaImage> none;
  const std::vector<RgbaImage>& pictures = setup_.pictures ? *setup_.pictures : none;
  gridPictures_ = MakeAlphaBitmaps(pictures);
  std::vector<RgbaImage> menuSized;
  for (const RgbaImage& p : pictures) menuSized.push_back(Scaled(p, Scale(p.width), Scale(p.height)));
  menuPictures_ = MakeAlphaBitmaps(menuSized);
  for (const RgbaImage& p : pictures) {
    pictureStates_.push_back(PictureStates(p));
    std::array<UniqueBitmap, 3> bitmaps;
    for (int s = 0; s < 3; ++s) {
      RgbaImage scaled = Scaled(pictureStates_.back()[s], Scale(pictureStates_.back()[s].width),
                                Scale(pictureStates_.back()[s].height));
      bitmaps[s] = MakeBitmap(scaled.width, scaled.height, PremultipliedBgra(scaled));
    }
    stateBitmaps_.push_back(std::move(bitmaps));
  }
  CreateControls();
  ApplySize();
  ApplyLayout();
  for (TPopupMenu* menu : setup_.menus) {
    menus_.push_back(std::make_unique<MenuWindow>(Handle(), menuPictures_));
    menu->AttachPeer(menus_.back().get());
  }
  for (TTimer* timer : setup_.timers) timers_.push_back(std::make_unique<TimerWindow>(*timer));
  form_.AttachPeer(this);
}

FormFrame::~FormFrame() {
  Detach();
  Destroy();  // while the peers still take their windows' last messages
  controls_.clear();
  grid_.reset();
}

void FormFrame::Detach() {
  // The peer objects stay until the destructor: their windows still get messages while they go.
  if (form_.Peer() == this) form_.AttachPeer(nullptr);
  for (TPopupMenu* menu : setup_.menus) menu->AttachPeer(nullptr);
  timers_.clear();
  for (const auto& c : controls_) {
    if (c->Control().Peer() == c.get()) c->Control().AttachPeer(nullptr);
  }
  if (grid_ && gridControl_->Peer() == grid_.get()) gridControl_->AttachPeer(nullptr);
}

bool FormFrame::IsMain() const { return setup_.application && setup_.application->MainForm() == &form_; }

void FormFrame::MakeFonts() {
  font_ = MakeWindowFont(dpi_);
  boldFont_ = MakeWindowFont(dpi_, true);
}

ControlWindow* FormFrame::PeerOf(HWND hwnd) const {
  for (const auto& c : controls_) {
    if (c->Handle() == hwnd) return c.get();
  }
  return nullptr;
}

HWND FormFrame::ControlHandle(const TControl& control) const {
  if (&control == gridControl_ && grid_) return grid_->Handle();
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
  static const std::vector<RgbaImage> none;
  const std::vector<RgbaImage>& pictures = setup_.pictures ? *setup_.pictures : none;
  int id = kFirstControlId;
  for (TControl* c : form_.Controls()) {
    if (dynamic_cast<TPanel*>(c)) continue;  // panels only place their children
    if (auto* grid = dynamic_cast<TStringGrid*>(c)) {
      grid_ = std::make_unique<GridWindow>(*grid, Handle(), id++, [this] {
        return GridLook{font_.get(), dpi_, &gridPictures_};
      });
      gridControl_ = grid;
      continue;
    }
    controls_.push_back(std::make_unique<ControlWindow>(*c, Handle(), id++));
    HWND hwnd = controls_.back()->Handle();
    if (auto* button = dynamic_cast<TButton*>(c); button && button->Kind() == ButtonKind::Push) {
      int picture = button->Picture();
      if (picture >= 0 && picture < static_cast<int>(pictures.size())) {
        const RgbaImage& normal = pictureStates_[picture][0];
        buttonImages_.push_back(ButtonImageList(normal, Scale(normal.width)));
        BUTTON_IMAGELIST bil{buttonImages_.back().get(), RECT{Scale(4), 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
        ::SendMessageW(hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
      }
    }
    if (!c->Hint().empty()) {
      std::wstring tip = Widen(c->Hint());
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = Handle();
      ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
      ti.lpszText = tip.data();
      ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }
}

namespace {

// The room a word-wrapped label has: up to the nearest control to its right on its rows.
int RoomBeside(const TForm& form, const TControl& label) {
  const Rect r = label.WindowBounds();
  int right = form.ClientWidth();
  for (const TControl* other : form.Controls()) {
    if (other == &label || dynamic_cast<const TPanel*>(other) || !other->Visible()) continue;
    const Rect o = other->WindowBounds();
    const bool sameRows = o.top < r.top + r.height && r.top < o.top + o.height;
    if (sameRows && o.left >= r.left + r.width) right = std::min(right, o.left - 4);
  }
  return std::max(r.width, right - r.left);
}

}  // namespace

void FormFrame::ApplyLayout() {
  WindowDc dc(Handle());
  auto place = [&](const TControl& c, HWND hwnd) {
    Rect r = c.WindowBounds();
    auto* styled = dynamic_cast<const TLabel*>(&c);
    HFONT font = styled && styled->Bold() ? boldFont_.get() : font_.get();
    SelectedObject measured(dc.get(), font);
    int height = Scale(dynamic_cast<const TComboBox*>(&c) ? r.height + 200 : r.height);
    int width = Scale(r.width);
    if (auto* label = dynamic_cast<const TLabel*>(&c)) {
      // Labels grow to their text, as the font's real metrics at this DPI need: a single line
      // to its length, a wrapped text into the room beside it and then downwards.
      std::wstring text = Widen(label->Text());
      if (label->WordWrap()) width = Scale(RoomBeside(form_, c));
      RECT need{0, 0, width, 0};
      ::DrawTextW(dc.get(), text.c_str(), -1, &need,
                  DT_CALCRECT | DT_NOPREFIX | (label->WordWrap() ? DT_WORDBREAK : DT_SINGLELINE));
      height = std::max<int>(height, need.bottom);
      width = label->WordWrap() ? std::max<int>(Scale(r.width), need.right) : std::max<int>(width, need.right);
    }
    ::SetWindowPos(hwnd, nullptr, Scale(r.left), Scale(r.top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  };
  for (const auto& c : controls_) place(c->Control(), c->Handle());
  if (grid_) place(*gridControl_, grid_->Handle());
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
  ::AdjustWindowRectExForDpi(&rc, StyleOf(form_.Border()), FALSE, ExStyleOf(form_.Border()), dpi_);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void FormFrame::ApplySize() {
  // The form's size at this DPI, but never larger than the work area.
  const RECT work = WorkArea();
  SIZE size = OuterSize(form_.ClientWidth(), form_.ClientHeight());
  size.cx = std::min<LONG>(size.cx, work.right - work.left);
  size.cy = std::min<LONG>(size.cy, work.bottom - work.top);
  ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  KeepOnScreen();
}

void FormFrame::KeepOnScreen() {
  // The whole window, and so its title bar, inside the monitor's work area.
  const RECT work = WorkArea();
  RECT r;
  ::GetWindowRect(Handle(), &r);
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

void FormFrame::DrawFlatButton(const DRAWITEMSTRUCT& item) {
  RECT rc = item.rcItem;
  ::FillRect(item.hDC, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
  const bool pressed = item.itemState & ODS_SELECTED;
  if (pressed) ::DrawEdge(item.hDC, &rc, BDR_SUNKENOUTER, BF_RECT);
  const ControlWindow* peer = PeerOf(item.hwndItem);
  auto* button = peer ? dynamic_cast<const TButton*>(&peer->Control()) : nullptr;
  const int picture = button ? button->Picture() : -1;
  if (picture >= 0 && picture < static_cast<int>(stateBitmaps_.size())) {
    const int state = (item.itemState & ODS_DISABLED) ? 1 : pressed ? 2 : 0;
    const RgbaImage& image = pictureStates_[picture][state];
    const int w = Scale(image.width), h = Scale(image.height);
    const int x = (rc.left + rc.right - w) / 2 + (pressed ? 1 : 0);
    const int y = (rc.top + rc.bottom - h) / 2 + (pressed ? 1 : 0);
    DrawAlphaBitmap(item.hDC, x, y, w, h, stateBitmaps_[picture][state].get());
  }
  if (item.itemState & ODS_FOCUS) {
    RECT focus = rc;
    ::InflateRect(&focus, -2, -2);
    ::DrawFocusRect(item.hDC, &focus);
  }
}

LRESULT FormFrame::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlType == ODT_BUTTON) {
        DrawFlatButton(*item);
        return TRUE;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      const ControlWindow* peer = PeerOf(reinterpret_cast<HWND>(lp));
      auto* label = peer ? dynamic_cast<const TLabel*>(&peer->Control()) : nullptr;
      if (!label || !label->Maroon()) break;
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetTextColor(dc, RGB(128, 0, 0));
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      // While busy the wait cursor over the window and every control in it.
      if (form_.Busy()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      if (!from) {
        // Esc (IDCANCEL from the dialog keyboard) closes a dialog, as in any Windows dialog.
        if (LOWORD(wp) == IDCANCEL && !IsMain() && form_.Border() == FormBorder::Dialog) {
          ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
        }
        return 0;
      }
      if (ControlWindow* peer = PeerOf(from)) peer->Command(HIWORD(wp));
      return 0;
    }
    case DM_GETDEFID: {
      // Enter presses the focused button.
      HWND focus = ::GetFocus();
      const ControlWindow* peer = PeerOf(focus);
      if (peer && dynamic_cast<TButton*>(&peer->Control())) return MAKELRESULT(::GetDlgCtrlID(focus), DC_HASDEFID);
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
      if (wp != SIZE_MINIMIZED && (!controls_.empty() || grid_)) {
        form_.UserResized(MulDiv(LOWORD(lp), 96, dpi_), MulDiv(HIWORD(lp), 96, dpi_));
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
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      MakeFonts();
      const RECT* suggested = reinterpret_cast<const RECT*>(lp);
      ::SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyLayout();
      return 0;
    }
    case WM_DESTROY:
      Detach();
      if (IsMain()) setup_.application->Terminate();
      return 0;
  }
  return Default(msg, wp, lp);
}

bool DialogKeyboard(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND active = ::GetActiveWindow();
  return active && ::IsDialogMessageW(active, &msg);
}

int RunMessageLoop() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (DialogKeyboard(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kestrane::win32
