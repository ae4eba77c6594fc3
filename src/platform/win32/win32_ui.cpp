#include "platform/win32/win32_ui.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "core/server_table.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_proc.h"

namespace kestrane::win32 {
namespace {

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT_PTR kRefreshTimerId = 1;
constexpr wchar_t kFormClass[] = L"TForm1";
constexpr wchar_t kGridClass[] = L"TStringGrid";
constexpr wchar_t kDispatcherClass[] = L"KestraneDispatcher";

std::wstring WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring text(n + 1, L'\0');
  n = ::GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(n);
  return text;
}

COLORREF Ref(Colour c) { return RGB(c.r, c.g, c.b); }

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

}  // namespace

// ---- message boxes -------------------------------------------------------------------------

void Win32Dialogs::Information(const std::string& text) {
  ::MessageBoxW(owner_, Widen(text).c_str(), Widen(kApplicationTitle).c_str(), MB_OK | MB_TASKMODAL);
}

bool Win32Dialogs::Confirm(const std::string& text) {
  return ::MessageBoxW(owner_, Widen(text).c_str(), L"Confirm", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES;
}

void Win32Dialogs::Error(const std::string& text) {
  ::MessageBoxW(owner_, Widen(text).c_str(), Widen(kApplicationTitle).c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

// ---- dispatcher ----------------------------------------------------------------------------

DispatcherWindow::DispatcherWindow(std::shared_ptr<QueueDispatcher> dispatcher) : dispatcher_(std::move(dispatcher)) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardingProc<DispatcherWindow>;
  wc.hInstance = Instance();
  wc.lpszClassName = kDispatcherClass;
  ::RegisterClassW(&wc);
  hwnd_ = ::CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(), this);
  HWND hwnd = hwnd_;
  dispatcher_->SetWake([hwnd] { ::PostMessageW(hwnd, kWakeMessage, 0, 0); });
}

DispatcherWindow::~DispatcherWindow() {
  dispatcher_->SetWake(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT DispatcherWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kWakeMessage) {
    dispatcher_->RunPending();
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- the application window ---------------------------------------------------------------

ApplicationWindow::ApplicationWindow(const std::string& title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForwardingProc<ApplicationWindow>;
  wc.hInstance = Instance();
  wc.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(1));
  wc.lpszClassName = L"TApplication";
  ::RegisterClassW(&wc);
  int x = ::GetSystemMetrics(SM_CXSCREEN) / 2, y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  hwnd_ = ::CreateWindowExW(0, L"TApplication", Widen(title).c_str(),
                            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, x, y, 0, 0, nullptr,
                            nullptr, Instance(), this);
}

ApplicationWindow::~ApplicationWindow() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void ApplicationWindow::Minimize() {
  if (main_) ::ShowWindow(main_, SW_HIDE);
  ::ShowWindow(hwnd_, SW_MINIMIZE);
}

void ApplicationWindow::Restore() {
  ::ShowWindow(hwnd_, SW_RESTORE);
  if (main_) {
    ::ShowWindow(main_, SW_SHOW);
    ::SetForegroundWindow(main_);
  }
}

LRESULT ApplicationWindow::OnMessage(HWND, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return 0;
        case SC_RESTORE: Restore(); return 0;
        case SC_CLOSE:
          if (main_) ::PostMessageW(main_, WM_CLOSE, 0, 0);  // the exit question is the main window's
          return 0;
      }
      break;
    case WM_ACTIVATE:
      // Activation belongs to the main window; this one has no face of its own.
      if (LOWORD(wp) != WA_INACTIVE && main_ && ::IsWindowVisible(main_) && ::IsWindowEnabled(main_)) {
        ::SetActiveWindow(main_);
      }
      return 0;
    case WM_CLOSE:
      if (main_) ::PostMessageW(main_, WM_CLOSE, 0, 0);
      return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

// ---- images --------------------------------------------------------------------------------

namespace {

UniqueBitmap MakeBitmap(int w, int h, const std::vector<std::uint32_t>& pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp && bits) std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
  return UniqueBitmap(bmp);
}

// The picture drawn grey, for a disabled button.
RgbaImage Greyed(const RgbaImage& image) {
  RgbaImage grey = image;
  for (std::size_t i = 0; i + 3 < grey.rgba.size(); i += 4) {
    int l = (grey.rgba[i] * 30 + grey.rgba[i + 1] * 59 + grey.rgba[i + 2] * 11) / 100;
    std::uint8_t v = static_cast<std::uint8_t>(128 + l / 3);
    grey.rgba[i] = grey.rgba[i + 1] = grey.rgba[i + 2] = v;
    grey.rgba[i + 3] = static_cast<std::uint8_t>(grey.rgba[i + 3] / 2);
  }
  return grey;
}

}  // namespace

std::vector<UniqueBitmap> MakeAlphaBitmaps(const std::vector<RgbaImage>& images) {
  std::vector<UniqueBitmap> out;
  for (const RgbaImage& image : images) out.push_back(MakeBitmap(image.width, image.height, PremultipliedBgra(image)));
  return out;
}

// ---- canvas on GDI -------------------------------------------------------------------------

namespace {

// Paints in the grid's logical pixels, scaled to the window's DPI and shifted by the scroll.
class GdiCanvas : public Canvas {
 public:
  GdiCanvas(HDC dc, int dpi, int dx, const std::vector<UniqueBitmap>& images, const std::vector<RgbaImage>& sizes)
      : dc_(dc), dpi_(dpi), dx_(dx), images_(images), sizes_(sizes) {}
  RECT Device(const Rect& r) const {
    return RECT{S(r.left) - dx_, S(r.top), S(r.left + r.width) - dx_, S(r.top + r.height)};
  }
  void FillRect(const Rect& r) override {
    RECT rc = Device(r);
    ::SetDCBrushColor(dc_, Ref(brush));
    ::FillRect(dc_, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
  }
  void TextRect(const Rect& clip, int x, int y, const std::string& text) override {
    RECT rc = Device(clip);
    std::wstring wide = Widen(text);
    ::SetTextColor(dc_, Ref(font));
    ::SetBkMode(dc_, TRANSPARENT);
    ::ExtTextOutW(dc_, S(x) - dx_, S(y), ETO_CLIPPED, &rc, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
  }
  void DrawFocusRect(const Rect& r) override {
    RECT rc = Device(r);
    ::SetTextColor(dc_, RGB(0, 0, 0));
    ::SetBkColor(dc_, RGB(255, 255, 255));
    ::DrawFocusRect(dc_, &rc);
  }
  void DrawImage(int x, int y, int index) override {
    if (index < 0 || index >= static_cast<int>(images_.size()) || !images_[index]) return;
    HDC mem = ::CreateCompatibleDC(dc_);
    HGDIOBJ old = ::SelectObject(mem, images_[index].get());
    int w = sizes_[index].width, h = sizes_[index].height;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::GdiAlphaBlend(dc_, S(x) - dx_, S(y), S(w), S(h), mem, 0, 0, w, h, blend);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
  }

 private:
  int S(int v) const { return MulDiv(v, dpi_, 96); }
  HDC dc_;
  int dpi_;
  int dx_;
  const std::vector<UniqueBitmap>& images_;
  const std::vector<RgbaImage>& sizes_;
};

}  // namespace

// ---- popup menus ---------------------------------------------------------------------------

void ShowPopupMenu(HWND owner, TPopupMenu& menu, POINT screen, const std::vector<UniqueBitmap>& images) {
  if (menu.OnPopup) menu.OnPopup();
  UniqueMenu popup(::CreatePopupMenu());
  std::vector<std::wstring> captions;
  captions.reserve(menu.Items().size());
  for (std::size_t i = 0; i < menu.Items().size(); ++i) {
    const TMenuItem& item = menu.Items()[i];
    captions.push_back(Widen(item.caption));
    MENUITEMINFOW mii{sizeof mii};
    mii.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE;
    mii.wID = static_cast<UINT>(i + 1);
    mii.fState = item.checked ? MFS_CHECKED : MFS_UNCHECKED;
    mii.dwTypeData = captions.back().data();
    if (menu.HasImages() && item.imageIndex >= 0 && item.imageIndex < static_cast<int>(images.size())) {
      mii.fMask |= MIIM_BITMAP;
      mii.hbmpItem = images[item.imageIndex].get();
    }
    ::InsertMenuItemW(popup.get(), static_cast<UINT>(i), TRUE, &mii);
  }
  ::SetForegroundWindow(owner);
  UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                     screen.x, screen.y, owner, nullptr));
  if (chosen >= 1 && chosen <= menu.Items().size()) {
    const TMenuItem& item = menu.Items()[chosen - 1];
    if (item.onClick) item.onClick();
  }
}

// ---- control peers -------------------------------------------------------------------------

class ControlWindow : public ControlPeer {
 public:
  ControlWindow(TControl& control, HWND hwnd) : control_(control), hwnd_(hwnd) {}
  void TextChanged() override { ::SetWindowTextW(hwnd_, Widen(control_.Text()).c_str()); }
  void StateChanged() override {
    ::EnableWindow(hwnd_, control_.Enabled());
    ::ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE);
    if (auto* memo = dynamic_cast<TMemo*>(&control_)) {
      // The selection counts code points; the edit counts UTF-16 units.
      std::wstring text = Widen(control_.Text());
      auto units = [&](int codePoints) {
        int u = 0;
        for (int cp = 0; u < static_cast<int>(text.size()) && cp < codePoints; ++cp) {
          u += IS_HIGH_SURROGATE(text[u]) ? 2 : 1;
        }
        return u;
      };
      int start = units(memo->SelStart());
      ::SendMessageW(hwnd_, EM_SETSEL, start, units(memo->SelStart() + memo->SelLength()));
    }
    if (auto* bar = dynamic_cast<TProgressBar*>(&control_)) {
      ::SendMessageW(hwnd_, PBM_SETRANGE32, 0, bar->Max());
      ::SendMessageW(hwnd_, PBM_SETPOS, bar->Position(), 0);
    }
  }
  void Focus() override { ::SetFocus(hwnd_); }
  void Invalidate() override { ::InvalidateRect(hwnd_, nullptr, FALSE); }

 private:
  TControl& control_;
  HWND hwnd_;
};

// The grid: its own window class, painting only the visible rows, double buffered.
class GridWindow : public ControlPeer {
 public:
  GridWindow(TStringGrid& grid, FormWindow& form) : grid_(grid), form_(form) {
    static bool registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ForwardingProc<GridWindow>;
      wc.hInstance = Instance();
      wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
      wc.lpszClassName = kGridClass;
      wc.style = CS_DBLCLKS;
      return ::RegisterClassW(&wc) != 0;
    }();
    (void)registered;
  }
  HWND Create(HWND parent, const RECT& r) {
    hwnd_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, kGridClass, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, parent, nullptr, Instance(), this);
    return hwnd_;
  }
  void TextChanged() override {}
  void StateChanged() override {
    UpdateScrollBars();
    ::InvalidateRect(hwnd_, nullptr, FALSE);
  }
  void Focus() override { ::SetFocus(hwnd_); }
  void Invalidate() override { ::InvalidateRect(hwnd_, nullptr, FALSE); }

 private:
  int S(int v) const { return form_.Scale(v); }
  int RowPitch() const { return S(grid_.RowHeight() + 1); }
  int VisibleRows() const {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    return std::max(1, static_cast<int>(rc.bottom) / RowPitch());
  }
  int TotalWidth() const {
    int w = 0;
    for (int c = 0; c < grid_.ColCount(); ++c) w += grid_.ColWidth(c) < 0 ? 0 : grid_.ColWidth(c) + 1;
    return S(w);
  }
  void UpdateScrollBars() {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    topRow_ = std::clamp(topRow_, 0, std::max(0, grid_.RowCount() - VisibleRows()));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, grid_.RowCount() - 1,
                  static_cast<UINT>(VisibleRows()), topRow_, 0};
    ::SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    left_ = std::clamp(left_, 0, std::max(0, TotalWidth() - static_cast<int>(rc.right)));
    SCROLLINFO hi{sizeof hi, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, TotalWidth() - 1,
                  static_cast<UINT>(rc.right), left_, 0};
    ::SetScrollInfo(hwnd_, SB_HORZ, &hi, TRUE);
  }
  void EnsureVisible(int row) {
    if (row < topRow_) topRow_ = row;
    if (row >= topRow_ + VisibleRows()) topRow_ = row - VisibleRows() + 1;
    UpdateScrollBars();
    ::InvalidateRect(hwnd_, nullptr, FALSE);
  }
  void MoveTo(int row) {
    grid_.SetRow(std::clamp(row, 0, grid_.RowCount() - 1));
    EnsureVisible(grid_.Row());
  }
  void Paint(HDC target) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    HDC dc = ::CreateCompatibleDC(target);
    HBITMAP bmp = ::CreateCompatibleBitmap(target, std::max<LONG>(1, rc.right), std::max<LONG>(1, rc.bottom));
    HGDIOBJ oldBmp = ::SelectObject(dc, bmp);
    HGDIOBJ oldFont = ::SelectObject(dc, form_.font_.get());
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
    GdiCanvas canvas(dc, form_.Dpi(), left_, form_.gridImages_, form_.form_.DecodedImages());
    int last = topRow_ + VisibleRows();
    grid_.PaintRows(canvas, topRow_, last, topRow_);
    // Grid lines after every shown cell.
    HPEN pen = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNFACE));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    int rows = std::min(grid_.RowCount(), last + 1) - topRow_;
    int x = 0;
    for (int c = 0; c < grid_.ColCount(); ++c) {
      if (grid_.ColWidth(c) < 0) continue;
      x += grid_.ColWidth(c) + 1;
      int dx = S(x) - 1 - left_;
      ::MoveToEx(dc, dx, 0, nullptr);
      ::LineTo(dc, dx, rows * RowPitch());
    }
    for (int r = 1; r <= rows; ++r) {
      int dy = r * RowPitch() - 1;
      ::MoveToEx(dc, 0, dy, nullptr);
      ::LineTo(dc, S(x) - left_, dy);
    }
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
    ::BitBlt(target, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    ::SelectObject(dc, oldFont);
    ::SelectObject(dc, oldBmp);
    ::DeleteObject(bmp);
    ::DeleteDC(dc);
  }
  void Scroll(int bar, int code, int wheelRows = 0) {
    if (bar == SB_VERT) {
      int page = VisibleRows();
      switch (code) {
        case SB_LINEUP: --topRow_; break;
        case SB_LINEDOWN: ++topRow_; break;
        case SB_PAGEUP: topRow_ -= page; break;
        case SB_PAGEDOWN: topRow_ += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
          SCROLLINFO si{sizeof si, SIF_TRACKPOS};
          ::GetScrollInfo(hwnd_, SB_VERT, &si);
          topRow_ = si.nTrackPos;
          break;
        }
        case -1: topRow_ += wheelRows; break;
      }
    } else {
      switch (code) {
        case SB_LINELEFT: left_ -= S(20); break;
        case SB_LINERIGHT: left_ += S(20); break;
        case SB_PAGELEFT: left_ -= S(200); break;
        case SB_PAGERIGHT: left_ += S(200); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
          SCROLLINFO si{sizeof si, SIF_TRACKPOS};
          ::GetScrollInfo(hwnd_, SB_HORZ, &si);
          left_ = si.nTrackPos;
          break;
        }
      }
    }
    UpdateScrollBars();
    ::InvalidateRect(hwnd_, nullptr, FALSE);
  }
  LRESULT OnMessage(HWND, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd_, &ps);
        Paint(dc);
        ::EndPaint(hwnd_, &ps);
        return 0;
      }
      case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wp)); return 0;
      case WM_ERASEBKGND: return 1;
      case WM_SIZE: UpdateScrollBars(); return 0;
      case WM_VSCROLL: Scroll(SB_VERT, LOWORD(wp)); return 0;
      case WM_HSCROLL: Scroll(SB_HORZ, LOWORD(wp)); return 0;
      case WM_MOUSEWHEEL: Scroll(SB_VERT, -1, -GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3); return 0;
      case WM_LBUTTONDOWN: {
        ::SetFocus(hwnd_);
        int row = topRow_ + GET_Y_LPARAM(lp) / RowPitch();
        if (row < grid_.RowCount()) MoveTo(row);  // below the last row the current row stays
        return 0;
      }
      case WM_KEYDOWN:
        switch (wp) {
          case VK_UP: MoveTo(grid_.Row() - 1); return 0;
          case VK_DOWN: MoveTo(grid_.Row() + 1); return 0;
          case VK_PRIOR: MoveTo(grid_.Row() - VisibleRows()); return 0;
          case VK_NEXT: MoveTo(grid_.Row() + VisibleRows()); return 0;
          case VK_HOME: MoveTo(0); return 0;
          case VK_END: MoveTo(grid_.RowCount() - 1); return 0;
        }
        break;
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case WM_CONTEXTMENU: {
        if (!grid_.PopupMenu) return 0;
        bool handled = false;
        if (grid_.OnContextPopup) grid_.OnContextPopup(handled);
        if (handled) return 0;
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (pt.x == -1 && pt.y == -1) {  // from the keyboard: at the current row
          pt = POINT{S(30), (grid_.Row() - topRow_) * RowPitch() + RowPitch() / 2};
          ::ClientToScreen(hwnd_, &pt);
        }
        ShowPopupMenu(form_.Handle(), *grid_.PopupMenu, pt, form_.gridImages_);
        return 0;
      }
      case WM_SETFOCUS:
        grid_.FocusedByUser();
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
      case WM_KILLFOCUS:
        grid_.FocusLost();
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
  }
  template <typename T>
  friend LRESULT CALLBACK ForwardingProc(HWND, UINT, WPARAM, LPARAM);
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }

  TStringGrid& grid_;
  FormWindow& form_;
  HWND hwnd_ = nullptr;
  int topRow_ = 0;
  int left_ = 0;
};

// ---- timer ---------------------------------------------------------------------------------

namespace {

class TimerWindow : public TimerPeer {
 public:
  TimerWindow(TTimer& timer, HWND hwnd) : timer_(timer), hwnd_(hwnd) { Restart(); }
  ~TimerWindow() override { ::KillTimer(hwnd_, kRefreshTimerId); }
  void Restart() override {
    ::KillTimer(hwnd_, kRefreshTimerId);
    if (timer_.Enabled() && timer_.Interval() > 0) ::SetTimer(hwnd_, kRefreshTimerId, timer_.Interval(), nullptr);
  }

 private:
  TTimer& timer_;
  HWND hwnd_;
};

// The memo's keys go to TMemo::KeyDown before the edit sees them.
LRESULT CALLBACK MemoSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_KEYDOWN) {
    KeyEvent key{static_cast<int>(wp), ::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0,
                 ::GetKeyState(VK_MENU) < 0};
    reinterpret_cast<TMemo*>(data)->KeyDown(key);
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// The picture scaled to the window's DPI by whole source pixels, so edges stay crisp.
RgbaImage Scaled(const RgbaImage& image, int width, int height) {
  RgbaImage out{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &image.rgba[((y * image.height / height) * image.width + x * image.width / width) * 4];
      std::copy(p, p + 4, &out.rgba[(static_cast<std::size_t>(y) * width + x) * 4]);
    }
  }
  return out;
}

HIMAGELIST ButtonImageList(const RgbaImage& image, int size) {
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 6, 0);
  RgbaImage normal = Scaled(image, size, size);
  RgbaImage grey = Greyed(image);
  UniqueBitmap n = MakeBitmap(normal.width, normal.height, PremultipliedBgra(normal));
  UniqueBitmap g = MakeBitmap(grey.width, grey.height, PremultipliedBgra(grey));
  // normal, hot, pressed, disabled, defaulted, stylus hot
  for (int state = 0; state < 6; ++state) ImageList_Add(list, state == 3 ? g.get() : n.get(), nullptr);
  return list;
}

}  // namespace

// ---- the main window -----------------------------------------------------------------------

FormWindow::FormWindow(TForm1& form, ApplicationWindow* application) : form_(form), application_(application) {
  WNDCLASSEXW wc{sizeof wc};
  wc.lpfnWndProc = ForwardingProc<FormWindow>;
  wc.hInstance = Instance();
  wc.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(1));
  wc.hIconSm = static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kFormClass;
  ::RegisterClassExW(&wc);
  hwnd_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Widen(form_.Caption()).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, kFormWidth,
                            kFormHeight, application_ ? application_->Handle() : nullptr, nullptr, Instance(),
                            this);
  if (application_) application_->SetMainWindow(hwnd_);
  dpi_ = static_cast<int>(::GetDpiForWindow(hwnd_));
  if (dpi_ <= 0) dpi_ = 96;
  MakeFont();
  gridImages_ = MakeAlphaBitmaps(form_.DecodedImages());
  CreateControls();
  ApplyLayout();
  timerPeer_ = std::make_unique<TimerWindow>(form_.Timer1, hwnd_);
  form_.Timer1.AttachPeer(timerPeer_.get());
}

FormWindow::~FormWindow() {
  form_.Timer1.AttachPeer(nullptr);
  for (TControl* c : form_.Controls()) c->AttachPeer(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
  for (HIMAGELIST list : buttonImages_) ImageList_Destroy(list);
}

void FormWindow::MakeFont() {
  font_.reset(::CreateFontW(-Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif"));
}

HWND FormWindow::ControlHandle(const TControl& control) const {
  for (const auto& [c, h] : handles_) {
    if (c == &control) return h;
  }
  return nullptr;
}

void FormWindow::CreateControls() {
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_,
                               nullptr, Instance(), nullptr);
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(300));
  const std::vector<RgbaImage>& images = form_.DecodedImages();
  for (TControl* c : form_.Controls()) {
    if (dynamic_cast<TPanel*>(c)) continue;  // panels only place their children
    std::wstring text = Widen(c->Text());
    DWORD style = WS_CHILD | (c->Visible() ? WS_VISIBLE : 0);
    DWORD exStyle = 0;
    const wchar_t* cls = L"STATIC";
    HWND hwnd = nullptr;
    if (auto* grid = dynamic_cast<TStringGrid*>(c)) {
      auto peer = std::make_unique<GridWindow>(*grid, *this);
      hwnd = peer->Create(hwnd_, RECT{0, 0, 10, 10});
      grid->AttachPeer(peer.get());
      peers_.push_back(std::move(peer));
      handles_.push_back({c, hwnd});
      continue;
    }
    if (auto* label = dynamic_cast<TLabel*>(c)) {
      style |= SS_NOTIFY | (label->WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP);
    } else if (dynamic_cast<TMemo*>(c)) {
      cls = L"EDIT";
      style |= WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
      exStyle = WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<TEdit*>(c)) {
      cls = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      exStyle = WS_EX_CLIENTEDGE;
    } else if (dynamic_cast<TComboBox*>(c)) {
      cls = L"COMBOBOX";
      style |= WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
    } else if (dynamic_cast<TButton*>(c)) {
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_PUSHBUTTON;
    } else if (dynamic_cast<TProgressBar*>(c)) {
      cls = PROGRESS_CLASSW;
    }
    hwnd = ::CreateWindowExW(exStyle, cls, text.c_str(), style, 0, 0, 10, 10, hwnd_, nullptr, Instance(), nullptr);
    auto peer = std::make_unique<ControlWindow>(*c, hwnd);
    c->AttachPeer(peer.get());
    peers_.push_back(std::move(peer));
    handles_.push_back({c, hwnd});
    if (auto* combo = dynamic_cast<TComboBox*>(c)) {
      for (const std::string& item : combo->Items()) {
        ::SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
      }
      ::SetWindowTextW(hwnd, text.c_str());
    }
    if (auto* memo = dynamic_cast<TMemo*>(c)) ::SetWindowSubclass(hwnd, MemoSubclass, 1, reinterpret_cast<DWORD_PTR>(memo));
    if (auto* button = dynamic_cast<TButton*>(c)) {
      int picture = button->Picture();
      if (picture >= 0 && picture < static_cast<int>(images.size())) {
        HIMAGELIST list = ButtonImageList(images[picture], Scale(images[picture].width));
        buttonImages_.push_back(list);
        BUTTON_IMAGELIST bil{list, RECT{Scale(4), 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
        ::SendMessageW(hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
      }
    }
    if (!c->Hint().empty()) {
      std::wstring tip = Widen(c->Hint());
      TTTOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = hwnd_;
      ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
      ti.lpszText = tip.data();
      ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    peers_.back()->StateChanged();
  }
}

void FormWindow::ApplyLayout() {
  HDC dc = ::GetDC(hwnd_);
  HGDIOBJ oldFont = ::SelectObject(dc, font_.get());
  for (const auto& [c, hwnd] : handles_) {
    Rect r = c->WindowBounds();
    int height = Scale(dynamic_cast<const TComboBox*>(c) ? r.height + 200 : r.height);
    int width = Scale(r.width);
    if (auto* label = dynamic_cast<const TLabel*>(c)) {
      // Labels grow to their text, as the font's real metrics at this DPI need.
      std::wstring text = Widen(label->Text());
      RECT need{0, 0, width, 0};
      ::DrawTextW(dc, text.c_str(), -1, &need,
                  DT_CALCRECT | DT_NOPREFIX | (label->WordWrap() ? DT_WORDBREAK : DT_SINGLELINE));
      height = std::max<int>(height, need.bottom);
      if (!label->WordWrap()) width = std::max<int>(width, need.right);
    }
    ::SetWindowPos(hwnd, nullptr, Scale(r.left), Scale(r.top), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(hwnd_, dc);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::Show(int showCommand) {
  // The outer size follows the client area of the layout at this DPI, centred on the screen.
  RECT rc{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
  ::AdjustWindowRectExForDpi(&rc, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT, dpi_);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  MONITORINFO mi{sizeof mi};
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
  int x = mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - w) / 2;
  int y = mi.rcWork.top + (mi.rcWork.bottom - mi.rcWork.top - h) / 2;
  ::SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER);
  ::ShowWindow(hwnd_, showCommand);
  form_.Guard([&] { form_.FormShow(); });
  ::SetWindowTextW(hwnd_, Widen(form_.Caption()).c_str());
  ::UpdateWindow(hwnd_);
}

LRESULT FormWindow::OnMessage(HWND, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      for (const auto& [c, hwnd] : handles_) {
        if (hwnd != from) continue;
        TControl* control = const_cast<TControl*>(c);
        WORD code = HIWORD(wp);
        if (auto* button = dynamic_cast<TButton*>(control)) {
          if (code == BN_CLICKED) button->Click();
        } else if (auto* combo = dynamic_cast<TComboBox*>(control)) {
          if (code == CBN_EDITCHANGE) control->TextEditedByUser(Narrow(WindowText(hwnd)));
          if (code == CBN_SELCHANGE) {
            LRESULT i = ::SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
            if (i >= 0 && i < static_cast<LRESULT>(combo->Items().size())) {
              control->TextEditedByUser(combo->Items()[i]);
            }
          }
          if (code == CBN_SETFOCUS) control->FocusedByUser();
        } else if (code == EN_CHANGE) {
          control->TextEditedByUser(Narrow(WindowText(hwnd)));
        } else if (code == EN_SETFOCUS) {
          control->FocusedByUser();
        }
        return 0;
      }
      break;
    }
    case WM_TIMER:
      if (wp == kRefreshTimerId) form_.Timer1.Tick();
      return 0;
    case WM_SYSCOMMAND:
      // Minimising the main window minimises the application, which carries the taskbar button.
      if ((wp & 0xFFF0) == SC_MINIMIZE && application_) {
        application_->Minimize();
        return 0;
      }
      break;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED && !handles_.empty()) {
        form_.Resize(MulDiv(LOWORD(lp), 96, dpi_), MulDiv(HIWORD(lp), 96, dpi_));
        ApplyLayout();
      }
      return 0;
    case WM_CLOSE: {
      bool mayClose = false;
      form_.Guard([&] { mayClose = form_.FormCloseQuery(); });
      if (mayClose) ::DestroyWindow(hwnd_);
      return 0;
    }
    case WM_QUERYENDSESSION: {
      bool mayClose = false;
      form_.Guard([&] { mayClose = form_.FormCloseQuery(); });
      return mayClose;
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      MakeFont();
      const RECT* suggested = reinterpret_cast<const RECT*>(lp);
      ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyLayout();
      return 0;
    }
    case WM_DESTROY:
      if (application_) application_->SetMainWindow(nullptr);
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace kestrane::win32
