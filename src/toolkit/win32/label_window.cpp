#include "toolkit/win32/label_window.h"

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

LabelWindow::LabelWindow(TLabel& label, HWND parent, int id, const FrameLook& look)
    : ControlWindow(label, look), label_(label) {
  Create(L"STATIC", SS_NOTIFY | SS_NOPREFIX | (label.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP), 0, parent, id);
}

void LabelWindow::Place(const Placement& placement) {
  // The label grows to its text, as the font's real metrics at this DPI need: a single line to
  // its length, a wrapped text into the room beside it and then downwards.
  const Rect r = label_.WindowBounds();
  HFONT font = Look().Font(label_.Bold());
  int width = Look().Scale(label_.WordWrap() ? placement.roomBeside(label_) : r.width);
  RECT need{0, 0, width, 0};
  {
    SelectedObject measured(placement.dc, font);
    const std::wstring text = Widen(label_.Text());
    ::DrawTextW(placement.dc, text.c_str(), -1, &need,
                DT_CALCRECT | DT_NOPREFIX | (label_.WordWrap() ? DT_WORDBREAK : DT_SINGLELINE));
  }
  const int height = std::max<int>(Look().Scale(r.height), need.bottom);
  width = label_.WordWrap() ? std::max<int>(Look().Scale(r.width), need.right) : std::max<int>(width, need.right);
  SetPlace(Look().Scale(r.left), Look().Scale(r.top), width, height, font);
}

bool LabelWindow::OnMessageReflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg != WM_CTLCOLORSTATIC || !label_.Maroon()) return false;
  HDC dc = reinterpret_cast<HDC>(wp);
  ::SetTextColor(dc, RGB(128, 0, 0));
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
  return true;
}

}  // namespace kestrane::win32
