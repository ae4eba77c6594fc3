#include "toolkit/win32/gdi_canvas.h"

#include "toolkit/win32/bitmaps.h"
#include "platform/win32/wide_text.h"

namespace kestrane::win32 {

Colour GdiCanvas::WindowColour() const {
  COLORREF c = ::GetSysColor(COLOR_WINDOW);
  return Colour{GetRValue(c), GetGValue(c), GetBValue(c)};
}

void GdiCanvas::FillRect(const Rect& r) {
  RECT rc = Device(r);
  ::SetDCBrushColor(dc_, Ref(brush));
  ::FillRect(dc_, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void GdiCanvas::TextRect(const Rect& clip, int x, int y, const std::string& text) {
  RECT rc = Device(clip);
  std::wstring wide = Widen(text);
  ::SetTextColor(dc_, Ref(font));
  ::SetBkMode(dc_, TRANSPARENT);
  ::ExtTextOutW(dc_, S(x), S(y), ETO_CLIPPED, &rc, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
}

void GdiCanvas::DrawFocusRect(const Rect& r) {
  RECT rc = Device(r);
  ::SetTextColor(dc_, RGB(0, 0, 0));
  ::SetBkColor(dc_, RGB(255, 255, 255));
  ::DrawFocusRect(dc_, &rc);
}

void GdiCanvas::DrawImage(int x, int y, int index) {
  if (index < 0 || index >= static_cast<int>(images_.size()) || !images_[index]) return;
  // The pictures are at their own size, which is their size in logical pixels.
  const SIZE size = BitmapSize(images_[index].get());
  DrawAlphaBitmap(dc_, S(x), S(y), S(size.cx), S(size.cy), images_[index].get());
}

}  // namespace kestrane::win32
