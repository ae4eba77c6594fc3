#include "imageset/default_images.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace kestrane {
namespace {

struct Colour {
  float r, g, b, a;
};

constexpr float kPi = 3.14159265f;

// A small canvas that composites shapes with 4x4 supersampled coverage.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h, Colour{0, 0, 0, 0}) {}

  void Fill(const std::function<bool(float, float)>& inside, Colour c) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            if (inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4)) ++hits;
          }
        }
        if (hits == 0) continue;
        float a = c.a * hits / 16.0f;
        Colour& d = px_[y * w_ + x];
        float outA = a + d.a * (1 - a);
        if (outA <= 0) continue;
        d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
        d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
        d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
        d.a = outA;
      }
    }
  }
  void Circle(float cx, float cy, float r, Colour c) {
    Fill([=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; }, c);
  }
  void Ellipse(float cx, float cy, float rx, float ry, Colour c) {
    Fill([=](float x, float y) { return std::pow((x - cx) / rx, 2) + std::pow((y - cy) / ry, 2) <= 1; }, c);
  }
  // A ring of radius r and thickness t, leaving out the angles from gapFrom to gapTo (degrees,
  // clockwise from the top; the gap may run past 360).
  void Ring(float cx, float cy, float r, float t, Colour c, float gapFrom = 0, float gapTo = 0) {
    Fill([=](float x, float y) {
      float d = std::hypot(x - cx, y - cy);
      if (std::fabs(d - r) > t / 2) return false;
      float angle = std::atan2(x - cx, -(y - cy)) * 180 / kPi;
      if (angle < 0) angle += 360;
      if (gapFrom == gapTo) return true;
      bool inGap = gapFrom < gapTo ? (angle >= gapFrom && angle <= gapTo) : (angle >= gapFrom || angle <= gapTo);
      return !inGap;
    }, c);
  }
  void Rect(float x0, float y0, float x1, float y1, Colour c, float radius = 0) {
    Fill([=](float x, float y) {
      if (x < x0 || x > x1 || y < y0 || y > y1) return false;
      float dx = std::max({x0 + radius - x, 0.0f, x - (x1 - radius)});
      float dy = std::max({y0 + radius - y, 0.0f, y - (y1 - radius)});
      return dx * dx + dy * dy <= radius * radius;
    }, c);
  }
  void Line(float x0, float y0, float x1, float y1, float t, Colour c) {
    Fill([=](float x, float y) {
      float vx = x1 - x0, vy = y1 - y0;
      float u = std::clamp(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.0f, 1.0f);
      return std::hypot(x - (x0 + u * vx), y - (y0 + u * vy)) <= t / 2;
    }, c);
  }
  void Triangle(float ax, float ay, float bx, float by, float cx, float cy, Colour c) {
    Fill([=](float x, float y) {
      auto side = [&](float px, float py, float qx, float qy) { return (qx - px) * (y - py) - (qy - py) * (x - px); };
      float s1 = side(ax, ay, bx, by), s2 = side(bx, by, cx, cy), s3 = side(cx, cy, ax, ay);
      return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
    }, c);
  }

  RgbaImage Image() const {
    RgbaImage image{w_, h_, {}};
    for (const Colour& c : px_) {
      for (float v : {c.r, c.g, c.b, c.a}) {
        image.rgba.push_back(static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)));
      }
    }
    return image;
  }

 private:
  int w_, h_;
  std::vector<Colour> px_;
};

constexpr Colour kWhite{1, 1, 1, 1};
constexpr Colour kGreen{0.20f, 0.68f, 0.25f, 1};
constexpr Colour kDarkGreen{0.10f, 0.45f, 0.15f, 1};
constexpr Colour kBlue{0.16f, 0.44f, 0.82f, 1};
constexpr Colour kDarkBlue{0.08f, 0.27f, 0.58f, 1};
constexpr Colour kGrey{0.33f, 0.35f, 0.40f, 1};
constexpr Colour kOrange{0.96f, 0.55f, 0.10f, 1};
constexpr Colour kDarkOrange{0.78f, 0.38f, 0.05f, 1};
constexpr Colour kRed{0.85f, 0.15f, 0.13f, 1};
constexpr Colour kDarkRed{0.58f, 0.07f, 0.06f, 1};

void Badge(Canvas& c, float cx, float cy, float r) {
  c.Circle(cx, cy, r, kDarkGreen);
  c.Circle(cx, cy, r - 0.9f, kGreen);
}

void Tick(Canvas& c, float x, float y, float s, float t) {
  c.Line(x, y, x + 2.5f * s, y + 2.5f * s, t, kWhite);
  c.Line(x + 2.5f * s, y + 2.5f * s, x + 7 * s, y - 3 * s, t, kWhite);
}

RgbaImage NoError() {
  Canvas c(16, 16);
  Badge(c, 8, 8, 7.5f);
  Tick(c, 4.2f, 8.3f, 1, 2.0f);
  return c.Image();
}

RgbaImage Rdp() {
  Canvas c(16, 16);
  c.Rect(0.5f, 1.5f, 15.5f, 12, kGrey, 1);
  c.Rect(2, 3, 14, 10.5f, kBlue);
  c.Rect(6.5f, 12, 9.5f, 14, kGrey);
  c.Rect(4, 14, 12, 15.5f, kGrey, 0.5f);
  Badge(c, 11.5f, 11.5f, 4.2f);
  Tick(c, 9.6f, 11.7f, 0.55f, 1.3f);
  return c.Image();
}

RgbaImage Reboot() {
  Canvas c(16, 16);
  c.Rect(0.5f, 0.5f, 15.5f, 15.5f, kDarkOrange, 3);
  c.Rect(1.5f, 1.5f, 14.5f, 14.5f, kOrange, 2.2f);
  c.Ring(8, 8.5f, 4.2f, 1.9f, kWhite, 20, 80);
  c.Triangle(9.2f, 2.2f, 13.6f, 4.6f, 9.6f, 7.4f, kWhite);
  return c.Image();
}

RgbaImage Open() {
  Canvas c(16, 16);
  c.Rect(0.5f, 2.5f, 11.5f, 14.5f, kGrey, 0.5f);
  c.Rect(1.5f, 5.5f, 10.5f, 13.5f, kWhite);
  c.Rect(1.5f, 3.3f, 10.5f, 5, kBlue);
  c.Line(5, 10, 12.5f, 4.5f, 2.0f, kGreen);
  c.Triangle(15.8f, 1.6f, 9.8f, 2.4f, 14.6f, 7.6f, kGreen);
  return c.Image();
}

RgbaImage Exit() {
  Canvas c(16, 16);
  c.Circle(8, 8, 7.5f, kDarkBlue);
  c.Circle(8, 8, 6.6f, kBlue);
  c.Ring(8, 8.6f, 4.0f, 1.7f, kWhite, 320, 40);
  c.Line(8, 3, 8, 8, 1.7f, kWhite);
  return c.Image();
}

RgbaImage DiskWithMagnifier(Colour body, Colour edge) {
  Canvas c(16, 15);
  c.Rect(1, 3, 12, 11, edge);
  c.Ellipse(6.5f, 11, 5.5f, 2.5f, edge);
  c.Rect(1.8f, 3, 11.2f, 11, body);
  c.Ellipse(6.5f, 11, 4.7f, 1.8f, body);
  c.Ellipse(6.5f, 3, 5.5f, 2.5f, edge);
  c.Ellipse(6.5f, 3, 4.7f, 1.7f, Colour{1, 1, 1, 0.55f});
  c.Ring(10.5f, 8.5f, 2.7f, 1.4f, kGrey);
  c.Circle(10.5f, 8.5f, 2.0f, Colour{0.85f, 0.93f, 1, 0.9f});
  c.Line(12.5f, 10.5f, 15, 13.5f, 2.0f, kGrey);
  return c.Image();
}

// One 20 x 20 state of the red cross: a diagonal cross with a dark edge.
void Cross(Canvas& c, float left) {
  for (auto [thickness, colour] : {std::pair{4.2f, kDarkRed}, std::pair{2.8f, kRed}}) {
    c.Line(left + 4.5f, 4.5f, left + 15.5f, 15.5f, thickness, colour);
    c.Line(left + 15.5f, 4.5f, left + 4.5f, 15.5f, thickness, colour);
  }
}

}  // namespace

RgbaImage RedCrossGlyph() {
  Canvas c(60, 20);
  for (float left : {0.0f, 20.0f, 40.0f}) Cross(c, left);  // normal, disabled, pressed look alike
  return c.Image();
}

ImageSet DefaultImageSet() {
  ImageSet set;
  set.Name = "sAlphaImageList2";
  set.DrawingStyle = "dsTransparent";
  set.Left = 72;
  set.Top = 425;
  auto add = [&](const char* name, const RgbaImage& image) {
    set.Items.push_back(ImageSetItem{"ifPNG", name, EncodePng(image)});
  };
  add("noerror", NoError());
  add("RDP", Rdp());
  add("reboot", Reboot());
  add("open", Open());
  add("exit", Exit());
  add("status_ok_new", DiskWithMagnifier(kGreen, kDarkGreen));
  add("status_error_new", DiskWithMagnifier(kRed, kDarkRed));
  return set;
}

}  // namespace kestrane
