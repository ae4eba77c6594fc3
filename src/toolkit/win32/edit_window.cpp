#include "toolkit/win32/edit_window.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

EditWindow::EditWindow(TEdit& edit, HWND parent, int id, const FrameLook& look) : ControlWindow(edit, look) {
  Create(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, parent, id);
}

bool EditWindow::OnMessageReflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != WM_COMMAND || HIWORD(wp) != EN_CHANGE) return false;
  Control().TextEditedByUser(WindowTextOf(Handle()));
  result = 0;
  return true;
}

MemoWindow::MemoWindow(TMemo& memo, HWND parent, int id, const FrameLook& look) : EditWindow(memo, look), memo_(memo) {
  Create(L"EDIT", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
         WS_EX_CLIENTEDGE, parent, id);
  // The server list takes any length (the edit control stops at 32 767 characters by default).
  ::SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
}

void MemoWindow::SelectionChanged() {
  if (!Handle()) return;
  // The selection counts code points; the edit counts UTF-16 units.
  std::wstring text = Widen(memo_.Text());
  auto units = [&](int codePoints) {
    int u = 0;
    for (int cp = 0; u < static_cast<int>(text.size()) && cp < codePoints; ++cp) u += IS_HIGH_SURROGATE(text[u]) ? 2 : 1;
    return u;
  };
  ::SendMessageW(Handle(), EM_SETSEL, units(memo_.SelStart()), units(memo_.SelStart() + memo_.SelLength()));
}

LRESULT MemoWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // The list editor takes Return for new lines, but leaves Tab to move the focus and Esc
      // to the window (a multi-line edit would close its parent on Esc).
      LRESULT code = Default(msg, wp, lp) & ~DLGC_WANTTAB;
      const MSG* key = reinterpret_cast<const MSG*>(lp);
      if (key && key->message == WM_KEYDOWN && (key->wParam == VK_TAB || key->wParam == VK_ESCAPE)) {
        code &= ~DLGC_WANTALLKEYS;
      }
      return code;
    }
    case WM_KEYDOWN: {
      if (wp == VK_ESCAPE) return 0;
      KeyEvent key{static_cast<int>(wp), ::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0,
                   ::GetKeyState(VK_MENU) < 0};
      memo_.KeyDown(key);
      break;
    }
    case WM_CHAR:
      if (wp == L'\t' || wp == 0x1B) return 0;  // no tab characters in the server list
      break;
  }
  return ControlWindow::WndProc(msg, wp, lp);
}

}  // namespace kestrane::win32
