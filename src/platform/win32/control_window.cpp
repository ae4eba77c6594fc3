#include "platform/win32/control_window.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

std::string WindowTextOf(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(n));
  return Narrow(text);
}

ControlWindow::ControlWindow(TControl& control, HWND parent, int id) : control_(control) {
  DWORD style = WS_CHILD | (control.Visible() ? WS_VISIBLE : 0);
  DWORD exStyle = 0;
  const wchar_t* cls = L"STATIC";
  if (auto* label = dynamic_cast<TLabel*>(&control)) {
    style |= SS_NOTIFY | SS_NOPREFIX | (label->WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP);
  } else if (dynamic_cast<TMemo*>(&control)) {
    cls = L"EDIT";
    style |= WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
    exStyle = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<TEdit*>(&control)) {
    cls = L"EDIT";
    style |= WS_TABSTOP | ES_AUTOHSCROLL;
    exStyle = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<TComboBox*>(&control)) {
    cls = L"COMBOBOX";
    style |= WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
  } else if (auto* button = dynamic_cast<TButton*>(&control)) {
    cls = L"BUTTON";
    style |= WS_TABSTOP | (button->Kind() == ButtonKind::Flat ? BS_OWNERDRAW : BS_PUSHBUTTON);
  } else if (dynamic_cast<TProgressBar*>(&control)) {
    cls = PROGRESS_CLASSW;
  }
  const std::wstring text = Widen(control.Text());
  CreateControl(cls, WindowPlace{exStyle, style, text.c_str(), 0, 0, 10, 10, parent, id});
  if (auto* combo = dynamic_cast<TComboBox*>(&control)) {
    for (const std::string& item : combo->Items()) {
      ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
    }
    ::SetWindowTextW(Handle(), Widen(control.Text()).c_str());
  }
  // The server list takes any length (the edit control stops at 32 767 characters by default).
  if (dynamic_cast<TMemo*>(&control)) ::SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
  control_.AttachPeer(this);
  StateChanged();
}

ControlWindow::~ControlWindow() {
  if (control_.Peer() == this) control_.AttachPeer(nullptr);
}

void ControlWindow::TextChanged() {
  if (Handle()) ::SetWindowTextW(Handle(), Widen(control_.Text()).c_str());
}

void ControlWindow::StateChanged() {
  if (!Handle()) return;
  const HWND parent = ::GetParent(Handle());
  const bool usable = control_.Enabled() && control_.Visible();
  // A control that goes while it has the focus hands it on, so the keyboard is never stranded.
  if (!usable && ::GetFocus() == Handle()) {
    HWND next = ::GetNextDlgTabItem(parent, Handle(), FALSE);
    ::SetFocus(next && next != Handle() && ::IsWindowEnabled(next) ? next : parent);
  }
  ::EnableWindow(Handle(), control_.Enabled());
  ::ShowWindow(Handle(), control_.Visible() ? SW_SHOWNA : SW_HIDE);
  // A window left with the focus on itself gives it to the first control that can take it again.
  if (usable && ::GetFocus() == parent && ::GetActiveWindow() == parent && (::GetWindowLongW(Handle(), GWL_STYLE) & WS_TABSTOP)) {
    ::SetFocus(::GetNextDlgTabItem(parent, nullptr, FALSE));
  }
  if (auto* bar = dynamic_cast<TProgressBar*>(&control_)) {
    ::SendMessageW(Handle(), PBM_SETRANGE32, 0, bar->Max());
    ::SendMessageW(Handle(), PBM_SETPOS, bar->Position(), 0);
  }
}

void ControlWindow::SelectionChanged() {
  auto* memo = dynamic_cast<TMemo*>(&control_);
  if (!Handle() || !memo) return;
  // The selection counts code points; the edit counts UTF-16 units.
  std::wstring text = Widen(control_.Text());
  auto units = [&](int codePoints) {
    int u = 0;
    for (int cp = 0; u < static_cast<int>(text.size()) && cp < codePoints; ++cp) u += IS_HIGH_SURROGATE(text[u]) ? 2 : 1;
    return u;
  };
  ::SendMessageW(Handle(), EM_SETSEL, units(memo->SelStart()), units(memo->SelStart() + memo->SelLength()));
}

void ControlWindow::Focus() {
  if (Handle()) ::SetFocus(Handle());
}

void ControlWindow::Invalidate() {
  if (Handle()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void ControlWindow::Command(WORD code) {
  if (auto* button = dynamic_cast<TButton*>(&control_)) {
    if (code == BN_CLICKED) button->Click();
  } else if (auto* combo = dynamic_cast<TComboBox*>(&control_)) {
    if (code == CBN_EDITCHANGE) control_.TextEditedByUser(WindowTextOf(Handle()));
    if (code == CBN_SELCHANGE) {
      LRESULT i = ::SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
      if (i >= 0 && i < static_cast<LRESULT>(combo->Items().size())) control_.TextEditedByUser(combo->Items()[i]);
    }
    if (code == CBN_SETFOCUS) control_.FocusedByUser();
  } else if (code == EN_CHANGE) {
    control_.TextEditedByUser(WindowTextOf(Handle()));
  }
}

LRESULT ControlWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  const bool memo = dynamic_cast<TMemo*>(&control_) != nullptr;
  auto* pushButton = dynamic_cast<TButton*>(&control_);
  const bool button = pushButton && pushButton->Kind() == ButtonKind::Push;  // a flat one draws itself
  switch (msg) {
    case WM_SETFOCUS:
      control_.FocusedByUser();
      // A focused push button is the default one: Enter presses it, and it looks it.
      if (button) ::SendMessageW(Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
      break;
    case WM_KILLFOCUS:
      control_.FocusLost();
      if (button) ::SendMessageW(Handle(), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      break;
    case WM_GETDLGCODE:
      if (memo) {
        // The list editor takes Return for new lines, but leaves Tab to move the focus and Esc
        // to the window (a multi-line edit would close its parent on Esc).
        LRESULT code = Default(msg, wp, lp) & ~DLGC_WANTTAB;
        const MSG* key = reinterpret_cast<const MSG*>(lp);
        if (key && key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
          code &= ~DLGC_WANTALLKEYS;
        }
        return code;
      }
      break;
    case WM_KEYDOWN:
      if (auto* m = dynamic_cast<TMemo*>(&control_)) {
        if (wp == VK_ESCAPE) return 0;
        KeyEvent key{static_cast<int>(wp), ::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0,
                     ::GetKeyState(VK_MENU) < 0};
        m->KeyDown(key);
      }
      break;
    case WM_CHAR:
      if (memo && (wp == L'\t' || wp == 0x1B)) return 0;  // no tab characters in the server list
      break;
  }
  return Default(msg, wp, lp);
}

}  // namespace kestrane::win32
