#include "toolkit/win32/bitmaps.h"

#include <algorithm>

namespace kestrane::win32 {

UniqueBitmap MakeBitmap(int width, int height, const std::vector<std::uint32_t>& pixels) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp && bits) std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
  return UniqueBitmap(bmp);
}

UniqueBitmap MakeAlphaBitmap(const RgbaImage& image) {
  return MakeBitmap(image.width, image.height, PremultipliedBgra(image));
}

std::vector<UniqueBitmap> MakeAlphaBitmaps(const std::vector<RgbaImage>& images) {
  std::vector<UniqueBitmap> out;
  for (const RgbaImage& image : images) out.push_back(MakeAlphaBitmap(image));
  return out;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

RgbaImage Greyed(const RgbaImage& image) {
  RgbaImage grey = image;
  for (std::size_t i = 0; i + 3 < grey.rgba.size(); i += 4) {
    int l = (grey.rgba[i] * 30 + grey.rgba[i + 1] * 59 + grey.rgba[i + 2] * 11) / 100;
    std::uint8_t v = static_cast<std::uint8_t>(128 + l / 3);
    grey.rgba[i] = grey.rgba[i + 1] = grey.rgba[i + 2] = v;
    grey.rgba[i + 3] = static_cast<std::uint8_t>(grey.rgba[i + 3] / 2);
  }
  return grey;
}

RgbaImage Scaled(const RgbaImage& image, int width, int height) {
  RgbaImage out{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  if (image.width <= 0 || image.height <= 0) return out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &image.rgba[((y * image.height / height) * image.width + x * image.width / width) * 4];
      std::copy(p, p + 4, &out.rgba[(static_cast<std::size_t>(y) * width + x) * 4]);
    }
  }
  return out;
}

UniqueImageList ButtonImageList(const RgbaImage& image, int size) {
  UniqueImageList list(ImageList_Create(size, size, ILC_COLOR32, 6, 0));
  if (!list) return list;
  RgbaImage normal = Scaled(image, size, size);
  UniqueBitmap n = MakeAlphaBitmap(normal);
  UniqueBitmap g = MakeAlphaBitmap(Greyed(normal));
  // normal, hot, pressed, disabled, defaulted, stylus hot
  for (int state = 0; state < 6; ++state) ImageList_Add(list.get(), state == 3 ? g.get() : n.get(), nullptr);
  return list;
}

std::array<RgbaImage, 3> PictureStates(const RgbaImage& picture) {
  if (picture.height <= 0 || picture.width != 3 * picture.height) return {picture, picture, picture};
  std::array<RgbaImage, 3> states;
  const int side = picture.height;
  for (int s = 0; s < 3; ++s) {
    states[s] = RgbaImage{side, side, std::vector<std::uint8_t>(static_cast<std::size_t>(side) * side * 4)};
    for (int y = 0; y < side; ++y) {
      std::copy_n(&picture.rgba[(static_cast<std::size_t>(y) * picture.width + s * side) * 4], side * 4,
                  &states[s].rgba[static_cast<std::size_t>(y) * side * 4]);
    }
  }
  return states;
}

bool DrawAlphaBitmap(HDC target, int x, int y, int width, int height, HBITMAP bitmap) {
  // The source is the bitmap as it is: a source rectangle larger than the bitmap fails the blend.
  const SIZE source = BitmapSize(bitmap);
  if (source.cx <= 0 || source.cy <= 0) return false;
  UniqueDc sourceDc(::CreateCompatibleDC(target));
  SelectedObject selected(sourceDc.get(), bitmap);
  if (!selected) return false;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return ::GdiAlphaBlend(target, x, y, width, height, sourceDc.get(), 0, 0, source.cx, source.cy, blend) != FALSE;
}

UniqueIcon MakeIcon(const RgbaImage& image, int size) {
  // A picture that is not square keeps its proportions, centred in the icon's square.
  int w = size, h = size;
  if (image.width > image.height) h = std::max(1, size * image.height / image.width);
  if (image.height > image.width) w = std::max(1, size * image.width / image.height);
  RgbaImage scaled = Scaled(image, w, h);
  RgbaImage square{size, size, std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 4)};
  int dx = (size - w) / 2, dy = (size - h) / 2;
  for (int y = 0; y < h; ++y) {
    std::copy_n(&scaled.rgba[static_cast<std::size_t>(y) * w * 4], w * 4,
                &square.rgba[(static_cast<std::size_t>(y + dy) * size + dx) * 4]);
  }
  UniqueBitmap colour = MakeAlphaBitmap(square);
  // An icon needs a mask; with a 32-bit colour bitmap the alpha decides, so it is all zero.
  std::vector<std::uint8_t> zeros(static_cast<std::size_t>((size + 15) / 16 * 2) * size, 0);
  UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, zeros.data()));
  ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
  return UniqueIcon(::CreateIconIndirect(&info));
}

}  // namespace kestrane::win32
