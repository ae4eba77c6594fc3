// The grid's canvas on GDI: logical pixels scaled to the window's DPI.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "toolkit/canvas.h"

namespace kestrane::win32 {

class GdiCanvas : public Canvas {
 public:
  // `images` are the image set's pictures, premultiplied, at their size in logical pixels.
  GdiCanvas(HDC dc, int dpi, const std::vector<UniqueBitmap>& images) : dc_(dc), dpi_(dpi), images_(images) {}
  Colour WindowColour() const override;
  void FillRect(const Rect& r) override;
  void TextRect(const Rect& clip, int x, int y, const std::string& text) override;
  void DrawFocusRect(const Rect& r) override;
  void DrawImage(int x, int y, int imageIndex) override;

  int S(int v) const { return MulDiv(v, dpi_, 96); }
  RECT Device(const Rect& r) const { return RECT{S(r.left), S(r.top), S(r.left + r.width), S(r.top + r.height)}; }

 private:
  HDC dc_;
  int dpi_;
  const std::vector<UniqueBitmap>& images_;
};

inline COLORREF Ref(Colour c) { return RGB(c.r, c.g, c.b); }

}  // namespace kestrane::win32
