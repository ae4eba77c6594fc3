#include "toolkit/win32/combo_box_window.h"

#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

ComboBoxWindow::ComboBoxWindow(TComboBox& combo, HWND parent, int id, const FrameLook& look)
    : ControlWindow(combo, look), combo_(combo) {
  Create(L"COMBOBOX", WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0, parent, id);
  for (const std::string& item : combo.Items()) {
    ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  TextChanged();
}

void ComboBoxWindow::Place(const Placement&) {
  // The window's height includes the list it drops down.
  const Rect r = combo_.WindowBounds();
  SetPlace(Look().Scale(r.left), Look().Scale(r.top), Look().Scale(r.width), Look().Scale(r.height + 200),
           Look().Font());
}

bool ComboBoxWindow::OnMessageReflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != WM_COMMAND) return false;
  switch (HIWORD(wp)) {
    case CBN_EDITCHANGE: combo_.TextEditedByUser(WindowTextOf(Handle())); break;
    case CBN_SELCHANGE: {
      const LRESULT i = ::SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
      if (i >= 0 && i < static_cast<LRESULT>(combo_.Items().size())) combo_.TextEditedByUser(combo_.Items()[i]);
      break;
    }
    case CBN_SETFOCUS: combo_.FocusedByUser(); break;  // the focus is in the combo box's own edit
    default: return false;
  }
  result = 0;
  return true;
}

}  // namespace kestrane::win32
