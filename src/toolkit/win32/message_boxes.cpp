#include "toolkit/win32/message_boxes.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "toolkit/win32/window.h"

namespace kestrane::win32 {
namespace {

struct Button {
  int id;
  const wchar_t* text;
};

struct Box {
  BoxKind kind;
  std::wstring caption;
  std::wstring text;
  UniqueFont font;
  UniqueIcon icon;
  int stripTop = 0;  // where the button strip begins, in client pixels
};

std::vector<Button> ButtonsOf(BoxKind kind) {
  if (kind == BoxKind::Confirmation) return {{IDYES, L"Yes"}, {IDNO, L"No"}};
  return {{IDOK, L"OK"}};
}

int CancelAnswer(BoxKind kind) { return kind == BoxKind::Confirmation ? IDNO : IDOK; }

// The system's icon at the size the box's DPI needs. LoadIconWithScaleDown is missing from the
// MinGW import library, so it is looked up; LoadIconMetric gives the system DPI's size.
HICON SystemIcon(const wchar_t* name, int size) {
  using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  HICON icon = nullptr;
  if (HMODULE controls = ::GetModuleHandleW(L"comctl32.dll")) {
    auto scaleDown = reinterpret_cast<ScaleDown>(
        reinterpret_cast<void*>(::GetProcAddress(controls, "LoadIconWithScaleDown")));
    if (scaleDown && SUCCEEDED(scaleDown(nullptr, name, size, size, &icon))) return icon;
  }
  if (SUCCEEDED(::LoadIconMetric(nullptr, name, LIM_LARGE, &icon))) return icon;
  return nullptr;
}

// Lays the box out at its DPI: icon and text on top, the buttons right-aligned on a strip below.
void LayOut(HWND dialog, Box& box) {
  const int dpi = static_cast<int>(::GetDpiForWindow(dialog));
  auto S = [dpi](int v) { return MulDiv(v, dpi, 96); };

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  box.font.reset(::CreateFontIndirectW(&metrics.lfMessageFont));

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  HWND owner = ::GetWindow(dialog, GW_OWNER);
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT work = monitor.rcWork;

  const int margin = S(24);
  const int iconSize = box.kind == BoxKind::Information ? 0 : S(32);
  const int gap = iconSize ? S(12) : 0;
  // Long texts wrap at about half the screen, as a message box does.
  const int maxText = std::max(S(200), std::min<int>(S(560), (work.right - work.left) / 2));

  RECT need{0, 0, maxText, 0};
  {
    WindowDc dc(dialog);
    SelectedObject font(dc.get(), box.font.get());
    ::DrawTextW(dc.get(), box.text.c_str(), static_cast<int>(box.text.size()), &need,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
  }
  const int textWidth = std::max<int>(need.right, S(60));
  const int textHeight = std::max<int>(need.bottom, S(16));

  const std::vector<Button> buttons = ButtonsOf(box.kind);
  const int buttonWidth = S(88), buttonHeight = S(26), buttonGap = S(10), stripPad = S(11);
  const int buttonsWidth = static_cast<int>(buttons.size()) * (buttonWidth + buttonGap) - buttonGap;

  const int contentHeight = std::max(iconSize, textHeight);
  const int clientWidth = std::max(margin + iconSize + gap + textWidth + margin, buttonsWidth + 2 * S(12));
  box.stripTop = margin + contentHeight + margin;
  const int clientHeight = box.stripTop + stripPad + buttonHeight + stripPad;

  if (iconSize) {
    HWND iconWindow = CreateWindowChecked(
        L"STATIC", WindowPlace{0, WS_CHILD | WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL, nullptr, margin, margin,
                               iconSize, iconSize, dialog});
    HICON icon = SystemIcon(box.kind == BoxKind::Error ? IDI_ERROR : IDI_QUESTION, iconSize);
    box.icon.reset(icon);
    ::SendMessageW(iconWindow, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
  // A one-line text stands level with the middle of the icon.
  const int textTop = margin + (textHeight < iconSize ? (iconSize - textHeight) / 2 : 0);
  HWND textWindow = CreateWindowChecked(
      L"STATIC", WindowPlace{0, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, box.text.c_str(),
                             margin + iconSize + gap, textTop, textWidth, textHeight, dialog});
  ::SendMessageW(textWindow, WM_SETFONT, reinterpret_cast<WPARAM>(box.font.get()), FALSE);

  int x = clientWidth - S(12) - buttonsWidth;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? WS_GROUP | BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = CreateWindowChecked(L"BUTTON", WindowPlace{0, style, buttons[i].text, x, box.stripTop + stripPad,
                                                             buttonWidth, buttonHeight, dialog, buttons[i].id});
    ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(box.font.get()), FALSE);
    x += buttonWidth + buttonGap;
  }

  // The outer size for that client area, centred in the work area.
  RECT outer{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)), dpi);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  ::SetWindowPos(dialog, nullptr, work.left + std::max<int>(0, (work.right - work.left - w) / 2),
                 work.top + std::max<int>(0, (work.bottom - work.top - h) / 2), w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowTextW(dialog, box.caption.c_str());

  HWND first = ::GetDlgItem(dialog, buttons[0].id);
  ::SendMessageW(dialog, DM_SETDEFID, buttons[0].id, 0);
  ::SetFocus(first);
}

INT_PTR CALLBACK BoxProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  Box* box = reinterpret_cast<Box*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      box = reinterpret_cast<Box*>(lp);
      ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
      try {
        LayOut(dialog, *box);
      } catch (const std::exception&) {
        // A box that cannot be made answers as Esc would: a question is not confirmed.
        ::EndDialog(dialog, -1);
        return FALSE;
      }
      ::MessageBeep(box->kind == BoxKind::Error          ? MB_ICONHAND
                    : box->kind == BoxKind::Confirmation ? MB_ICONQUESTION
                                                         : MB_OK);
      return FALSE;  // the focus is set
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_PAINT: {
      PaintDc dc(dialog);
      RECT strip;
      ::GetClientRect(dialog, &strip);
      strip.top = box ? box->stripTop : strip.bottom;
      if (dc) ::FillRect(dc.get(), &strip, ::GetSysColorBrush(COLOR_BTNFACE));
      return TRUE;
    }
    case WM_COMMAND:
      if (!box) break;
      switch (LOWORD(wp)) {
        case IDOK:
        case IDYES:
        case IDNO: ::EndDialog(dialog, LOWORD(wp)); return TRUE;
        case IDCANCEL: ::EndDialog(dialog, CancelAnswer(box->kind)); return TRUE;
      }
      break;
    case WM_CLOSE:
      if (box) ::EndDialog(dialog, CancelAnswer(box->kind));
      return TRUE;
  }
  return FALSE;
}

// A dialog template with no controls: the box makes its own at its DPI.
std::vector<WORD> EmptyTemplate() {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);  // + menu, class, title
  auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
  t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  t->dwExtendedStyle = WS_EX_DLGMODALFRAME;
  return words;
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
  if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

int ShowBox(HWND owner, BoxKind kind, const std::string& caption, const std::string& text) {
  Box box{kind, Widen(caption), Widen(text), {}, {}};
  // Modal for every window of the program, as a task-modal message box is.
  std::vector<HWND> disabled;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(std::remove(disabled.begin(), disabled.end(), owner), disabled.end());
  for (HWND hwnd : disabled) ::EnableWindow(hwnd, FALSE);
  std::vector<WORD> dialogTemplate = EmptyTemplate();
  INT_PTR answer = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr),
                                             reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data()), owner, BoxProc,
                                             reinterpret_cast<LPARAM>(&box));
  for (HWND hwnd : disabled) {
    if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
  }
  return answer <= 0 ? CancelAnswer(kind) : static_cast<int>(answer);
}

void ShowStartFailure(const std::string& caption, const std::string& text) {
  MSG quit;
  while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  ShowBox(nullptr, BoxKind::Error, caption, text);
}

HWND MessageBoxes::Owner() const {
  // The program's active window (the clean-up dialog, say), else the main window.
  HWND active = ::GetActiveWindow();
  return active && ::IsWindowVisible(active) ? active : owner_;
}

void MessageBoxes::Information(const std::string& text) { ShowBox(Owner(), BoxKind::Information, title_, text); }

bool MessageBoxes::Confirm(const std::string& text) {
  return ShowBox(Owner(), BoxKind::Confirmation, "Confirm", text) == IDYES;
}

void MessageBoxes::Error(const std::string& text) { ShowBox(Owner(), BoxKind::Error, title_, text); }

}  // namespace kestrane::win32
