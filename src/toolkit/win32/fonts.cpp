#include "toolkit/win32/fonts.h"

namespace kestrane::win32 {
namespace {

UniqueFont Make(const wchar_t* face, int height, bool bold) {
  return UniqueFont(::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                  face));
}

// Whether the font the mapper chose for the request is that face, with Cyrillic.
bool IsFaceWithCyrillic(HFONT font, const wchar_t* face) {
  WindowDc screen(nullptr);
  SelectedObject selected(screen.get(), font);
  if (!selected) return false;
  wchar_t chosen[LF_FACESIZE] = {};
  TEXTMETRICW metrics{};
  return ::GetTextFaceW(screen.get(), LF_FACESIZE, chosen) > 0 && ::GetTextMetricsW(screen.get(), &metrics) &&
         ::lstrcmpiW(chosen, face) == 0 && metrics.tmCharSet == RUSSIAN_CHARSET;
}

}  // namespace

UniqueFont MakeWindowFont(int dpi, bool bold) {
  const int height = -MulDiv(11, dpi, 96);
  UniqueFont font = Make(L"MS Sans Serif", height, bold);
  if (font && IsFaceWithCyrillic(font.get(), L"MS Sans Serif")) return font;
  return Make(L"MS Shell Dlg", height, bold);
}

}  // namespace kestrane::win32
