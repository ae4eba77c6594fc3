// What a cell-drawing handler paints with. The Win32 peer draws with GDI; the headless canvas
// records the calls so tests can see colours and positions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/control.h"

namespace kestrane {

struct Colour {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(Colour a, Colour b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
};

// The system's window colour when there is no system to ask.
inline constexpr Colour kWindowColour{255, 255, 255};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // The system's window colour at this moment (the user may change it while the program runs).
  virtual Colour WindowColour() const { return kWindowColour; }
  Colour brush;  // fill colour
  Colour font;   // text colour
  virtual void FillRect(const Rect& r) = 0;
  // Draws text with its top-left at x, y, clipped to `clip`.
  virtual void TextRect(const Rect& clip, int x, int y, const std::string& text) = 0;
  virtual void DrawFocusRect(const Rect& r) = 0;
  virtual void DrawImage(int x, int y, int imageIndex) = 0;
};

class RecordingCanvas : public Canvas {
 public:
  struct Call {
    enum Kind { Fill, Text, Focus, Image } kind;
    Rect rect;
    int x = 0, y = 0;
    std::string text;
    Colour colour;  // the brush for Fill, the font for Text
    int image = -1;
  };
  std::vector<Call> calls;
  Colour windowColour = kWindowColour;
  Colour WindowColour() const override { return windowColour; }
  void FillRect(const Rect& r) override { calls.push_back({Call::Fill, r, 0, 0, "", brush, -1}); }
  void TextRect(const Rect& clip, int x, int y, const std::string& text) override {
    calls.push_back({Call::Text, clip, x, y, text, font, -1});
  }
  void DrawFocusRect(const Rect& r) override { calls.push_back({Call::Focus, r, 0, 0, "", {}, -1}); }
  void DrawImage(int x, int y, int imageIndex) override {
    calls.push_back({Call::Image, {}, x, y, "", {}, imageIndex});
  }
};

}  // namespace kestrane
